#pragma once

#include <string>
#include <vector>

#include "K7QBldUserInterface.h"

class CK7QBldLanguage;

// The batch form's user interface: every message goes to standard error with
// its number; questions are answered by the command line's flags.
class CPbuildConsoleUi : public IK7QBldUserInterface {
 public:
  explicit CPbuildConsoleUi(const CK7QBldLanguage& language) : m_language(language) {}

  std::string String(unsigned id) const override;
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override;
  void SetDocumentModified() override {}
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }

  // The answer to a question shown with message `id`.
  void SetAnswer(unsigned id, int answer);
  const std::vector<unsigned>& Shown() const { return m_shown; }
  // Whether any message was an error (the stop icon).
  bool ShowedError() const { return m_errorShown; }

 private:
  const CK7QBldLanguage& m_language;
  std::vector<std::pair<unsigned, int>> m_answers;
  std::vector<unsigned> m_shown;
  bool m_errorShown = false;
};
