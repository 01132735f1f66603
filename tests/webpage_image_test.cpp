// The graph as a JPEG: it decodes to the pane's size and looks like the pane.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <filesystem>

#include "tests/station_fixture.h"
#include "webpage/graph_image.h"

namespace wm033::testing {
namespace {

struct Decoded {
  int width = 0, height = 0;
  bool progressive = true;
  std::vector<uint8_t> rgb;
};

struct DecodeTrap {
  jpeg_error_mgr mgr;
  std::jmp_buf back;
};

// Decodes a JPEG into RGB bytes; false when libjpeg refuses it.
bool Decode(const std::string& bytes, Decoded& out) {
  jpeg_decompress_struct cinfo;
  DecodeTrap trap;
  cinfo.err = jpeg_std_error(&trap.mgr);
  trap.mgr.error_exit = [](j_common_ptr c) {
    std::longjmp(reinterpret_cast<DecodeTrap*>(c->err)->back, 1);
  };
  trap.mgr.output_message = [](j_common_ptr) {};
  if (setjmp(trap.back)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  out.width = static_cast<int>(cinfo.output_width);
  out.height = static_cast<int>(cinfo.output_height);
  out.progressive = cinfo.progressive_mode;
  out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.rgb.data() + static_cast<size_t>(cinfo.output_scanline) * out.width * 3;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

// Peak signal-to-noise ratio of the decoded picture against the bitmap, in dB.
double Psnr(const display::Bitmap& bmp, const Decoded& d) {
  double sum = 0;
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) {
      const uint32_t p = display::ToArgb(bmp.GetPixel(x, y));
      const uint8_t* q = &d.rgb[(static_cast<size_t>(y) * d.width + x) * 3];
      const int diff[3] = {int((p >> 16) & 0xFF) - q[0], int((p >> 8) & 0xFF) - q[1],
                           int(p & 0xFF) - q[2]};
      for (int c : diff) sum += c * c;
    }
  const double mse = sum / (3.0 * bmp.Width() * bmp.Height());
  return 10 * std::log10(255.0 * 255.0 / mse);
}

// A pane with the kinds of things a graph holds: day lines, coloured traces, bars and text.
void DrawTestGraph(display::Bitmap& bmp) {
  bmp.Line(0, 0, kGraphWidth, 236, forms::RGB(0, 128, 0));
  for (int x = 100; x < kGraphWidth; x += 160)
    bmp.Line(x, 0, x, kGraphHeight, forms::RGB(192, 192, 192));
  for (int x = 0; x < kGraphWidth; ++x) {
    bmp.SetPixel(x, 120 + static_cast<int>(40 * std::sin(x / 30.0)), forms::RGB(255, 0, 0));
    bmp.SetPixel(x, 60 + (x / 7) % 20, forms::RGB(0, 0, 255));
  }
  for (int x = 700; x < 720; ++x) bmp.Line(x, 236, x, 180, forms::RGB(0, 255, 255));
  display::DrawText(bmp, 560, 2, "Graph updated 23-Aug-2012, 14:05", 8, forms::RGB(0, 0, 0),
                    forms::RGB(255, 255, 255), true);
}

TEST(GraphImage, DecodesToThePane) {
  display::Bitmap bmp(kGraphWidth, kGraphHeight);
  DrawTestGraph(bmp);
  std::vector<uint8_t> jpeg;
  std::string why;
  ASSERT_TRUE(EncodeJpeg(bmp, jpeg, why)) << why;
  Decoded d;
  ASSERT_TRUE(Decode(std::string(jpeg.begin(), jpeg.end()), d));
  EXPECT_EQ(d.width, kGraphWidth);
  EXPECT_EQ(d.height, kGraphHeight);
  EXPECT_FALSE(d.progressive);
  // Baseline: the frame header is SOF0.
  EXPECT_NE(std::string(jpeg.begin(), jpeg.end()).find("\xFF\xC0"), std::string::npos);
  const double psnr = Psnr(bmp, d);
  EXPECT_GT(psnr, 28.0) << psnr;
  // Red and blue are not swapped: a red block comes back red.
  display::Bitmap red(64, 64, forms::RGB(255, 0, 0));
  ASSERT_TRUE(EncodeJpeg(red, jpeg, why));
  ASSERT_TRUE(Decode(std::string(jpeg.begin(), jpeg.end()), d));
  EXPECT_GT(d.rgb[0], 240);
  EXPECT_LT(d.rgb[2], 15);
}

TEST(GraphImage, EmptyBitmapIsAnErrorNotACrash) {
  std::vector<uint8_t> jpeg;
  std::string why;
  EXPECT_FALSE(EncodeJpeg(display::Bitmap(), jpeg, why));
  EXPECT_FALSE(why.empty());
  EXPECT_TRUE(jpeg.empty());
}

TEST(GraphImage, SavedIntoThePageFolderAndFailuresReported) {
  Station s;
  std::filesystem::create_directories(s.Path("web"));
  TWM033f1& f = s.Create();
  f.imMainGraphPane.NewPicture(kGraphWidth, kGraphHeight);
  DrawTestGraph(f.imMainGraphPane.Picture());
  f.sPageFolder = "C:\\web\\";
  f.SaveGraphImage();
  Decoded d;
  ASSERT_TRUE(Decode(s.Read("web/WM033BC.jpg"), d));
  EXPECT_GT(Psnr(f.imMainGraphPane.Picture(), d), 28.0);
  EXPECT_TRUE(s.platform.error_lines.empty());
  f.sPageFolder = "C:\\gone";
  f.SaveGraphImage();
  ASSERT_EQ(s.platform.error_lines.size(), 1u);
  EXPECT_NE(s.platform.error_lines[0].find(
                "SaveGraphImage: the image C:\\gone\\WM033BC.jpg could not be written (No such "
                "file or directory)"),
            std::string::npos)
      << s.platform.error_lines[0];
}

}  // namespace
}  // namespace wm033::testing
