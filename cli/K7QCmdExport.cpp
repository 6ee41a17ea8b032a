// k7q export: the macro copy for the slash-path server.
#include <string>

#include "K7QBldDocCore.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacroExport.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"

namespace {

int RunExport(const K7QArgs& args) {
  std::string macro;
  std::string target;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o") {
      if (i + 1 >= args.size()) return K7QUsageError("export: -o needs a file name");
      target = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      return K7QUsageError("export: unknown option '" + args[i] + "'");
    } else if (macro.empty()) {
      macro = args[i];
    } else {
      return K7QUsageError("export: more than one macro given");
    }
  }
  if (macro.empty() || target.empty()) return K7QUsageError("export: usage: export MACRO -o OUT");
  // Compared as files: "./x.k7q", a link or another spelling of the macro is still the macro.
  if (CK7QBldDocCore::SameFile(macro, target))
    return K7QUsageError("export: the copy must not overwrite the macro");

  CK7QConsoleUi ui;
  CK7QBldGroceries groceries(ui);
  return CK7QBldMacroExport::ExportFile(groceries, macro, target) ? kExitOk : kExitFailed;
}

const K7QRegisterCommand kRegister("export", "export MACRO -o OUT", RunExport);

}  // namespace
