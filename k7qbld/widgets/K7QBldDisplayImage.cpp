#include "K7QBldDisplayImage.h"

#include <QCursor>
#include <QGuiApplication>

CK7QBldWaitCursor::CK7QBldWaitCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
CK7QBldWaitCursor::~CK7QBldWaitCursor() { QGuiApplication::restoreOverrideCursor(); }

namespace K7QBldDisplayImage {

QImage ToImage(const CDisplayBitmap& bitmap) {
  const SK7QPixels& p = bitmap.Pixels();
  if (p.width <= 0 || p.height <= 0 || p.bits.empty()) return {};
  // The pixels are blue, green, red: Qt's BGR888 with rows padded to 4 bytes.
  return QImage(p.bits.data(), p.width, p.height, static_cast<qsizetype>(p.rowSize),
                QImage::Format_BGR888)
      .copy();
}

QImage Load(const std::string& path) {
  CK7QBldWaitCursor wait;
  const std::unique_ptr<CDisplayBitmap> bitmap = K7QImageFiles::LoadDisplayBitmap(path);
  return bitmap ? ToImage(*bitmap) : QImage();
}

K7QImageFiles::SFrameResult Frame(const std::string& path, std::int32_t color, QImage& image) {
  CK7QBldWaitCursor wait;
  K7QImageFiles::SFrameResult result = K7QImageFiles::FrameImageFile(path, color);
  image = result.bitmap ? ToImage(*result.bitmap) : QImage();
  return result;
}

}  // namespace K7QBldDisplayImage
