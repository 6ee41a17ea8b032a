#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "K7QBldUserInterface.h"

// What the fuzz targets share. A target is one file NAME.cpp in this folder
// that defines LLVMFuzzerTestOneInput and names its seed files on a line
// "// Seeds: GLOB..." (paths from the repository's root); NAME.dict beside
// it, when there is one, holds the tokens of its format.

// A user interface that shows nothing and answers every question with Yes
// (or OK), so that the targets go as far as the code lets them.
class CK7QFuzzUi : public IK7QBldUserInterface {
 public:
  std::string String(unsigned id) const override;
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override;
  void SetDocumentModified() override {}
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }
};

// The process's own folder, TMPDIR/k7qfuzz-PID/work, made on first use.
// Inputs and every file the code writes live in it.
class CK7QFuzzFolder {
 public:
  static CK7QFuzzFolder& Get();
  ~CK7QFuzzFolder();
  CK7QFuzzFolder(const CK7QFuzzFolder&) = delete;
  CK7QFuzzFolder& operator=(const CK7QFuzzFolder&) = delete;
  const std::string& Work() const { return m_work; }
  std::string File(const std::string& name) const { return m_work + "/" + name; }

  // Writes `bytes` to the file `name` of the work folder.
  void Put(const std::string& name, std::string_view bytes) const;
  // Removes every file of the work folder but those in `keep`, and aborts
  // when a file appeared beside the work folder: a name escaped it.
  void Reset(const std::set<std::string>& keep) const;

 private:
  CK7QFuzzFolder();
  std::string m_root;
  std::string m_work;
};

// The bytes of a file of the repository's test data (as the build knows its root).
std::string K7QFuzzFixture(const std::string& relative);
