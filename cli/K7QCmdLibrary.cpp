// k7q library: what the function, variable and statement pages show of a library file.
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "K7QBldEntryLibrary.h"
#include "K7QBldFile.h"
#include "K7QBldFunctionLibrary.h"
#include "K7QBldGroceries.h"
#include "K7QBldLibraryMessages.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"

namespace {

constexpr const char* kUsage =
    "usage: k7q library show FILE [--function N] [--format functions|entries]";

void PrintRecord(std::string& out, std::initializer_list<std::string> fields) {
  bool first = true;
  for (const std::string& f : fields) {
    if (!first) out += '\t';
    first = false;
    out += K7QEscapeField(f);
  }
  out += '\n';
}

struct Request {
  std::string path;
  bool functions = false;
  bool formatGiven = false;
  bool detail = false;
  unsigned identity = 0;
};

void ShowEntries(const Request& request, std::string& out, K7QLibraryCounts& counts) {
  std::vector<K7QLibraryEntry> entries;
  CK7QBldEntryLibrary::ReadList(request.path, entries, &counts);
  PrintRecord(out, {"library", "entries"});
  for (const K7QLibraryEntry& e : entries)
    PrintRecord(out, {"entry", std::to_string(e.line), e.name, e.text, e.description});
}

void ShowFunctions(const Request& request, std::string& out, K7QLibraryCounts& counts) {
  std::vector<K7QLibraryFunctionItem> items;
  CK7QBldFunctionLibrary::ReadList(request.path, items, &counts);
  PrintRecord(out, {"library", "functions"});
  for (const K7QLibraryFunctionItem& item : items)
    PrintRecord(out, {"function", std::to_string(item.identity), item.name, item.description});
}

// False when the library has no block of that number.
bool ShowFunction(const Request& request, std::string& out, K7QLibraryCounts& counts) {
  CK7QBldLibraryFunction function;
  if (!CK7QBldFunctionLibrary::ReadDetails(request.path, request.identity, function, &counts))
    return false;
  PrintRecord(out, {"name", function.name});
  PrintRecord(out, {"description", function.description});
  PrintRecord(out, {"arguments", function.variable ? "variable" : "fixed"});
  for (const std::string& line : function.comments) PrintRecord(out, {"comment", line});
  for (const std::string& line : function.parameters) PrintRecord(out, {"parameter", line});
  K7QStringList fields;
  for (const std::string& line : function.arguments) {
    const bool named = CK7QBldGroceries::SplitString(line, fields, ':', true) == 3;
    PrintRecord(out, {"argument", line, named ? fields[1] : std::string()});
  }
  return true;
}

int Show(const Request& given) {
  CK7QConsoleUi ui;
  CK7QBldGroceries groceries(ui);
  Request request = given;
  std::string out;
  K7QLibraryCounts counts;
  bool found = true;
  try {
    if (!K7QFile::Exists(request.path)) {
      ui.Prompt(kIdsLibraryFileMissing, ui.String(kIdsLibraryFileMissing) + " " + request.path,
                K7QIcon::Exclamation, K7QButtons::Ok);
      return kExitFailed;
    }
    if (!request.formatGiven)
      request.functions = request.detail || CK7QBldFunctionLibrary::HoldsFunctions(request.path);
    if (request.detail) {
      found = ShowFunction(request, out, counts);
    } else if (request.functions) {
      ShowFunctions(request, out, counts);
    } else {
      ShowEntries(request, out, counts);
    }
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    std::fwrite(out.data(), 1, out.size(), stdout);
    return kExitFailed;
  }
  if (found) {
    PrintRecord(out, {"lines", std::to_string(counts.lines)});
    PrintRecord(out, {"skipped", std::to_string(counts.skipped)});
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  if (!found) {
    ui.Prompt(kIdsLibraryNoSuchFunction,
              ui.String(kIdsLibraryNoSuchFunction) + " " + std::to_string(request.identity),
              K7QIcon::Exclamation, K7QButtons::Ok);
    return kExitFailed;
  }
  if (counts.skipped > 0) {
    ui.Prompt(kIdsLibraryLinesSkipped,
              ui.String(kIdsLibraryLinesSkipped) + " " + std::to_string(counts.skipped),
              K7QIcon::Exclamation, K7QButtons::Ok);
    return kExitFailed;
  }
  return kExitOk;
}

bool ParseIdentity(const std::string& text, unsigned& identity) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  identity = static_cast<unsigned>(std::stoul(text));
  return true;
}

int Run(const K7QArgs& args) {
  if (args.size() < 2 || args[0] != "show") return K7QUsageError(kUsage);
  Request request;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--function" && i + 1 < args.size()) {
      if (!ParseIdentity(args[++i], request.identity))
        return K7QUsageError("library: --function takes a function number from 0\n" +
                             std::string(kUsage));
      request.detail = true;
    } else if (arg == "--format" && i + 1 < args.size()) {
      const std::string& format = args[++i];
      if (format != "functions" && format != "entries")
        return K7QUsageError("library: --format is functions or entries\n" + std::string(kUsage));
      request.functions = format == "functions";
      request.formatGiven = true;
    } else if (!arg.empty() && arg[0] != '-' && request.path.empty()) {
      request.path = arg;
    } else {
      return K7QUsageError("library: unexpected argument '" + arg + "'\n" + kUsage);
    }
  }
  if (request.path.empty()) return K7QUsageError(kUsage);
  if (request.detail && request.formatGiven && !request.functions)
    return K7QUsageError("library: --function needs a function library\n" + std::string(kUsage));
  return Show(request);
}

const K7QRegisterCommand kRegister("library",
                                   "library show FILE [--function N] [--format functions|entries]",
                                   Run);

}  // namespace
