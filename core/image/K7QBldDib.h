#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "K7QBldImageCodec.h"

// The 40-byte bitmap information header of a 24-bit image held top-down.
struct SK7QDibHeader {
  std::uint32_t size = 40;
  std::int32_t width = 0;
  std::int32_t height = 0;  // negative: rows stored top-down
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t sizeImage = 0;
  std::int32_t xPelsPerMeter = 0;
  std::int32_t yPelsPerMeter = 0;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
};

// An image in memory as 24-bit pixels, loaded from and saved to its file,
// with the coloured frame that the database sheet draws into sample images.
// Colours are the platform's colour values 0x00BBGGRR.
class CDib {
 public:
  // Reads any image the codec knows. On failure the image stays as it was.
  bool Load(const std::string& path);
  // Writes the image in the format its name asks for (GIF, JPEG, BMP)
  // through a temporary file beside it, renamed over it only when complete:
  // on any failure the file is as it was. `error` names the cause.
  bool Save(const std::string& path, std::string* error = nullptr) const;
  void Release();

  bool IsEmpty() const { return m_pixels.bits.empty(); }
  int Width() const { return m_pixels.width; }
  int Height() const { return m_pixels.height; }
  const SK7QDibHeader& Header() const { return m_header; }
  const SK7QPixels& Pixels() const { return m_pixels; }
  std::size_t RowSize() const { return m_pixels.rowSize; }
  // The header's image size when it is set, else row size x height.
  std::size_t ImageSize() const;
  // Blue byte of pixel (x, y), or nullptr outside the image.
  std::uint8_t* PixelAddress(int x, int y);
  const std::uint8_t* PixelAddress(int x, int y) const;

  std::int32_t FrameColor() const { return m_frameColor; }
  std::int32_t FrameWidth() const { return m_frameWidth; }
  // Refused for anything outside 0 .. 0xFFFFFF.
  bool SetFrameColor(std::int32_t color);
  // Refused when not positive or when the image shrunk by it on every side would be empty.
  bool SetFrameWidth(std::int32_t width);
  // Fills the four bands of the frame with the frame colour.
  void DrawFrame();
  // Whether the bands already hold the frame colour: on average within
  // `tolerance` per colour byte (0: exactly).
  bool FrameDrawn(int tolerance) const;

  // The frame width for an image: the integer part of 4 % of its shorter side, at least 1.
  static std::int32_t FrameWidthFor(int width, int height);

 private:
  void FillBand(int left, int top, int right, int bottom);
  template <typename F>
  void ForEachBand(F&& f) const;

  SK7QDibHeader m_header;
  SK7QPixels m_pixels;
  std::int32_t m_frameColor = -1;
  std::int32_t m_frameWidth = 0;
};
