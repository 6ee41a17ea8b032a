#pragma once

#include <deque>
#include <string>
#include <vector>

#include "K7QBldGroceries.h"
#include "K7QBldLanguage.h"
#include "K7QBldUserInterface.h"

// A user interface whose answers are scripted and which records every box
// shown, so a test can assert the message numbers. Strings come from the real
// builder language library of the build tree (English).
class CK7QScriptedUi : public IK7QBldUserInterface {
 public:
  struct Shown {
    unsigned id;
    std::string text;
    K7QIcon icon;
    K7QButtons buttons;
  };

  CK7QScriptedUi();

  std::string String(unsigned id) const override;
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override;
  void SetDocumentModified() override { ++m_modifiedCount; }
  int SelectNextObject() override { return ++m_nextCount; }
  int SelectPreviousObject() override { return ++m_previousCount; }

  // Answers given to the next boxes, in order; after them `m_defaultAnswer`.
  std::deque<int> m_answers;
  int m_defaultAnswer = kIdOk;
  std::vector<Shown> m_shown;
  int m_modifiedCount = 0;
  int m_nextCount = 0;
  int m_previousCount = 0;

  std::vector<unsigned> Ids() const;

 private:
  CK7QBldLanguage m_language;
};

// A fresh temporary folder, removed with everything in it at destruction.
class CK7QTempDir {
 public:
  CK7QTempDir();
  ~CK7QTempDir();
  CK7QTempDir(const CK7QTempDir&) = delete;
  CK7QTempDir& operator=(const CK7QTempDir&) = delete;
  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

// Reads a whole file as bytes ("" when missing) / writes bytes.
std::string K7QReadFile(const std::string& path);
void K7QWriteFile(const std::string& path, const std::string& bytes);
// Copies the files of a fixture folder into `to` (made if missing), without
// the lock file that a k7q test working on the fixture may hold meanwhile.
void K7QCopyFixtureFolder(const std::string& from, const std::string& to);
// Text in UTF-8 source, as CP932 bytes (tests write fixtures with Japanese text).
std::string K7QSjis(const std::string& utf8);

// Runs the built k7q with `args` (no shell) and gives its exit status (-1 when
// it could not run). Standard output and error go to the named files; an
// empty name leaves that stream as the test's own.
int K7QRunK7q(const std::vector<std::string>& args, const std::string& outFile = {},
              const std::string& errFile = {});
// The same, with standard output captured.
struct K7QRunResult {
  int status = -1;
  std::string out;
};
K7QRunResult K7QRunK7qCapture(const std::vector<std::string>& args);
