#include "K7QBld.h"
#include "K7QProgramInfo.h"

namespace {
const char kUsage[] =
    "usage: K7QBld [--profile PROFILE.k7q_pro] [MACRO.k7q]\n"
    "       K7QBld PROFILE.k7q_pro\n"
    "Builds database-driven web pages into a macro file from pages and a profile.\n"
    "  --profile PROFILE         open PROFILE first (a file named *.k7q_pro alone does the same);\n"
    "                            without it, a macro opens with the one profile in its folder,\n"
    "                            else with the profile of the last session\n"
    "  --screenshots DIR SUFFIX  write PNG files of the windows into DIR and end\n"
    "  --help                    show this help and end\n"
    "  --version                 show the version and end\n";
}  // namespace

int main(int argc, char** argv) {
  const int answered = K7QAnswerInfo(argc, argv, "K7QBld", kUsage);
  if (answered >= 0) return answered;
  return CK7QBldApp::Run(argc, argv);
}
