#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "K7QBldUserInterface.h"

class CK7QBldLanguage;

// Message boxes for the dialog program, owned by the dialog once it exists,
// captioned with the program's title.
class CPbuildGuiUi : public IK7QBldUserInterface {
 public:
  explicit CPbuildGuiUi(const CK7QBldLanguage& language) : m_language(language) {}

  std::string String(unsigned id) const override;
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override;
  void SetDocumentModified() override {}
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }

  void SetParent(QWidget* parent) { m_parent = parent; }
  // Replaces the boxes (screenshots and tests): called with each message instead.
  void SetInterceptor(std::function<int(unsigned, const std::string&, K7QButtons)> interceptor) {
    m_interceptor = std::move(interceptor);
  }

 private:
  const CK7QBldLanguage& m_language;
  QPointer<QWidget> m_parent;
  std::function<int(unsigned, const std::string&, K7QButtons)> m_interceptor;
};
