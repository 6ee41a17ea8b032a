#include "K7QBldEditor.h"
#include "K7QProgramInfo.h"

namespace {
const char kUsage[] =
    "usage: K7QBldEditor [FILE] [-t TITLE]\n"
    "Edits FILE (created empty when missing) as CP932 text and writes it back byte for byte.\n"
    "  -t TITLE                  end the window's caption with TITLE instead of the program name\n"
    "  --screenshots DIR SUFFIX  write PNG files of the windows into DIR and end\n"
    "  --help                    show this help and end\n"
    "  --version                 show the version and end\n";
}  // namespace

int main(int argc, char** argv) {
  const int answered = K7QAnswerInfo(argc, argv, "K7QBldEditor", kUsage);
  if (answered >= 0) return answered;
  return CK7QBldEditorApp::Run(argc, argv);
}
