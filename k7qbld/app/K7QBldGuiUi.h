#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "K7QBldUserInterface.h"

class CK7QBldLanguage;
class CK7QBldGroceriesUi;

// The builder's user interface for the core: message boxes owned by the main
// window, captioned with string 128; strings from the language library.
class CK7QBldGuiUi : public IK7QBldUserInterface {
 public:
  CK7QBldGuiUi(const CK7QBldLanguage& language, CK7QBldGroceriesUi& groceriesUi)
      : m_language(language), m_groceriesUi(groceriesUi) {}

  std::string String(unsigned id) const override;
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override;
  int PromptCaptioned(unsigned captionId, unsigned id, const std::string& text, K7QIcon icon,
                      K7QButtons buttons) override;
  void SetDocumentModified() override;
  int SelectNextObject() override;
  int SelectPreviousObject() override;

  void SetOwner(QWidget* owner) { m_owner = owner; }

 private:
  const CK7QBldLanguage& m_language;
  CK7QBldGroceriesUi& m_groceriesUi;
  QPointer<QWidget> m_owner;
};
