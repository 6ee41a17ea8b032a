#include <string>

#include "K7QProgramInfo.h"
#include "PbuildApp.h"

namespace {
const std::string kProgram =
    std::string("pbuild_") + (PBUILD_DATABASE_TYPE[0] == 'V' ? "vq5" : "odbc");
const std::string kUsage =
    "usage: " + kProgram +
    "\n"
    "       " +
    kProgram +
    " --dsn NAME --user U (--password P | --password - | --password-file F)\n"
    "              --folder DIR [--schema NAME] [--no-samples] [--replace]\n"
    "Makes a profile of an ODBC data source: DIR/k7q_pro_NAME/NAME.k7q_pro with samples and\n"
    "large-object files. Without --dsn the dialog asks; its base folder starts at the user's\n"
    "data folder (${XDG_DATA_HOME:-~/.local/share}/k7q).\n"
    "  --password -              read the password from the first line of standard input\n"
    "  --password-file F         read the password from the first line of F\n"
    "  --schema NAME             the tables of one schema (* for every schema)\n"
    "  --no-samples              write neither samples nor large-object files\n"
    "  --replace                 replace an existing profile folder\n"
    "  --screenshots DIR SUFFIX  write PNG files of the dialog into DIR and end\n"
    "  --help                    show this help and end\n"
    "  --version                 show the version and end\n"
    "Exit status: 0 a complete profile, 1 a failure, 2 a bad command line, 3 a profile that\n"
    "left tables, columns or samples out.\n";
}  // namespace

int main(int argc, char** argv) {
  const int answered = K7QAnswerInfo(argc, argv, kProgram.c_str(), kUsage.c_str());
  if (answered >= 0) return answered;
  return PbuildMain(argc, argv, PBUILD_DATABASE_TYPE);
}
