#include "outputs/graph_png.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace wm033::outputs {

bool EncodePng(const display::Bitmap& bitmap, std::string& png, std::string& error) {
  png.clear();
  if (bitmap.Width() <= 0 || bitmap.Height() <= 0) {
    error = "the graph has no pixels";
    return false;
  }
  // The bitmap's pixels are 0xFFRRGGBB, which is Qt's RGB32: the image reads them in place.
  const QImage image(reinterpret_cast<const uchar*>(bitmap.Data()), bitmap.Width(), bitmap.Height(),
                     bitmap.BytesPerLine(), QImage::Format_RGB32);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    error = "the PNG encoder failed";
    return false;
  }
  png.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
  return true;
}

}  // namespace wm033::outputs
