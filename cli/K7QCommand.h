#pragma once

#include <string>
#include <vector>

// One subcommand of k7q. Each K7QCmd*.cpp file defines a static
// K7QRegisterCommand, so adding a command touches no other file.
using K7QArgs = std::vector<std::string>;

struct K7QCommand {
  std::string name;
  std::string usage;  // one line per form, without the leading "k7q "
  int (*run)(const K7QArgs& args);  // args after the command name; returns the exit status
};

std::vector<K7QCommand>& K7QCommands();

struct K7QRegisterCommand {
  K7QRegisterCommand(std::string name, std::string usage, int (*run)(const K7QArgs&)) {
    K7QCommands().push_back({std::move(name), std::move(usage), run});
  }
};

// Exit statuses shared by all commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// One field of a line of output, as it is (CP932 bytes) but for tab, line
// feed, carriage return and backslash, which become \t, \n, \r and \\ so
// that every record stays on its line. A trail byte 0x5C is no backslash.
std::string K7QEscapeField(const std::string& text);

// Prints "k7q: <text>" on standard error and returns kExitUsage.
int K7QUsageError(const std::string& text);
