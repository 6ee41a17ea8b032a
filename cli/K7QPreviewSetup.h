#pragma once

#include <memory>
#include <string>

#include "K7QCommand.h"
#include "K7QConsoleUi.h"
#include "K7QPreviewInterpreter.h"
#include "K7QPreviewMacro.h"
#include "K7QPreviewOdbcRunner.h"

// What k7q run and k7q serve share: the options both take, the macro read
// for running, the data source and login, and the limits.
class CK7QPreviewSetup {
 public:
  // The options both commands take, one usage line.
  static constexpr const char* kUsage =
      "--profile P [--folder DIR] [--date YYYYMMDD] [--row-limit N] [--time-limit SECONDS] "
      "[--user U] [--password-file F|-]";

  // Takes args[i] (and its value) when it is one of the shared options;
  // false otherwise. `error` is set for a shared option with a bad value.
  bool TakeOption(const K7QArgs& args, std::size_t& i, std::string& error);
  void SetMacroPath(std::string path) { m_macroPath = std::move(path); }
  const std::string& MacroPath() const { return m_macroPath; }
  // Empty when the arguments are complete, else what is missing.
  std::string Check() const;

  // Reads the profile and the macro and prepares the runner; false (after a
  // message on standard error) when either cannot be read.
  bool Load();
  // Reads the macro again when the file changed since the last read (the
  // builder saves a new copy for each preview); false when it cannot be read.
  bool Reload();

  // Connects to the data source now; false (with 63846 and the database's
  // reason on standard error) when it refuses.
  bool CheckConnection();

  const CK7QPreviewMacro& Macro() const { return m_macro; }
  CK7QPreviewInterpreter MakeInterpreter();
  CK7QConsoleUi& Ui() { return m_ui; }
  const std::string& Folder() const { return m_options.folder; }

  // Prints the notes of a page on standard error as "k7q: NUMBER: text".
  void PrintNotes(const CK7QPreviewInterpreter& interpreter, const CK7QPreviewPage& page) const;

 private:
  bool ReadMacro();

  CK7QConsoleUi m_ui;
  std::string m_macroPath;
  std::string m_profilePath;
  std::string m_user;
  std::string m_password;
  bool m_userGiven = false;
  bool m_passwordGiven = false;
  std::string m_passwordFile;  // a --password-file that could not be read
  CK7QPreviewOptions m_options;
  CK7QPreviewMacro m_macro;
  long long m_macroSize = -1;
  long long m_macroTime = -1;
  std::unique_ptr<CK7QPreviewOdbcRunner> m_runner;
};

// Writes a page to `path` through a unique temporary file beside it, renamed
// over it in one step; an existing file keeps its mode, a link its target.
// False (after a message) on failure.
bool K7QWritePageFile(CK7QConsoleUi& ui, const std::string& path, const std::string& bytes);
