#include "K7QBldDisplayBitmap.h"

namespace {

// JPEG brings a flat band back only nearly flat; a band this close to the
// colour on average is the frame drawn before.
constexpr int kJpegFrameTolerance = 8;

}  // namespace

std::unique_ptr<CDisplayBitmap> CDisplayBitmap::FromDib(const CDib& dib) {
  if (dib.IsEmpty()) return nullptr;
  auto bitmap = std::make_unique<CDisplayBitmap>();
  bitmap->m_pixels = dib.Pixels();
  return bitmap;
}

namespace K7QImageFiles {

std::unique_ptr<CDisplayBitmap> LoadDisplayBitmap(const std::string& path) {
  CDib dib;
  if (!dib.Load(path)) return nullptr;
  return CDisplayBitmap::FromDib(dib);
}

SFrameResult FrameImageFile(const std::string& path, std::int32_t color) {
  SFrameResult result;
  CDib dib;
  if (!dib.Load(path)) return result;
  if (!dib.SetFrameColor(color)) {
    result.status = FrameStatus::kBadColor;
    result.bitmap = CDisplayBitmap::FromDib(dib);
    return result;
  }
  if (!dib.SetFrameWidth(CDib::FrameWidthFor(dib.Width(), dib.Height()))) {
    result.status = FrameStatus::kTooSmall;
    result.bitmap = CDisplayBitmap::FromDib(dib);
    return result;
  }
  const int type = K7QImageCodec::TypeOfName(path);
  const int tolerance = type == K7QImageCodec::kJpeg ? kJpegFrameTolerance : 0;
  if (type != K7QImageCodec::kUnknown && dib.FrameDrawn(tolerance)) {
    result.status = FrameStatus::kAlreadyFramed;
    result.bitmap = CDisplayBitmap::FromDib(dib);
    return result;
  }
  dib.DrawFrame();
  result.bitmap = CDisplayBitmap::FromDib(dib);
  result.status = dib.Save(path, &result.error) ? FrameStatus::kFramed : FrameStatus::kCannotWrite;
  return result;
}

}  // namespace K7QImageFiles
