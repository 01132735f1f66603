// Painter-drawn text and shapes on a Bitmap, through a QImage that wraps its pixels.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "display/bitmap.h"

namespace wm033::display {
namespace {

QImage Wrap(Bitmap& bmp) {
  return QImage(reinterpret_cast<uchar*>(bmp.MutableData()), bmp.Width(), bmp.Height(),
                bmp.BytesPerLine(), QImage::Format_RGB32);
}

QColor ToQColor(Colour c) {
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

bool CanPaintText() {
  return QGuiApplication::instance() != nullptr;
}

}  // namespace

void DrawText(Bitmap& bmp, int x, int y, const std::string& text, int point_size, Colour colour,
              Colour background, bool opaque_background) {
  if (bmp.Width() == 0 || bmp.Height() == 0 || !CanPaintText()) return;
  QImage img = Wrap(bmp);
  QPainter p(&img);
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(point_size);
  p.setFont(font);
  const QString s = QString::fromStdString(text);
  const QFontMetrics fm(font);
  if (opaque_background) {
    p.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), ToQColor(background));
  }
  p.setPen(ToQColor(colour));
  p.drawText(QPoint(x, y + fm.ascent()), s);
}

void DrawEllipse(Bitmap& bmp, int left, int top, int right, int bottom, int pen_width, Colour pen,
                 Colour brush) {
  if (bmp.Width() == 0 || bmp.Height() == 0) return;
  QImage img = Wrap(bmp);
  QPainter p(&img);
  p.setPen(QPen(ToQColor(pen), pen_width));
  p.setBrush(ToQColor(brush));
  // Windows' Ellipse fills the box excluding its right and bottom edges.
  p.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void DrawThickLine(Bitmap& bmp, int x0, int y0, int x1, int y1, int pen_width, Colour colour) {
  if (bmp.Width() == 0 || bmp.Height() == 0) return;
  QImage img = Wrap(bmp);
  QPainter p(&img);
  p.setPen(QPen(ToQColor(colour), pen_width, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(x0, y0, x1, y1);
}

}  // namespace wm033::display
