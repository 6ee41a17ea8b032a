// k7q build: a macro from pages as the page editor leaves them, without a window.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "K7QBldCp932.h"
#include "K7QBldDocCore.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QBldPageConverter.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"
#include "K7QWorkFolder.h"

namespace {

constexpr const char* kUsage =
    "usage: k7q build --profile PROFILE [--input PAGE] [--report PAGE] "
    "[--define NAME=VALUE]... -o MACRO";

struct Request {
  std::string profile;
  std::string input;
  std::string report;
  std::vector<std::pair<std::string, std::string>> defines;  // CP932
  std::string output;
};

// Empty text when the arguments are sound, else what is wrong with them.
std::string ParseArgs(const K7QArgs& args, Request& request) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (i + 1 >= args.size()) return option + " needs a value";
    const std::string& value = args[++i];
    if (option == "--profile") {
      request.profile = value;
    } else if (option == "--input") {
      request.input = value;
    } else if (option == "--report") {
      request.report = value;
    } else if (option == "-o") {
      request.output = value;
    } else if (option == "--define") {
      const std::size_t eq = value.find('=');
      std::string name;
      std::string text;
      if (eq == std::string::npos) return "--define " + value + ": NAME=VALUE expected";
      // The command line is UTF-8; the macro is CP932.
      if (!K7QCp932::FromUtf8(CK7QBldGroceries::Trim(value.substr(0, eq)), name) ||
          !K7QCp932::FromUtf8(CK7QBldGroceries::Trim(value.substr(eq + 1)), text))
        return "--define " + value + ": not representable in CP932";
      if (name.empty()) return "--define " + value + ": empty name";
      request.defines.emplace_back(name, text);
    } else {
      return "unknown option " + option;
    }
  }
  if (request.profile.empty() || request.output.empty()) return "--profile and -o are required";
  return {};
}

// Puts a page where the builder keeps it and converts it as after editing.
bool ConvertPage(CK7QBldMacro& macro, CK7QBldHTMLBlock& block, int side, const std::string& source,
                 const std::string& title) {
  if (source.empty()) return true;
  const std::string page = CK7QBldHTMLBlock::PageName(macro.Profile().ProfileFolder(), title, side);
  try {
    if (!K7QFile::Exists(source)) {
      std::fprintf(stderr, "k7q: build: %s: no such file\n", source.c_str());
      return false;
    }
    K7QFile::CopyBinary(source, page);
  } catch (const CK7QBldFileException& e) {
    macro.Groceries().ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  block.Set({}, page);
  CK7QBldPageConverter converter(macro);
  K7QStringList components;
  if (converter.ConvertAfterEditing(page, components)) return true;
  macro.Groceries().Ui().Message(kIdsPageNotConverted, K7QIcon::Stop);
  std::fprintf(stderr, "k7q: build: %s: not converted\n", source.c_str());
  return false;
}

int Build(const Request& request) {
  CK7QConsoleUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  // A builder or another k7q at work in the profile's folder may have the
  // macro open: it is not built over.
  CK7QBldLock folderLock;
  if (!K7QLockProfileFolder(folderLock, request.profile, groceries)) return kExitFailed;
  const CWorkFolder work;
  if (work.Path().empty()) {
    std::fprintf(stderr, "k7q: build: cannot create a temporary folder\n");
    return kExitFailed;
  }
  const std::string profile = K7QFile::Join(work.Path(), K7QFile::FileName(request.profile));
  try {
    if (K7QFile::Exists(request.profile)) K7QFile::CopyBinary(request.profile, profile);
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    return kExitFailed;
  }
  if (!macro.Profile().Read(profile)) {
    ui.Message(kIdsProfileLoadFailed, K7QIcon::Stop);
    return kExitFailed;
  }
  for (const auto& [name, value] : request.defines) {
    // The same rules as the builder's variable dialog.
    if (!CK7QBldDefineBlock::CheckVariable(groceries, macro.Profile(), name, value))
      return kExitFailed;
    const int index = macro.Define().Find(name);
    if (index >= 0) {
      macro.Define().Variables()[static_cast<std::size_t>(index)].value = value;
    } else {
      macro.Define().Add(name, value);
    }
    if (name.find(kImagePathVariable) != std::string::npos) macro.SetImagePath(value);
  }
  CK7QBldDocCore document(macro);
  const std::string title = CK7QBldDocCore::TitleOf(request.output);
  bool ok = ConvertPage(macro, macro.Input(), kHtmlInput, request.input, title) &&
            ConvertPage(macro, macro.Report(), kHtmlReport, request.report, title) &&
            document.Save(request.output);
  document.DeleteWorkingFiles();
  if (!ok) return kExitFailed;
  std::printf("macro\t%s\n", request.output.c_str());
  for (int i = 0; i < macro.Functions().GetCount(); ++i)
    std::printf("function\t%s\n", macro.Functions().Entry(i)->name.c_str());
  return kExitOk;
}

int Run(const K7QArgs& args) {
  Request request;
  const std::string error = ParseArgs(args, request);
  if (!error.empty()) return K7QUsageError("build: " + error + "\n" + kUsage);
  return Build(request);
}

const K7QRegisterCommand kRegister(
    "build",
    "build --profile PROFILE [--input PAGE] [--report PAGE] [--define NAME=VALUE]... -o MACRO",
    Run);

}  // namespace
