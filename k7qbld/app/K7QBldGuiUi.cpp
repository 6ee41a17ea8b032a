#include "K7QBldGuiUi.h"

#include <QMessageBox>

#include "K7QBldGroceriesUi.h"
#include "K7QBldLanguage.h"

std::string CK7QBldGuiUi::String(unsigned id) const { return m_language.String(id); }

int CK7QBldGuiUi::Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) {
  return PromptCaptioned(kIdsAppTitle, id, text, icon, buttons);
}

int CK7QBldGuiUi::PromptCaptioned(unsigned captionId, unsigned, const std::string& text,
                                  K7QIcon icon, K7QButtons buttons) {
  QMessageBox box(m_owner);
  box.setWindowTitle(QString::fromStdString(String(captionId)));
  box.setText(QString::fromStdString(text));
  switch (icon) {
    case K7QIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case K7QIcon::Information: box.setIcon(QMessageBox::Information); break;
    case K7QIcon::Question: box.setIcon(QMessageBox::Question); break;
    case K7QIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case K7QIcon::Stop: box.setIcon(QMessageBox::Critical); break;
  }
  switch (buttons) {
    case K7QButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case K7QButtons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case K7QButtons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case K7QButtons::YesNoCancel:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Ok: return kIdOk;
    case QMessageBox::Yes: return kIdYes;
    case QMessageBox::No: return kIdNo;
    default: return kIdCancel;
  }
}

void CK7QBldGuiUi::SetDocumentModified() { m_groceriesUi.SetDocumentModified(); }
int CK7QBldGuiUi::SelectNextObject() { return m_groceriesUi.SelectNextObject(); }
int CK7QBldGuiUi::SelectPreviousObject() { return m_groceriesUi.SelectPreviousObject(); }
