#include "K7QBldDib.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "K7QBldFile.h"

namespace {

// A name beside `path` that no file has: the temporary file of a rewrite.
std::string FreshSibling(const std::string& path) {
  static unsigned counter = 0;
  for (;;) {
    std::string name =
        path + "." + std::to_string(::getpid()) + "." + std::to_string(++counter) + ".tmp";
    if (!K7QFile::Exists(name)) return name;
  }
}

}  // namespace

bool CDib::Load(const std::string& path) {
  std::string bytes;
  try {
    bytes = K7QFile::ReadAll(path);
  } catch (const CK7QBldFileException&) {
    return false;
  }
  SK7QPixels pixels;
  if (!K7QImageCodec::Decode(bytes, pixels)) return false;
  m_pixels = std::move(pixels);
  m_header = SK7QDibHeader{};
  m_header.width = m_pixels.width;
  m_header.height = -m_pixels.height;
  return true;
}

bool CDib::Save(const std::string& path, std::string* error) const {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  const int type = K7QImageCodec::TypeOfName(path);
  if (type == K7QImageCodec::kUnknown) return fail(path + ": not a GIF, JPEG or BMP file name");
  std::string bytes;
  if (IsEmpty() || !K7QImageCodec::Encode(type, m_pixels, bytes))
    return fail(path + ": the image could not be encoded");
  try {
    const std::string temp = FreshSibling(path);
    K7QFile::RewriteInPlace(
        path, temp, [&bytes](CK7QBldTextWriter& writer) { writer.Write(bytes); }, true);
    K7QFile::Remove(temp);
  } catch (const CK7QBldFileException& e) {
    return fail(e.what());
  }
  return true;
}

void CDib::Release() {
  m_pixels = SK7QPixels{};
  m_header = SK7QDibHeader{};
}

std::size_t CDib::ImageSize() const {
  if (m_header.sizeImage != 0) return m_header.sizeImage;
  return m_pixels.rowSize * static_cast<std::size_t>(m_pixels.height);
}

std::uint8_t* CDib::PixelAddress(int x, int y) {
  return const_cast<std::uint8_t*>(std::as_const(*this).PixelAddress(x, y));
}

const std::uint8_t* CDib::PixelAddress(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_pixels.width || y >= m_pixels.height) return nullptr;
  return m_pixels.bits.data() + static_cast<std::size_t>(y) * m_pixels.rowSize +
         static_cast<std::size_t>(x) * 3;
}

bool CDib::SetFrameColor(std::int32_t color) {
  if (color < 0 || color > 0xFFFFFF) return false;
  m_frameColor = color;
  return true;
}

bool CDib::SetFrameWidth(std::int32_t width) {
  if (width <= 0 || 2LL * width >= m_pixels.width || 2LL * width >= m_pixels.height) return false;
  m_frameWidth = width;
  return true;
}

std::int32_t CDib::FrameWidthFor(int width, int height) {
  // 4 % in integers: the same integer part as 0.04 x the side, without rounding doubt.
  const long long shorter = std::min(width, height);
  return static_cast<std::int32_t>(std::max(1LL, shorter * 4 / 100));
}

template <typename F>
void CDib::ForEachBand(F&& f) const {
  const int w = m_pixels.width;
  const int h = m_pixels.height;
  const int b = m_frameWidth;
  // Top, left, right, bottom.
  f(0, 0, w, b);
  f(0, b, b, h - b);
  f(w - b, b, w, h - b);
  f(0, h - b, w, h);
}

void CDib::FillBand(int left, int top, int right, int bottom) {
  if (right - left <= 0 || bottom - top <= 0) return;
  const auto c = static_cast<std::uint32_t>(m_frameColor);
  const std::uint8_t pixel[3] = {static_cast<std::uint8_t>((c >> 16) & 0xFF),
                                 static_cast<std::uint8_t>((c >> 8) & 0xFF),
                                 static_cast<std::uint8_t>(c & 0xFF)};
  std::vector<std::uint8_t> row(static_cast<std::size_t>(right - left) * 3);
  for (std::size_t i = 0; i < row.size(); i += 3) std::copy(pixel, pixel + 3, row.begin() + i);
  for (int y = top; y < bottom; ++y) std::copy(row.begin(), row.end(), PixelAddress(left, y));
}

void CDib::DrawFrame() {
  if (m_frameColor < 0 || m_frameWidth <= 0 || IsEmpty()) return;
  ForEachBand([this](int l, int t, int r, int b) { FillBand(l, t, r, b); });
}

bool CDib::FrameDrawn(int tolerance) const {
  if (m_frameColor < 0 || m_frameWidth <= 0 || IsEmpty()) return false;
  const auto c = static_cast<std::uint32_t>(m_frameColor);
  const int want[3] = {static_cast<int>((c >> 16) & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                       static_cast<int>(c & 0xFF)};
  long long difference = 0;
  long long count = 0;
  ForEachBand([&](int l, int t, int r, int b) {
    for (int y = t; y < b; ++y) {
      for (int x = l; x < r; ++x) {
        const std::uint8_t* p = PixelAddress(x, y);
        for (int i = 0; i < 3; ++i) difference += std::abs(p[i] - want[i]);
        count += 3;
      }
    }
  });
  return count > 0 && difference <= static_cast<long long>(tolerance) * count;
}
