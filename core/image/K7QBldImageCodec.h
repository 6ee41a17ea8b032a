#pragma once

// Folder core/image: images in memory as 24-bit pixels, their files (GIF,
// JPEG, BMP through libgd) and the display bitmaps that the windows show.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Pixels as the image layer hands them around: rows top-down, 3 bytes a
// pixel in blue, green, red order, each row padded to a multiple of 4 bytes.
struct SK7QPixels {
  int width = 0;
  int height = 0;
  std::size_t rowSize = 0;
  std::vector<std::uint8_t> bits;
};

// The file formats of the image layer and their codecs, over libgd.
namespace K7QImageCodec {

enum Type : int { kUnknown = 0, kGif = 1, kJpeg = 2, kBmp = 3 };

// The format a file name asks for, by its extension (any case):
// ".gif" 1, ".jpg"/".jpeg"/".jpe" 2, ".bmp" 3, anything else 0.
int TypeOfName(std::string_view fileName);

// Bytes of a row of `width` pixels at `bitCount` bits, padded to 4 bytes.
std::size_t RowSize(int bitCount, int width);

// Reads any image libgd knows that has a signature (GIF, JPEG, BMP, PNG,
// WebP, TIFF), found by its content. False for anything else, for an empty or a damaged image,
// and for one too large to hold.
bool Decode(std::string_view bytes, SK7QPixels& pixels);

// Writes the pixels in format `type`; false for kUnknown or when libgd
// fails. GIF keeps the colours exactly when there are at most 256 of them.
bool Encode(int type, const SK7QPixels& pixels, std::string& bytes);

}  // namespace K7QImageCodec
