#pragma once

#include <string>

// A language resource library: a shared library that holds a program's
// string table in Japanese and in English. It is loaded once at start-up;
// the locale chooses the language (ja_* Japanese, anything else English).
//
// The library exports two C functions:
//   const char* K7QLangString(unsigned id, int japanese);   // numbered strings
//   const char* K7QLangText(const char* key, int japanese); // named layout texts
// Both return UTF-8, or a null pointer when the library has no such entry.
class CK7QBldLanguage {
 public:
  CK7QBldLanguage() = default;
  ~CK7QBldLanguage();
  CK7QBldLanguage(const CK7QBldLanguage&) = delete;
  CK7QBldLanguage& operator=(const CK7QBldLanguage&) = delete;

  // Looks for `fileName` in `programFolder` first, then through the ordinary
  // library search. False when it cannot be loaded.
  bool Load(const std::string& fileName, const std::string& programFolder);
  void Free();
  bool IsLoaded() const { return m_handle != nullptr; }

  // Overrides the locale's choice.
  void SetJapanese(bool japanese) { m_japanese = japanese; }
  bool IsJapanese() const { return m_japanese; }

  std::string String(unsigned id) const;
  std::string Text(const std::string& key) const;

  // True when the environment's locale (LC_ALL, LC_MESSAGES, LANG) is Japanese.
  static bool LocaleIsJapanese();
  // The folder that holds the running executable.
  static std::string ProgramFolder();

 private:
  using StringFn = const char* (*)(unsigned, int);
  using TextFn = const char* (*)(const char*, int);
  void* m_handle = nullptr;
  StringFn m_string = nullptr;
  TextFn m_text = nullptr;
  bool m_japanese = LocaleIsJapanese();
};
