// k7q: the core of the builder, for scripts.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldWorkFolder.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"
#include "K7QProgramInfo.h"

std::vector<K7QCommand>& K7QCommands() {
  static std::vector<K7QCommand> commands;
  return commands;
}

int K7QUsageError(const std::string& text) {
  std::fprintf(stderr, "k7q: %s\n", text.c_str());
  return kExitUsage;
}

std::string K7QEscapeField(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = K7QCp932::CharLength(text, i);
    if (len == 2) {
      out.append(text, i, 2);
      i += 2;
      continue;
    }
    switch (text[i]) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\\': out += "\\\\"; break;
      default: out += text[i]; break;
    }
    ++i;
  }
  return out;
}

static void PrintUsage(std::FILE* out) {
  auto commands = K7QCommands();
  std::sort(commands.begin(), commands.end(),
            [](const K7QCommand& a, const K7QCommand& b) { return a.name < b.name; });
  std::fprintf(out, "usage:\n");
  for (const auto& c : commands) {
    std::size_t start = 0;
    while (start < c.usage.size()) {
      std::size_t nl = c.usage.find('\n', start);
      if (nl == std::string::npos) nl = c.usage.size();
      std::fprintf(out, "  k7q %s\n", c.usage.substr(start, nl - start).c_str());
      start = nl + 1;
    }
  }
}

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) return K7QAnswerInfo(2, argv, "k7q", "");
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? kExitUsage : kExitOk;
  }
  const std::string name = argv[1];
  CK7QConsoleUi ui;
  const unsigned interrupted = K7QWorkFolder::kIdsInterrupted;
  K7QWorkFolder::InstallSignalHandlers("k7q: " + std::to_string(interrupted) + ": " +
                                       ui.String(interrupted) + "\n");
  // Folders of commands that were killed outright (no handler runs for that).
  K7QWorkFolder::RemoveStale();
  for (const auto& c : K7QCommands()) {
    if (c.name != name) continue;
    try {
      return c.run(K7QArgs(argv + 2, argv + argc));
    } catch (const CK7QBldFileException& e) {
      // Every command reports its own file errors; one that slips through
      // still ends the command as failed, with the file named.
      CK7QBldGroceries(ui).ReportFileException(e, __FILE__, __LINE__);
      return kExitFailed;
    }
  }
  std::fprintf(stderr, "k7q: unknown command '%s'\n", name.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}
