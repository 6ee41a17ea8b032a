#include <gd.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "K7QBldDib.h"
#include "K7QBldDisplayBitmap.h"
#include "K7QBldImageCodec.h"
#include "K7QTestSupport.h"

namespace {

using K7QImageFiles::FrameStatus;

constexpr int kInk = 0x204060;  // 0xRRGGBB of the picture's inside

// Writes a w x h picture of one colour with libgd, in the format of the name.
void WritePicture(const std::string& path, int w, int h, int rgb = kInk) {
  const bool gif = K7QImageCodec::TypeOfName(path) == K7QImageCodec::kGif;
  gdImagePtr im = gif ? gdImageCreate(w, h) : gdImageCreateTrueColor(w, h);
  const int color = gdImageColorAllocate(im, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  gdImageFilledRectangle(im, 0, 0, w - 1, h - 1, color);
  int size = 0;
  void* data = nullptr;
  switch (K7QImageCodec::TypeOfName(path)) {
    case K7QImageCodec::kGif:
      data = gdImageGifPtr(im, &size);
      break;
    case K7QImageCodec::kJpeg:
      data = gdImageJpegPtr(im, &size, 95);
      break;
    case K7QImageCodec::kBmp:
      data = gdImageBmpPtr(im, &size, 0);
      break;
    default:
      data = gdImagePngPtr(im, &size);
      break;
  }
  K7QWriteFile(path, std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)));
  gdFree(data);
  gdImageDestroy(im);
}

// 0xRRGGBB of pixel (x, y) of a loaded image.
int RgbAt(const CDib& dib, int x, int y) {
  const std::uint8_t* p = dib.PixelAddress(x, y);
  return p ? (p[2] << 16) | (p[1] << 8) | p[0] : -1;
}

TEST(ImageCodec, FileTypeComesFromTheNameInAnyCase) {
  const std::pair<const char*, int> cases[] = {
      {"LOB00001.gif", 1}, {"a.JPG", 2}, {"a.jpeg", 2},    {"dir.gif/a.BmP", 3},
      {"a.png", 0},        {"gif", 0},   {"a.gif.txt", 0},
  };
  for (const auto& [name, type] : cases) EXPECT_EQ(K7QImageCodec::TypeOfName(name), type) << name;
}

TEST(ImageCodec, RowsArePaddedToFourBytes) {
  EXPECT_EQ(K7QImageCodec::RowSize(24, 1), 4u);
  EXPECT_EQ(K7QImageCodec::RowSize(24, 4), 12u);
  EXPECT_EQ(K7QImageCodec::RowSize(24, 10), 32u);
  EXPECT_EQ(K7QImageCodec::RowSize(24, 0), 0u);
}

TEST(Dib, PixelsAreBlueGreenRedTopDownAndNothingOutside) {
  CK7QTempDir dir;
  const std::string path = dir.File("p.bmp");
  gdImagePtr im = gdImageCreateTrueColor(3, 2);
  gdImageSetPixel(im, 0, 0, gdTrueColor(0x11, 0x22, 0x33));
  gdImageSetPixel(im, 2, 1, gdTrueColor(0xAA, 0xBB, 0xCC));
  int size = 0;
  void* data = gdImageBmpPtr(im, &size, 0);
  K7QWriteFile(path, std::string(static_cast<const char*>(data), static_cast<std::size_t>(size)));
  gdFree(data);
  gdImageDestroy(im);

  CDib dib;
  ASSERT_TRUE(dib.Load(path));
  EXPECT_EQ(dib.Header().size, 40u);
  EXPECT_EQ(dib.Header().width, 3);
  EXPECT_EQ(dib.Header().height, -2);
  EXPECT_EQ(dib.Header().bitCount, 24);
  EXPECT_EQ(dib.RowSize(), 12u);
  EXPECT_EQ(dib.ImageSize(), 24u);
  const std::uint8_t* first = dib.PixelAddress(0, 0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first[0], 0x33);
  EXPECT_EQ(first[1], 0x22);
  EXPECT_EQ(first[2], 0x11);
  EXPECT_EQ(RgbAt(dib, 2, 1), 0xAABBCC);
  EXPECT_EQ(dib.PixelAddress(3, 0), nullptr);
  EXPECT_EQ(dib.PixelAddress(0, 2), nullptr);
  EXPECT_EQ(dib.PixelAddress(-1, 0), nullptr);
}

