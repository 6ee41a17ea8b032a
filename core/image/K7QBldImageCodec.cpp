#include "K7QBldImageCodec.h"

#include <gd.h>

#include <cstring>
#include <memory>
#include <unordered_map>

namespace {

// Pictures of database columns are photos at most; this keeps a damaged
// header from asking for gigabytes.
constexpr long long kMaxPixels = 64LL * 1024 * 1024;
constexpr int kJpegQuality = 92;

struct GdDeleter {
  void operator()(gdImage* im) const {
    if (im) gdImageDestroy(im);
  }
};
using GdImage = std::unique_ptr<gdImage, GdDeleter>;

bool StartsWith(std::string_view bytes, std::string_view magic) {
  return bytes.size() >= magic.size() && bytes.substr(0, magic.size()) == magic;
}

gdImagePtr DecodeByContent(std::string_view bytes) {
  const int size = static_cast<int>(bytes.size());
  void* data = const_cast<char*>(bytes.data());
  if (StartsWith(bytes, "GIF87a") || StartsWith(bytes, "GIF89a"))
    return gdImageCreateFromGifPtr(size, data);
  if (StartsWith(bytes, "\xFF\xD8\xFF")) return gdImageCreateFromJpegPtrEx(size, data, 1);
  if (StartsWith(bytes, "BM")) return gdImageCreateFromBmpPtr(size, data);
  if (StartsWith(bytes, "\x89PNG\r\n\x1A\n")) return gdImageCreateFromPngPtr(size, data);
  if (StartsWith(bytes, "RIFF") && bytes.size() >= 12 && bytes.substr(8, 4) == "WEBP")
    return gdImageCreateFromWebpPtr(size, data);
  if (StartsWith(bytes, "II*") || StartsWith(bytes, "MM\0*"))
    return gdImageCreateFromTiffPtr(size, data);
  // TGA has no signature: any file would pass for one, so it is not read.
  return nullptr;
}

// A palette image with exactly these colours, or nullptr when there are more than 256.
gdImagePtr ExactPalette(const SK7QPixels& pixels) {
  GdImage im(gdImageCreate(pixels.width, pixels.height));
  if (!im) return nullptr;
  std::unordered_map<std::uint32_t, int> index;
  for (int y = 0; y < pixels.height; ++y) {
    const std::uint8_t* p = pixels.bits.data() + y * pixels.rowSize;
    for (int x = 0; x < pixels.width; ++x, p += 3) {
      const std::uint32_t rgb = (p[2] << 16) | (p[1] << 8) | p[0];
      auto it = index.find(rgb);
      if (it == index.end()) {
        if (index.size() == 256) return nullptr;
        const int c = gdImageColorAllocate(im.get(), p[2], p[1], p[0]);
        if (c < 0) return nullptr;
        it = index.emplace(rgb, c).first;
      }
      im->pixels[y][x] = static_cast<unsigned char>(it->second);
    }
  }
  return im.release();
}

gdImagePtr TrueColor(const SK7QPixels& pixels) {
  gdImagePtr im = gdImageCreateTrueColor(pixels.width, pixels.height);
  if (!im) return nullptr;
  for (int y = 0; y < pixels.height; ++y) {
    const std::uint8_t* p = pixels.bits.data() + y * pixels.rowSize;
    for (int x = 0; x < pixels.width; ++x, p += 3)
      im->tpixels[y][x] = gdTrueColor(p[2], p[1], p[0]);
  }
  return im;
}

}  // namespace

namespace K7QImageCodec {

int TypeOfName(std::string_view fileName) {
  const std::size_t slash = fileName.rfind('/');
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return kUnknown;
  std::string ext(fileName.substr(dot + 1));
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (ext == "gif") return kGif;
  if (ext == "jpg" || ext == "jpeg" || ext == "jpe") return kJpeg;
  if (ext == "bmp") return kBmp;
  return kUnknown;
}

std::size_t RowSize(int bitCount, int width) {
  if (width <= 0 || bitCount <= 0) return 0;
  return ((static_cast<std::size_t>(bitCount) * static_cast<std::size_t>(width) - 1) / 32 + 1) * 4;
}

bool Decode(std::string_view bytes, SK7QPixels& pixels) {
  if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX)) return false;
  GdImage im(DecodeByContent(bytes));
  if (!im) return false;
  const int w = gdImageSX(im.get());
  const int h = gdImageSY(im.get());
  if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > kMaxPixels) return false;
  if (!gdImageTrueColor(im.get()) && !gdImagePaletteToTrueColor(im.get())) return false;
  SK7QPixels out;
  out.width = w;
  out.height = h;
  out.rowSize = RowSize(24, w);
  out.bits.assign(out.rowSize * static_cast<std::size_t>(h), 0);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = out.bits.data() + y * out.rowSize;
    for (int x = 0; x < w; ++x, p += 3) {
      const int c = im->tpixels[y][x];
      p[0] = static_cast<std::uint8_t>(gdTrueColorGetBlue(c));
      p[1] = static_cast<std::uint8_t>(gdTrueColorGetGreen(c));
      p[2] = static_cast<std::uint8_t>(gdTrueColorGetRed(c));
    }
  }
  pixels = std::move(out);
  return true;
}

bool Encode(int type, const SK7QPixels& pixels, std::string& bytes) {
  if (type != kGif && type != kJpeg && type != kBmp) return false;
  if (pixels.width <= 0 || pixels.height <= 0 ||
      pixels.bits.size() < pixels.rowSize * static_cast<std::size_t>(pixels.height))
    return false;
  GdImage im(type == kGif ? ExactPalette(pixels) : nullptr);
  if (!im) im.reset(TrueColor(pixels));
  if (!im) return false;
  if (type == kGif && gdImageTrueColor(im.get())) {
    // More than 256 colours: the nearest palette, without dithering noise in flat areas.
    GdImage palette(gdImageCreatePaletteFromTrueColor(im.get(), 0, 256));
    if (!palette) return false;
    im = std::move(palette);
  }
  int size = 0;
  void* data = nullptr;
  switch (type) {
    case kGif:
      data = gdImageGifPtr(im.get(), &size);
      break;
    case kJpeg:
      data = gdImageJpegPtr(im.get(), &size, kJpegQuality);
      break;
    default:
      data = gdImageBmpPtr(im.get(), &size, 0);
      break;
  }
  if (!data || size <= 0) {
    if (data) gdFree(data);
    return false;
  }
  bytes.assign(static_cast<const char*>(data), static_cast<std::size_t>(size));
  gdFree(data);
  return true;
}

}  // namespace K7QImageCodec
