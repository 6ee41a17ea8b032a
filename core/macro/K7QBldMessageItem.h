#pragma once

#include <string>

// What the macro processor does after showing a message.
inline constexpr int kMessageActionExit = 0;
inline constexpr int kMessageActionContinue = 1;

// One line of a message block: what to show for one SQL return code.
struct CK7QBldMessageItem {
  std::string code;  // "+100", "-803", "+default", "-default" as typed
  int action = kMessageActionExit;
  std::string text;

  bool operator==(const CK7QBldMessageItem&) const = default;

  // "exit" for kMessageActionExit, "continue" for anything else.
  static const char* ActionWord(int action) {
    return action == kMessageActionExit ? "exit" : "continue";
  }
};