TEST(Dib, WhatIsNoImageIsRefusedAndLeavesTheImageAsItWas) {
  CK7QTempDir dir;
  WritePicture(dir.File("good.gif"), 4, 4);
  K7QWriteFile(dir.File("text.gif"), "GIF89a but no picture follows");
  K7QWriteFile(dir.File("empty.bmp"), "");
  CDib dib;
  ASSERT_TRUE(dib.Load(dir.File("good.gif")));
  for (const char* name : {"text.gif", "empty.bmp", "missing.jpg"}) {
    EXPECT_FALSE(dib.Load(dir.File(name))) << name;
    EXPECT_EQ(dib.Width(), 4) << name;
    EXPECT_EQ(K7QImageFiles::LoadDisplayBitmap(dir.File(name)), nullptr) << name;
  }
}

TEST(Dib, FrameWidthIsFourPercentOfTheShorterSideAtLeastOne) {
  const struct {
    int w, h, width;
  } cases[] = {
      {10, 100, 1},                // 0.4 raised to 1
      {300, 200, 8}, {24, 24, 1},  // 0.96
      {25, 25, 1},                 // exactly 1
      {50, 1000, 2}, {1, 1, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CDib::FrameWidthFor(c.w, c.h), c.width) << c.w << "x" << c.h;
}

TEST(Dib, FrameColourAndWidthAreChecked) {
  CK7QTempDir dir;
  WritePicture(dir.File("p.bmp"), 3, 5);
  CDib dib;
  ASSERT_TRUE(dib.Load(dir.File("p.bmp")));
  EXPECT_TRUE(dib.SetFrameColor(0xFFFFFF));
  EXPECT_FALSE(dib.SetFrameColor(0x1000000));
  EXPECT_FALSE(dib.SetFrameColor(-1));
  EXPECT_EQ(dib.FrameColor(), 0xFFFFFF);
  EXPECT_TRUE(dib.SetFrameWidth(1));   // leaves a 1 x 3 inside
  EXPECT_FALSE(dib.SetFrameWidth(2));  // 3 - 2 x 2 < 1
  EXPECT_FALSE(dib.SetFrameWidth(0));
  EXPECT_EQ(dib.FrameWidth(), 1);
}

// The frame of each format: the bands hold the colour, the inside is untouched.
TEST(FrameImageFile, DrawsTheBandsAndWritesTheFileBackInItsFormat) {
  CK7QTempDir dir;
  const struct {
    const char* name;
    int w, h, band;
    int tolerance;  // JPEG comes back nearly
  } cases[] = {
      {"wide.gif", 300, 200, 8, 0},
      {"tall.bmp", 10, 100, 1, 0},
      {"photo.jpg", 100, 75, 3, 24},
  };
  const int color = 0x0000FF;  // red as a platform colour value 0x00BBGGRR
  for (const auto& c : cases) {
    const std::string path = dir.File(c.name);
    WritePicture(path, c.w, c.h);
    const std::string before = K7QReadFile(path);
    const K7QImageFiles::SFrameResult result = K7QImageFiles::FrameImageFile(path, color);
    EXPECT_EQ(result.status, FrameStatus::kFramed) << c.name << " " << result.error;
    ASSERT_NE(result.bitmap, nullptr) << c.name;
    EXPECT_EQ(result.bitmap->Width(), c.w);
    EXPECT_NE(K7QReadFile(path), before) << c.name;
    EXPECT_EQ(K7QImageCodec::TypeOfName(c.name) == K7QImageCodec::kGif,
              K7QReadFile(path).rfind("GIF8", 0) == 0);

    CDib framed;
    ASSERT_TRUE(framed.Load(path)) << c.name;
    auto near = [&](int rgb, int want) {
      for (int shift : {0, 8, 16}) {
        if (std::abs(((rgb >> shift) & 0xFF) - ((want >> shift) & 0xFF)) > c.tolerance)
          return false;
      }
      return true;
    };
    // Corners and the last pixel of each band are red; the first inside pixel is not.
    for (auto [x, y] : {std::pair{0, 0},
                        {c.w - 1, c.h - 1},
                        {c.band - 1, c.h / 2},
                        {c.w - c.band, c.h / 2},
                        {c.w / 2, c.band - 1},
                        {c.w / 2, c.h - c.band}})
      EXPECT_TRUE(near(RgbAt(framed, x, y), 0xFF0000)) << c.name << " at " << x << "," << y;
    EXPECT_TRUE(near(RgbAt(framed, c.band, c.band), kInk)) << c.name;
    EXPECT_TRUE(near(RgbAt(framed, c.w - c.band - 1, c.h - c.band - 1), kInk)) << c.name;
  }
}

TEST(FrameImageFile, AFileThatCarriesTheFrameIsNotWrittenAgain) {
  CK7QTempDir dir;
  for (const char* name : {"a.gif", "b.jpg", "c.bmp"}) {
    const std::string path = dir.File(name);
    WritePicture(path, 60, 40);
    ASSERT_EQ(K7QImageFiles::FrameImageFile(path, 0x00FF00).status, FrameStatus::kFramed);
    const std::string once = K7QReadFile(path);
    // A JPEG compressed again each time it is shown would lose a little every time.
    EXPECT_EQ(K7QImageFiles::FrameImageFile(path, 0x00FF00).status, FrameStatus::kAlreadyFramed)
        << name;
    EXPECT_EQ(K7QReadFile(path), once) << name;
    // Another colour is drawn over the old frame.
    EXPECT_EQ(K7QImageFiles::FrameImageFile(path, 0xFF0000).status, FrameStatus::kFramed) << name;
    EXPECT_NE(K7QReadFile(path), once) << name;
  }
}

// Whatever cannot be framed leaves the file as it was, byte for byte.
TEST(FrameImageFile, RefusalsLeaveTheFileUnchanged) {
  CK7QTempDir dir;
  WritePicture(dir.File("tiny.gif"), 2, 2);
  WritePicture(dir.File("color.bmp"), 50, 50);
  WritePicture(dir.File("other.png"), 50, 50);
  K7QWriteFile(dir.File("broken.jpg"), "\xFF\xD8\xFF not really");
  const struct {
    const char* name;
    int color;
    FrameStatus status;
    bool bitmap;  // the picture is still there to show
  } cases[] = {
      // A 1-pixel frame would leave nothing inside.
      {"tiny.gif", 0x000000, FrameStatus::kTooSmall, true},
      {"color.bmp", 0x1000000, FrameStatus::kBadColor, true},
      // Read by the library, but no format to write it in.
      {"other.png", 0x000000, FrameStatus::kCannotWrite, true},
      {"broken.jpg", 0x000000, FrameStatus::kCannotRead, false},
      {"missing.gif", 0x000000, FrameStatus::kCannotRead, false},
  };
  for (const auto& c : cases) {
    const std::string path = dir.File(c.name);
    const std::string before = K7QReadFile(path);
    const K7QImageFiles::SFrameResult result = K7QImageFiles::FrameImageFile(path, c.color);
    EXPECT_EQ(result.status, c.status) << c.name;
    EXPECT_FALSE(result.Framed()) << c.name;
    EXPECT_EQ(result.bitmap != nullptr, c.bitmap) << c.name;
    EXPECT_EQ(K7QReadFile(path), before) << c.name;
  }
  // Nothing was left beside the files.
  int files = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Path())) ++files;
  EXPECT_EQ(files, 4);
}

TEST(FrameImageFile, WhiteIsAColourAndAGifKeepsItsColoursExactly) {
  CK7QTempDir dir;
  const std::string path = dir.File("w.gif");
  WritePicture(path, 30, 30, 0x123456);
  ASSERT_EQ(K7QImageFiles::FrameImageFile(path, 0xFFFFFF).status, FrameStatus::kFramed);
  CDib dib;
  ASSERT_TRUE(dib.Load(path));
  EXPECT_EQ(RgbAt(dib, 0, 0), 0xFFFFFF);
  EXPECT_EQ(RgbAt(dib, 15, 15), 0x123456);
}

}  // namespace
