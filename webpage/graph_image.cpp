#include "webpage/graph_image.h"

#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "app/wm033f1.h"
#include "webpage/atomic_file.h"
#include "webpage/page_text.h"

namespace wm033 {

namespace {

// libjpeg's own error handler ends the process; ours jumps back to the encoder with the text.
struct JpegErrorTrap {
  jpeg_error_mgr mgr;
  std::jmp_buf back;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr cinfo) {
  auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, trap->message);
  std::longjmp(trap->back, 1);
}

void IgnoreJpegMessage(j_common_ptr) {}

// Everything libjpeg may touch lives here, so that nothing is lost across the jump.
struct Encoder {
  jpeg_compress_struct cinfo;
  JpegErrorTrap trap;
  unsigned char* own = nullptr;  // our buffer, big enough that libjpeg never needs another
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  std::vector<JSAMPLE> row;
};

// No C++ object is created or destroyed between setjmp and a possible longjmp in here.
bool RunEncoder(Encoder& e, const display::Bitmap& bmp) {
  e.cinfo.err = jpeg_std_error(&e.trap.mgr);
  e.trap.mgr.error_exit = OnJpegError;
  e.trap.mgr.output_message = IgnoreJpegMessage;
  e.trap.message[0] = '\0';
  if (setjmp(e.trap.back)) {
    jpeg_destroy_compress(&e.cinfo);
    return false;
  }
  jpeg_create_compress(&e.cinfo);
  jpeg_mem_dest(&e.cinfo, &e.out, &e.out_size);
  e.cinfo.image_width = static_cast<JDIMENSION>(bmp.Width());
  e.cinfo.image_height = static_cast<JDIMENSION>(bmp.Height());
  e.cinfo.input_components = 3;
  e.cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&e.cinfo);
  jpeg_start_compress(&e.cinfo, TRUE);
  const uint32_t* pixels = bmp.Data();
  const size_t width = static_cast<size_t>(bmp.Width());
  while (e.cinfo.next_scanline < e.cinfo.image_height) {
    const uint32_t* src = pixels + static_cast<size_t>(e.cinfo.next_scanline) * width;
    JSAMPLE* dst = e.row.data();
    for (size_t x = 0; x < width; ++x) {  // pixels are 0xFFRRGGBB
      dst[3 * x] = static_cast<JSAMPLE>((src[x] >> 16) & 0xFF);
      dst[3 * x + 1] = static_cast<JSAMPLE>((src[x] >> 8) & 0xFF);
      dst[3 * x + 2] = static_cast<JSAMPLE>(src[x] & 0xFF);
    }
    JSAMPROW rows[1] = {dst};
    jpeg_write_scanlines(&e.cinfo, rows, 1);
  }
  jpeg_finish_compress(&e.cinfo);
  jpeg_destroy_compress(&e.cinfo);
  return true;
}

}  // namespace

bool EncodeJpeg(const display::Bitmap& bitmap, std::vector<uint8_t>& jpeg, std::string& error) {
  jpeg.clear();
  const size_t width = static_cast<size_t>(std::max(bitmap.Width(), 0));
  const size_t height = static_cast<size_t>(std::max(bitmap.Height(), 0));
  Encoder e;
  e.row.resize(width * 3 + 3);
  e.out_size = static_cast<unsigned long>(width * height * 3 + 65536);
  e.own = e.out = static_cast<unsigned char*>(std::malloc(e.out_size));
  if (!e.own) {
    error = "out of memory";
    return false;
  }
  const bool ok = RunEncoder(e, bitmap);
  if (ok && e.out) jpeg.assign(e.out, e.out + e.out_size);
  if (ok && e.out != e.own) std::free(e.out);
  std::free(e.own);
  if (!ok) error = e.trap.message[0] ? e.trap.message : "JPEG encoding failed";
  return ok;
}

// Saves the graph pane as the JPEG file in the page folder.
void TWM033f1::SaveGraphImage() {
  if (bQuitting) return;  // an ending program leaves the published image as it was
  const std::string name = JoinPageFolder(sPageFolder, sImageFile);
  std::vector<uint8_t> jpeg;
  std::string why;
  if (!EncodeJpeg(imMainGraphPane.Picture(), jpeg, why)) {
    ReportError("Err 23aug12j SaveGraphImage: the graph could not be made into a JPEG (" + why +
                ")");
    return;
  }
  const auto path = MapPath(env(), name, &why);
  if (!path) {
    ReportError("Err 23aug12j SaveGraphImage: the image " + name + " was not written. " + why);
    return;
  }
  const std::string_view bytes(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
  if (!ReplaceFileAtomically(*path, bytes, why))
    ReportError("Err 23aug12j SaveGraphImage: the image " + name + " could not be written (" + why +
                ")");
}

}  // namespace wm033
