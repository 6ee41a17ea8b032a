#pragma once

class CK7QBldApp {
 public:
  static int Run(int argc, char** argv);
};
