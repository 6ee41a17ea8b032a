// k7q check: which tables and columns of a macro a changed database no longer has.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "K7QBldDocCore.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QBldSchemaCheck.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"
#include "K7QWorkFolder.h"

namespace {

// Unlike the other commands, check keeps 1 for "the macro has findings".
constexpr int kExitFindings = 1;
constexpr int kExitError = 2;

// The profile the macro was made with, unless that is the new one itself.
std::string ProfileMadeWith(const std::string& macroPath, const std::string& fresh) {
  const std::string beside = CK7QBldDocCore::ProfileBeside(macroPath);
  return CK7QBldDocCore::SameFile(beside, fresh) ? std::string() : beside;
}

bool ReadProfile(CK7QBldProfile& profile, const std::string& path, CK7QConsoleUi& ui) {
  if (K7QFile::Exists(path) && profile.Read(path)) return true;
  ui.Message(kIdsProfileLoadFailed, K7QIcon::Stop);
  std::fprintf(stderr, "k7q: check: %s: the profile could not be read\n", path.c_str());
  return false;
}

void Record(const K7QCheckFinding& f) {
  std::string line = std::string(K7QCheckFinding::KindWord(f.kind));
  for (const std::string& field : {f.function, f.PlacesText(), f.name, f.use, f.detail})
    line += '\t' + K7QEscapeField(field);
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

int RunCheck(const K7QArgs& args) {
  std::string macroPath;
  std::string freshPath;
  std::string wasPath;
  bool yes = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--profile" && i + 1 < args.size()) {
      freshPath = args[++i];
    } else if (args[i] == "--was" && i + 1 < args.size()) {
      wasPath = args[++i];
    } else if (args[i] == "--yes") {
      yes = true;
    } else if (macroPath.empty() && args[i].rfind("--", 0) != 0) {
      macroPath = args[i];
    } else {
      return K7QUsageError("check: unexpected argument '" + args[i] + "'");
    }
  }
  if (macroPath.empty()) return K7QUsageError("check: a macro file is required");
  if (freshPath.empty()) return K7QUsageError("check: --profile PROFILE is required");
  if (wasPath.empty()) wasPath = ProfileMadeWith(macroPath, freshPath);

  CK7QConsoleUi ui;
  if (yes) ui.SetAnswer(kIdYes);
  const CK7QBldGroceries groceries(ui);
  CK7QBldProfile fresh(groceries);
  if (!ReadProfile(fresh, freshPath, ui)) return kExitError;

  // The macro is opened as the builder opened it: with the profile it was
  // made with (its function sections and define lines match that one),
  // from a copy, so that no working page lands in a profile folder.
  const std::string openWith = wasPath.empty() ? freshPath : wasPath;
  CWorkFolder work;
  if (work.Path().empty()) {
    std::fprintf(stderr, "k7q: check: cannot make a working folder\n");
    return kExitError;
  }
  CK7QBldLock folderLock;
  if (!K7QLockProfileFolder(folderLock, openWith, groceries)) return kExitError;
  const std::string copy = K7QFile::Join(work.Path(), K7QFile::FileName(openWith));
  std::string macroText;
  try {
    K7QFile::CopyBinary(openWith, copy);
    macroText = K7QFile::ReadAll(macroPath);
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    return kExitError;
  }
  CK7QBldMacro macro(groceries);
  if (!ReadProfile(macro.Profile(), copy, ui)) return kExitError;
  CK7QBldDocCore document(macro);
  if (document.Open(macroPath) != CK7QBldDocCore::OpenResult::Ok) {
    document.DeleteWorkingFiles();
    return kExitError;
  }
  document.DeleteWorkingFiles();
  const bool complete = std::all_of(ui.Shown().begin(), ui.Shown().end(),
                                    [](unsigned id) { return id == kIdsNotBuilderMacro; });
  if (!complete) {
    std::fprintf(stderr, "k7q: check: %s: not all of the macro could be read\n", macroPath.c_str());
    return kExitError;
  }

  // Opened with the profile it was made with, the macro's profile gives the types it expects.
  const std::vector<K7QCheckFinding> findings = CK7QBldSchemaCheck::Run(
      macro, macroText, fresh, wasPath.empty() ? nullptr : &macro.Profile());
  bool faults = false;
  for (const K7QCheckFinding& f : findings) {
    if (f.IsFault()) {
      Record(f);
      faults = true;
      continue;
    }
    const unsigned id = static_cast<unsigned>(f.kind);
    std::fprintf(stderr, "k7q: %u: %s: %s\n", id, ui.String(id).c_str(), f.function.c_str());
  }
  std::fflush(stdout);
  return faults ? kExitFindings : kExitOk;
}

const K7QRegisterCommand kRegister("check", "check MACRO --profile PROFILE [--was PROFILE] [--yes]",
                                   RunCheck);

}  // namespace
