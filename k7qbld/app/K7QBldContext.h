#pragma once

#include <QString>
#include <string>

#include "K7QBldGroceries.h"
#include "K7QBldGroceriesUi.h"
#include "K7QBldLanguage.h"
#include "K7QBldUserInterface.h"

// What every window of the builder reaches: the language library, the
// utility object and its window companion, and the user interface through
// which messages are shown. The application object owns them; tests build
// one around a scripted user interface.
struct CK7QBldContext {
  CK7QBldLanguage& language;
  CK7QBldGroceries& groceries;
  CK7QBldGroceriesUi& groceriesUi;

  IK7QBldUserInterface& Ui() const { return groceries.Ui(); }
  // A numbered string as shown in windows.
  QString String(unsigned id) const { return QString::fromStdString(language.String(id)); }
  // A named text of a window; `fallback` (English) when the library has none.
  QString Text(const char* key, const char* fallback = "") const {
    const std::string s = language.Text(key);
    return QString::fromUtf8(s.empty() ? fallback : s.c_str());
  }
};

// CP932 bytes of the core <-> text of the windows.
QString K7QFromCp932(const std::string& bytes);
// False when the text holds a character CP932 cannot hold (nothing is substituted).
bool K7QToCp932(const QString& text, std::string& bytes);
// File paths are the platform's bytes (UTF-8 here).
inline QString K7QFromPath(const std::string& path) { return QString::fromStdString(path); }
inline std::string K7QToPath(const QString& path) { return path.toStdString(); }
