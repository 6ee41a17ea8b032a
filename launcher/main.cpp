#include "K7QProgramInfo.h"
#include "plaunch.h"

namespace {
const char kUsage[] =
    "usage: plaunch\n"
    "Asks for the kind of data source and starts the profile creator that fits it\n"
    "(pbuild_vq5 or pbuild_odbc), looked up in plaunch's own folder, the current folder, then "
    "PATH.\n"
    "  --screenshots DIR SUFFIX  write PNG files of the windows into DIR and end\n"
    "  --help                    show this help and end\n"
    "  --version                 show the version and end\n";
}  // namespace

int main(int argc, char** argv) {
  const int answered = K7QAnswerInfo(argc, argv, "plaunch", kUsage);
  if (answered >= 0) return answered;
  return CPlaunchApp::Run(argc, argv);
}
