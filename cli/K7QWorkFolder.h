#pragma once

#include <string>

#include "K7QBldWorkFolder.h"

// A temporary folder for one command, removed with everything in it when the
// command ends (or a signal ends it). Commands that open or build a macro
// read the profile from a copy here, so working pages and components never
// land in the author's profile folder. Path() is empty when no folder could
// be made.
class CWorkFolder {
 public:
  CWorkFolder() : m_path(K7QWorkFolder::Make()) {}
  ~CWorkFolder() { K7QWorkFolder::Remove(m_path); }
  CWorkFolder(const CWorkFolder&) = delete;
  CWorkFolder& operator=(const CWorkFolder&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};
