#include "K7QConsoleUi.h"

#include <cstdio>

CK7QConsoleUi::CK7QConsoleUi() {
  // Without the library the numbers still tell what happened.
  m_language.Load("K7QBld_lang.so", CK7QBldLanguage::ProgramFolder());
}

std::string CK7QConsoleUi::String(unsigned id) const { return m_language.String(id); }

int CK7QConsoleUi::Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) {
  m_shown.push_back(id);
  if (icon == K7QIcon::Stop) m_errorShown = true;
  if (id != 0) {
    std::fprintf(stderr, "k7q: %u: %s\n", id, text.c_str());
  } else {
    std::fprintf(stderr, "k7q: %s\n", text.c_str());
  }
  switch (buttons) {
    case K7QButtons::Ok: return kIdOk;
    case K7QButtons::OkCancel: return m_answer == kIdYes ? kIdOk : m_answer;
    case K7QButtons::YesNo: return m_answer == kIdCancel ? kIdNo : m_answer;
    case K7QButtons::YesNoCancel: return m_answer;
  }
  return m_answer;
}
