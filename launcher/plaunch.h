#pragma once

// The launcher application: runs dialog 102 and ends when it closes.
class CPlaunchApp {
 public:
  static int Run(int argc, char** argv);
};
