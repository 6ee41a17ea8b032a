// k7q run: one page of a macro made as the web server would make it, with
// live rows from the macro's data source.
#include <cstdio>
#include <string>

#include "K7QBldCp932.h"
#include "K7QBldGroceries.h"
#include "K7QCommand.h"
#include "K7QPreviewSetup.h"

namespace {

constexpr unsigned kIdsNoSection = 63841;
// The page was written, but something in it is marked and listed.
constexpr int kExitNoted = 3;

const std::string kUsage = std::string("run MACRO [--input|--report|--section NAME] ") +
                           "[--param NAME=VALUE]... [-o PAGE.html] " + CK7QPreviewSetup::kUsage;

int Run(const K7QArgs& args) {
  CK7QPreviewSetup setup;
  std::string section = "INPUT";
  std::string output;
  K7QPreviewParams params;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string error;
    if (setup.TakeOption(args, i, error)) {
      if (!error.empty()) return K7QUsageError("run: " + error);
      continue;
    }
    const std::string& option = args[i];
    if (option == "--input" || option == "--report") {
      section = option == "--input" ? "INPUT" : "REPORT";
    } else if ((option == "--section" || option == "--param" || option == "-o") &&
               i + 1 >= args.size()) {
      return K7QUsageError("run: " + option + " needs a value");
    } else if (option == "--section") {
      section = args[++i];
    } else if (option == "-o") {
      output = args[++i];
    } else if (option == "--param") {
      const std::string& value = args[++i];
      const std::size_t eq = value.find('=');
      std::string name;
      std::string text;
      if (eq == std::string::npos)
        return K7QUsageError("run: --param " + value + ": NAME=VALUE expected");
      // The command line is UTF-8; the macro and its form fields are CP932.
      if (!K7QCp932::FromUtf8(value.substr(0, eq), name) ||
          !K7QCp932::FromUtf8(value.substr(eq + 1), text))
        return K7QUsageError("run: --param " + value + ": not representable in CP932");
      params.emplace_back(name, text);
    } else if (!option.empty() && option[0] == '-') {
      return K7QUsageError("run: unknown option " + option + "\nusage: k7q " + kUsage);
    } else if (setup.MacroPath().empty()) {
      setup.SetMacroPath(option);
    } else {
      return K7QUsageError("run: more than one macro given");
    }
  }
  if (const std::string missing = setup.Check(); !missing.empty())
    return K7QUsageError("run: " + missing + "\nusage: k7q " + kUsage);
  if (!setup.Load()) return kExitFailed;
  CK7QPreviewInterpreter interpreter = setup.MakeInterpreter();
  CK7QPreviewPage page;
  std::string sectionName;
  K7QCp932::FromUtf8(section, sectionName);
  if (!interpreter.Render(sectionName, params, page)) {
    setup.Ui().Message(kIdsNoSection, K7QIcon::Stop);
    std::fprintf(stderr, "k7q: %%HTML(%s)\n", section.c_str());
    return kExitFailed;
  }
  setup.PrintNotes(interpreter, page);
  if (output.empty()) {
    if (std::fwrite(page.html.data(), 1, page.html.size(), stdout) != page.html.size() ||
        std::fflush(stdout) != 0)
      return kExitFailed;
  } else if (!K7QWritePageFile(setup.Ui(), output, page.html)) {
    return kExitFailed;
  }
  return page.notes.empty() ? kExitOk : kExitNoted;
}

const K7QRegisterCommand kRegister("run", kUsage, Run);

}  // namespace
