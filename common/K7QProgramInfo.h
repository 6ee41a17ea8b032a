#pragma once

#include <cstdio>
#include <cstring>

// --help and --version of every program: answered on standard output before
// any window is made, so they work without a display. Returns the exit
// status when one of them was asked for, else -1 (the program runs).
inline int K7QAnswerInfo(int argc, char** argv, const char* program, const char* usage) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(usage, stdout);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s %s\n", program, K7Q_VERSION);
      return std::fflush(stdout) == 0 ? 0 : 1;
    }
  }
  return -1;
}
