#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "K7QBldLock.h"

// A temporary folder for one command, removed with everything in it when the
// command ends. Commands that open or build a macro read the profile from a
// copy here, so working pages and components never land in the author's
// profile folder. Path() is empty when no folder could be made.
class CWorkFolder {
 public:
  CWorkFolder() {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "k7q-XXXXXX").string();
    if (!ec && ::mkdtemp(pattern.data())) m_path = pattern;
  }
  ~CWorkFolder() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  CWorkFolder(const CWorkFolder&) = delete;
  CWorkFolder& operator=(const CWorkFolder&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

// Takes the lock of the folder that holds `profilePath` for a command that
// opens or builds a macro from it, as the builder does while a profile is
// open: false (reported) when a builder or another k7q is at work there.
inline bool K7QLockProfileFolder(CK7QBldLock& lock, const std::string& profilePath,
                                 const CK7QBldGroceries& groceries) {
  std::error_code ec;
  const std::filesystem::path profile = std::filesystem::absolute(profilePath, ec);
  return lock.LockProfileFolder(ec ? std::filesystem::path(profilePath).parent_path().string()
                                   : profile.parent_path().string(),
                                "k7q", groceries);
}
