#pragma once

#include <string>
#include <vector>

#include "K7QBldGroceries.h"
#include "K7QBldLanguage.h"
#include "K7QBldUserInterface.h"

// The user interface of the command-line tool: messages go to standard error
// with their number and text. A question is asked on the terminal when
// there is one; without one it is answered No (Cancel), unless an answer was
// set (a command's --yes), so that a script never consents by accident.
class CK7QConsoleUi : public IK7QBldUserInterface {
 public:
  CK7QConsoleUi();

  std::string String(unsigned id) const override;
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override;
  void SetDocumentModified() override { m_modified = true; }
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }

  // Answers every question with `answer` (kIdYes, kIdNo) instead of asking.
  void SetAnswer(int answer) { m_answer = answer; }
  bool Modified() const { return m_modified; }
  // Message numbers shown so far, in order.
  const std::vector<unsigned>& Shown() const { return m_shown; }
  // Whether a stop-icon report or error was shown.
  bool ErrorShown() const { return m_errorShown; }

 private:
  int Ask(K7QButtons buttons) const;

  CK7QBldLanguage m_language;
  int m_answer = 0;  // 0: ask the terminal, or No without one
  bool m_modified = false;
  bool m_errorShown = false;
  std::vector<unsigned> m_shown;
};
