#include "PbuildConsoleUi.h"

#include <cstdio>

#include "K7QBldLanguage.h"

std::string CPbuildConsoleUi::String(unsigned id) const { return m_language.String(id); }

void CPbuildConsoleUi::SetAnswer(unsigned id, int answer) { m_answers.emplace_back(id, answer); }

int CPbuildConsoleUi::Prompt(unsigned id, const std::string& text, K7QIcon icon,
                             K7QButtons buttons) {
  m_shown.push_back(id);
  if (icon == K7QIcon::Stop) m_errorShown = true;
  std::fprintf(stderr, "pbuild: %u: %s\n", id, text.c_str());
  if (buttons == K7QButtons::Ok) return kIdOk;
  for (const auto& [question, answer] : m_answers) {
    if (question == id) return answer;
  }
  // A question nobody answered beforehand is declined: a script never
  // agrees to something it did not ask for.
  return buttons == K7QButtons::OkCancel ? kIdCancel : kIdNo;
}
