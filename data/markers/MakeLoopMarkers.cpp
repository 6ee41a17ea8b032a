// Draws the two loop marker images that pages show where a repeated block of
// rows begins and ends: a green opening bracket with an arrow into the loop,
// a red closing bracket with an arrow out of it. Run once; the GIFs it writes
// are kept in data/tovra/.
//   g++ -std=c++20 MakeLoopMarkers.cpp -lgd -o make_markers && ./make_markers ../tovra
#include <gd.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kWidth = 24;
constexpr int kHeight = 24;

void Write(const std::string& path, bool start) {
  gdImagePtr im = gdImageCreate(kWidth, kHeight);
  const int clear = gdImageColorAllocate(im, 255, 255, 255);
  gdImageColorTransparent(im, clear);
  const int ink =
      start ? gdImageColorAllocate(im, 0, 128, 64) : gdImageColorAllocate(im, 192, 32, 32);
  const int frame = gdImageColorAllocate(im, 64, 64, 64);
  gdImageSetThickness(im, 3);
  // The bracket stands on the loop's side: left for the start, right for the end.
  const int x = start ? 3 : kWidth - 4;
  const int tip = start ? x + 6 : x - 6;
  gdImageLine(im, x, 2, x, kHeight - 3, ink);
  gdImageLine(im, x, 2, tip, 2, ink);
  gdImageLine(im, x, kHeight - 3, tip, kHeight - 3, ink);
  gdImageSetThickness(im, 1);
  // The arrow points rightwards in both: into the loop, then on past it.
  const int ax = start ? 9 : 4;
  gdPoint arrow[3] = {{ax, 7}, {ax + 10, 12}, {ax, 17}};
  gdImageFilledPolygon(im, arrow, 3, ink);
  gdImagePolygon(im, arrow, 3, frame);
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) {
    std::perror(path.c_str());
  } else {
    gdImageGif(im, out);
    std::fclose(out);
  }
  gdImageDestroy(im);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? argv[1] : ".";
  Write(folder + "/k7q_loop_start.gif", true);
  Write(folder + "/k7q_loop_end.gif", false);
  return 0;
}
