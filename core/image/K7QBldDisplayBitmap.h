#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "K7QBldDib.h"

// What a window shows of an image: its 24-bit pixels, which the GUI turns
// into a screen image. Owned by whoever asked for it.
class CDisplayBitmap {
 public:
  // The pixels of `dib`; nullptr when it holds none.
  static std::unique_ptr<CDisplayBitmap> FromDib(const CDib& dib);

  int Width() const { return m_pixels.width; }
  int Height() const { return m_pixels.height; }
  const SK7QPixels& Pixels() const { return m_pixels; }
  void Release() { m_pixels = SK7QPixels{}; }

 private:
  SK7QPixels m_pixels;
};

// The image file operations of the pages.
namespace K7QImageFiles {

// An image file as a display bitmap, or nullptr when it cannot be read as an image.
std::unique_ptr<CDisplayBitmap> LoadDisplayBitmap(const std::string& path);

enum class FrameStatus {
  kFramed,         // drawn and written back
  kAlreadyFramed,  // the file carries this frame already: not written again
  kCannotRead,     // no image could be read: no bitmap
  kBadColor,       // the colour is no 24-bit colour: the image unframed
  kTooSmall,       // the frame would leave nothing inside: the image unframed
  kCannotWrite,    // framed in memory only; the file is as it was; `error` says why
};

struct SFrameResult {
  FrameStatus status = FrameStatus::kCannotRead;
  std::unique_ptr<CDisplayBitmap> bitmap;
  std::string error;
  // The file carries the frame.
  bool Framed() const {
    return status == FrameStatus::kFramed || status == FrameStatus::kAlreadyFramed;
  }
};

// Draws a frame of colour `color` (0x00BBGGRR) into the image file `path`,
// 4 % of its shorter side wide (at least 1 pixel), and writes it back in its
// own format. A file that carries this frame already is not written again,
// so that a JPEG is not compressed anew each time it is shown.
SFrameResult FrameImageFile(const std::string& path, std::int32_t color);

}  // namespace K7QImageFiles
