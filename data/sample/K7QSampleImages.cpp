// Draws the product pictures of the sample shop database: small GIF, JPEG
// and BMP files made with libgd, so that the large-object columns hold real
// images of every kind the profile creator recognises.
//
//   k7q_sample_images FOLDER
#include <gd.h>

#include <cstdio>
#include <string>

namespace {

enum class Format { gif, jpeg, bmp };

struct Picture {
  const char* file;
  Format format;
  int background;  // 0xRRGGBB
  int scoop;
  int cone;
};

// Soft-serve on a cone, in the colours of the flavour.
const Picture kPictures[] = {
    {"product1.gif", Format::gif, 0xFFF8E7, 0x7BA05B, 0xD9A066},   // matcha
    {"product2.jpg", Format::jpeg, 0xFDEFF2, 0xF28CA6, 0xD9A066},  // strawberry
    {"product3.bmp", Format::bmp, 0xEEF4FF, 0xFFFFF0, 0xC68E4E},   // vanilla
    {"product4.gif", Format::gif, 0xF4F0FF, 0x6B3E26, 0xD9A066},   // chocolate
    {"product5.jpg", Format::jpeg, 0xE8FFF4, 0x9B72CF, 0xC68E4E},  // purple sweet potato
};

int Color(gdImagePtr im, int rgb) {
  return gdImageColorAllocate(im, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

bool Draw(const std::string& folder, const Picture& p) {
  const int w = 64;
  const int h = 80;
  gdImagePtr im = p.format == Format::gif ? gdImageCreate(w, h) : gdImageCreateTrueColor(w, h);
  if (!im) return false;
  const int background = Color(im, p.background);
  gdImageFilledRectangle(im, 0, 0, w - 1, h - 1, background);
  const gdPoint cone[3] = {{18, 36}, {46, 36}, {32, 76}};
  gdImageFilledPolygon(im, const_cast<gdPointPtr>(cone), 3, Color(im, p.cone));
  const int scoop = Color(im, p.scoop);
  gdImageFilledEllipse(im, 32, 30, 34, 22, scoop);
  gdImageFilledEllipse(im, 32, 18, 24, 16, scoop);
  gdImageFilledEllipse(im, 32, 9, 10, 10, scoop);
  gdImageRectangle(im, 0, 0, w - 1, h - 1, Color(im, 0x404040));

  const std::string path = folder + "/" + p.file;
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    gdImageDestroy(im);
    std::perror(path.c_str());
    return false;
  }
  switch (p.format) {
    case Format::gif:
      gdImageGif(im, out);
      break;
    case Format::jpeg:
      gdImageJpeg(im, out, 85);
      break;
    case Format::bmp:
      gdImageBmp(im, out, 0);
      break;
  }
  gdImageDestroy(im);
  const bool ok = std::fclose(out) == 0;
  if (!ok) std::perror(path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: k7q_sample_images FOLDER\n");
    return 2;
  }
  for (const Picture& p : kPictures) {
    if (!Draw(argv[1], p)) return 1;
  }
  return 0;
}
