#pragma once

#include <optional>
#include <string>
#include <vector>

// The batch form's command line:
//   --dsn NAME --user U (--password P | --password - | --password-file F)
//   --folder DIR [--schema NAME] [--no-samples] [--replace]
// The dialog program takes no arguments but --screenshots DIR SUFFIX.
struct CPbuildCommandLine {
  bool batch = false;
  std::string dataSource, user, password, passwordFile, folder, schema;
  bool passwordGiven = false;
  bool noSamples = false;
  bool replace = false;
  std::string screenshotDir, screenshotSuffix;
  std::string error;  // not empty: the line is unusable

  static CPbuildCommandLine Parse(const std::vector<std::string>& arguments);
};

// The program: pbuild_vq5 passes "VQ5", pbuild_odbc "ODBC". Returns the exit status.
int PbuildMain(int argc, char** argv, const char* databaseType);
