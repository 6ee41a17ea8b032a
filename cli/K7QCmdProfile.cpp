// k7q profile: what the builder reads from a profile file.
#include <cstdio>
#include <initializer_list>
#include <string>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldProfile.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"

namespace {

void PrintRecord(std::string& out, std::initializer_list<std::string> fields) {
  bool first = true;
  for (const std::string& f : fields) {
    if (!first) out += '\t';
    first = false;
    out += K7QEscapeField(f);
  }
  out += '\n';
}

int Show(const std::string& path) {
  CK7QConsoleUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  if (!K7QFile::Exists(path)) {
    ui.Message(kIdsProfileLoadFailed);
    std::fprintf(stderr, "k7q: profile: %s: no such file\n", path.c_str());
    return kExitFailed;
  }
  const bool loaded = profile.Read(path);

  std::string out;
  PrintRecord(out, {"database_kind", std::to_string(profile.DatabaseKind())});
  PrintRecord(out, {"function_section", profile.FunctionSection()});
  PrintRecord(out, {"database_name", profile.DatabaseName()});
  PrintRecord(out, {"login", profile.Login()});
  PrintRecord(out, {"information_closed", loaded ? "yes" : "no"});
  for (const auto& table : profile.Tables()) {
    for (const auto& c : table.Columns()) {
      PrintRecord(
          out, {c.m_table, c.m_column, c.m_typeName, c.m_length, c.m_scale,
                std::to_string(c.m_typeCode), std::to_string(c.m_kind), c.m_reference, c.m_sample});
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);

  if (!loaded) {
    ui.Message(kIdsProfileLoadFailed);
    std::fprintf(stderr,
                 "k7q: profile: %s: the Information block was not closed; what was read is shown\n",
                 path.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

int Run(const K7QArgs& args) {
  if (args.size() != 2 || args[0] != "show") {
    return K7QUsageError("usage: k7q profile show PROFILE");
  }
  return Show(args[1]);
}

const K7QRegisterCommand kRegister("profile", "profile show PROFILE", Run);

}  // namespace
