#include "K7QBldLanguage.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "K7QBldFile.h"

CK7QBldLanguage::~CK7QBldLanguage() { Free(); }

bool CK7QBldLanguage::Load(const std::string& fileName, const std::string& programFolder) {
  Free();
  if (!programFolder.empty()) {
    m_handle = ::dlopen(K7QFile::Join(programFolder, fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (!m_handle) m_handle = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!m_handle) return false;
  m_string = reinterpret_cast<StringFn>(::dlsym(m_handle, "K7QLangString"));
  m_text = reinterpret_cast<TextFn>(::dlsym(m_handle, "K7QLangText"));
  if (!m_string) {
    Free();
    return false;
  }
  return true;
}

void CK7QBldLanguage::Free() {
  if (m_handle) ::dlclose(m_handle);
  m_handle = nullptr;
  m_string = nullptr;
  m_text = nullptr;
}

std::string CK7QBldLanguage::String(unsigned id) const {
  if (!m_string) return {};
  const char* s = m_string(id, m_japanese ? 1 : 0);
  return s ? s : "";
}

std::string CK7QBldLanguage::Text(const std::string& key) const {
  if (!m_text) return {};
  const char* s = m_text(key.c_str(), m_japanese ? 1 : 0);
  return s ? s : "";
}

bool CK7QBldLanguage::LocaleIsJapanese() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return std::strncmp(value, "ja", 2) == 0;
  }
  return false;
}

std::string CK7QBldLanguage::ProgramFolder() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return K7QFile::Folder(std::string(buffer, static_cast<std::size_t>(n)));
}
