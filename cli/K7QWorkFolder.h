#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <system_error>

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
