#include "K7QConsoleUi.h"

#include <unistd.h>

#include <cstdio>
#include <string>

CK7QConsoleUi::CK7QConsoleUi() {
  // Without the library the numbers still tell what happened.
  m_language.Load("K7QBld_lang.so", CK7QBldLanguage::ProgramFolder());
}

std::string CK7QConsoleUi::String(unsigned id) const { return m_language.String(id); }

// The answer of the person at the terminal; No (or Cancel) without one or
// at the end of the input.
int CK7QConsoleUi::Ask(K7QButtons buttons) const {
  const bool cancel = buttons == K7QButtons::OkCancel || buttons == K7QButtons::YesNoCancel;
  const int no = buttons == K7QButtons::OkCancel ? kIdCancel : kIdNo;
  if (!isatty(STDIN_FILENO) || !isatty(STDERR_FILENO)) return no;
  std::fprintf(stderr, "k7q: %s ",
               buttons == K7QButtons::OkCancel ? "[ok/Cancel]"
               : cancel                        ? "[yes/No/cancel]"
                                               : "[yes/No]");
  std::fflush(stderr);
  char line[64];
  if (!std::fgets(line, sizeof line, stdin)) return no;
  const std::string answer(line);
  if (answer.rfind("y", 0) == 0 || answer.rfind("Y", 0) == 0) return kIdYes;
  if (answer.rfind("o", 0) == 0 || answer.rfind("O", 0) == 0)
    return buttons == K7QButtons::OkCancel ? kIdOk : no;
  if (cancel && (answer.rfind("c", 0) == 0 || answer.rfind("C", 0) == 0)) return kIdCancel;
  return no;
}

int CK7QConsoleUi::Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) {
  m_shown.push_back(id);
  if (icon == K7QIcon::Stop) m_errorShown = true;
  if (id != 0) {
    std::fprintf(stderr, "k7q: %u: %s\n", id, text.c_str());
  } else {
    std::fprintf(stderr, "k7q: %s\n", text.c_str());
  }
  if (buttons == K7QButtons::Ok) return kIdOk;
  const int answer = m_answer != 0 ? m_answer : Ask(buttons);
  if (buttons == K7QButtons::OkCancel)
    return answer == kIdYes || answer == kIdOk ? kIdOk : kIdCancel;
  if (buttons == K7QButtons::YesNo && answer == kIdCancel) return kIdNo;
  return answer;
}
