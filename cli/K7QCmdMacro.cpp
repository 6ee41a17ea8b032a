// k7q macro: open a macro as the builder does (show what was read, or save it again).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "K7QBldCampaignEntry.h"
#include "K7QBldCp932.h"
#include "K7QBldDocCore.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"
#include "K7QWorkFolder.h"

namespace {

void Record(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += '\t';
    line += K7QEscapeField(fields[i]);
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

// Lines of a working page; -1 when there is none.
long CountLines(const std::string& path) {
  if (path.empty() || !K7QFile::Exists(path)) return -1;
  CK7QBldLineReader in(path);
  std::string line;
  long n = 0;
  while (in.ReadLine(line)) ++n;
  return n;
}

void PrintMessages(const std::string& tag, const std::vector<std::string>& lead,
                   const CK7QBldMessageBlock& block) {
  for (const CK7QBldMessageItem& item : block.Items()) {
    std::vector<std::string> fields{tag};
    fields.insert(fields.end(), lead.begin(), lead.end());
    fields.insert(fields.end(),
                  {item.code, item.text, CK7QBldMessageItem::ActionWord(item.action)});
    Record(fields);
  }
}

void Show(const CK7QBldMacro& macro) {
  for (const auto& v : macro.Define().Variables()) Record({"define", v.name, v.value});
  Record({"image-path", macro.ImagePath()});
  Record({"input", std::to_string(CountLines(macro.Input().PagePath())), macro.Input().Comment()});
  Record(
      {"report", std::to_string(CountLines(macro.Report().PagePath())), macro.Report().Comment()});
  PrintMessages("message", {}, macro.Messages());
  const CK7QBldFunctionBlock& functions = macro.Functions();
  for (int i = 0; i < functions.GetCount(); ++i) {
    const CK7QBldFunctionEntry& f = *functions.Entry(i);
    Record({"function", f.name, std::to_string(f.flag), std::to_string(f.kind), f.comment});
    Record({"sql", f.name, f.SqlText(nullptr)});
    PrintMessages(
        "function-message",
        {f.name, f.messages.GetPosition() == kMessagePositionBeforeReport ? "before" : "after"},
        f.messages);
    Record({"function-report", f.name, std::to_string(CountLines(f.page))});
  }
  const CK7QBldCampaignBlock& campaigns = macro.Campaigns();
  for (int i = 0; i < campaigns.GetCount(); ++i) {
    const CK7QBldCampaignEntry& c = *campaigns.GetAt(i);
    Record({"campaign", std::to_string(i + 1), c.Function(), c.Table1(), c.Table2(),
            CK7QBldCampaignEntry::FormatDate(c.Start()), CK7QBldCampaignEntry::FormatDate(c.End()),
            c.Comment()});
  }
  const CK7QBldDDBlock& objects = macro.PageObjects();
  for (int i = 0; i < objects.GetCount(); ++i) {
    const CK7QBldPageObject& o = *objects.GetAt(i);
    Record({"object", std::to_string(i), std::to_string(o.kind), o.function, o.column, o.value,
            o.replacement, o.note});
  }
}

int RunMacro(const K7QArgs& args) {
  if (args.size() < 2) return K7QUsageError("macro: expected show or resave and a macro file");
  const std::string& verb = args[0];
  const bool resave = verb == "resave";
  if (!resave && verb != "show") return K7QUsageError("macro: unknown verb '" + verb + "'");
  const std::string macroPath = args[1];
  std::string profilePath;
  std::string outPath;
  bool yes = false;
  for (std::size_t i = 2; i < args.size(); ++i) {
    if (args[i] == "--profile" && i + 1 < args.size()) {
      profilePath = args[++i];
    } else if (args[i] == "-o" && i + 1 < args.size() && resave) {
      outPath = args[++i];
    } else if (args[i] == "--yes") {
      yes = true;
    } else {
      return K7QUsageError("macro: unexpected argument '" + args[i] + "'");
    }
  }
  if (profilePath.empty()) return K7QUsageError("macro: --profile PROFILE is required");
  if (resave && outPath.empty()) return K7QUsageError("macro resave: -o OUT is required");

  CWorkFolder work;
  if (work.Path().empty()) {
    std::fprintf(stderr, "k7q: macro: cannot make a working folder\n");
    return kExitFailed;
  }
  CK7QConsoleUi ui;
  // "Open it anyway?" for a file without the builder's mark is answered
  // Yes only when asked for; a script never consents by accident.
  if (yes) ui.SetAnswer(kIdYes);
  const CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  CK7QBldLock folderLock;
  if (!K7QLockProfileFolder(folderLock, profilePath, groceries)) return kExitFailed;
  const std::string profileCopy = K7QFile::Join(work.Path(), K7QFile::FileName(profilePath));
  try {
    K7QFile::CopyBinary(profilePath, profileCopy);
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    return kExitFailed;
  }
  if (!macro.Profile().Read(profileCopy)) {
    ui.Message(kIdsProfileLoadFailed, K7QIcon::Stop);
    return kExitFailed;
  }
  CK7QBldDocCore document(macro);
  const CK7QBldDocCore::OpenResult opened = document.Open(macroPath);
  if (opened != CK7QBldDocCore::OpenResult::Ok) {
    document.DeleteWorkingFiles();
    return kExitFailed;
  }
  // Every message of the open but the question answered Yes told of a part
  // of the macro that was left out or changed: saving would lose it.
  const bool complete = std::all_of(ui.Shown().begin(), ui.Shown().end(),
                                    [](unsigned id) { return id == kIdsNotBuilderMacro; });
  int status = kExitOk;
  if (!complete) {
    std::fprintf(stderr, "k7q: macro: %s: not all of the macro could be read%s\n",
                 macroPath.c_str(), resave ? "; nothing written" : "");
    status = kExitFailed;
  }
  if (resave) {
    const std::size_t shownBefore = ui.Shown().size();
    if (complete && !document.Save(outPath)) status = kExitFailed;
    // A save that told of anything (a campaign or page object left out) wrote less than was read.
    if (ui.Shown().size() != shownBefore) status = kExitFailed;
  } else {
    Show(macro);
  }
  document.DeleteWorkingFiles();
  return status;
}

const K7QRegisterCommand kRegister("macro",
                                   "macro show MACRO --profile PROFILE [--yes]\n"
                                   "macro resave MACRO --profile PROFILE -o OUT [--yes]",
                                   RunMacro);

}  // namespace
