#pragma once

#include <filesystem>
#include <string>
#include <system_error>

#include "K7QBldLock.h"
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

// Takes the lock of the folder that holds `profilePath` for a command that
// opens or builds a macro from it, so that no builder works there meanwhile:
// false (reported) when a builder is at work there. Other k7q commands
// share the lock; they work in folders of their own.
inline bool K7QLockProfileFolder(CK7QBldLock& lock, const std::string& profilePath,
                                 const CK7QBldGroceries& groceries) {
  std::error_code ec;
  const std::filesystem::path profile = std::filesystem::absolute(profilePath, ec);
  return lock.LockProfileFolder(ec ? std::filesystem::path(profilePath).parent_path().string()
                                   : profile.parent_path().string(),
                                "k7q", groceries, CK7QBldLock::Mode::Shared);
}
