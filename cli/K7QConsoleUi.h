#pragma once

#include <string>
#include <vector>

#include "K7QBldGroceries.h"
#include "K7QBldLanguage.h"
#include "K7QBldUserInterface.h"

// The user interface of the command-line tool: messages go to standard error
// with their number and text; questions get a fixed answer, Yes unless set.
class CK7QConsoleUi : public IK7QBldUserInterface {
 public:
  CK7QConsoleUi();

  std::string String(unsigned id) const override;
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override;
  void SetDocumentModified() override { m_modified = true; }
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }

  void SetAnswer(int answer) { m_answer = answer; }
  bool Modified() const { return m_modified; }
  // Message numbers shown so far, in order.
  const std::vector<unsigned>& Shown() const { return m_shown; }
  // Whether a stop-icon report or error was shown.
  bool ErrorShown() const { return m_errorShown; }

 private:
  CK7QBldLanguage m_language;
  int m_answer = kIdYes;
  bool m_modified = false;
  bool m_errorShown = false;
  std::vector<unsigned> m_shown;
};
