#pragma once

#include <QImage>
#include <cstdint>
#include <string>

#include "K7QBldDisplayBitmap.h"

// The screen side of the image layer: display bitmaps as Qt images, and the
// image file operations with the wait cursor the author sees meanwhile.
namespace K7QBldDisplayImage {

// A copy of the bitmap's pixels as an image (null for an empty bitmap).
QImage ToImage(const CDisplayBitmap& bitmap);

// An image file as an image; null when it cannot be read as one.
QImage Load(const std::string& path);

// Frames the image file in `color` (0x00BBGGRR, the platform's order);
// `image` is what to show (null when nothing could be read).
K7QImageFiles::SFrameResult Frame(const std::string& path, std::int32_t color, QImage& image);

}  // namespace K7QBldDisplayImage

// Shows the wait cursor for as long as it lives.
class CK7QBldWaitCursor {
 public:
  CK7QBldWaitCursor();
  ~CK7QBldWaitCursor();
  CK7QBldWaitCursor(const CK7QBldWaitCursor&) = delete;
  CK7QBldWaitCursor& operator=(const CK7QBldWaitCursor&) = delete;
};
