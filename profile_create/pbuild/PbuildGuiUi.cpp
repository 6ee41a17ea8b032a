#include "PbuildGuiUi.h"

#include <QMessageBox>

#include "K7QBldLanguage.h"

std::string CPbuildGuiUi::String(unsigned id) const { return m_language.String(id); }

int CPbuildGuiUi::Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) {
  if (m_interceptor) return m_interceptor(id, text, buttons);
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  switch (icon) {
    case K7QIcon::None:
      break;
    case K7QIcon::Information:
      boxIcon = QMessageBox::Information;
      break;
    case K7QIcon::Question:
      boxIcon = QMessageBox::Question;
      break;
    case K7QIcon::Exclamation:
      boxIcon = QMessageBox::Warning;
      break;
    case K7QIcon::Stop:
      boxIcon = QMessageBox::Critical;
      break;
  }
  QMessageBox::StandardButtons set = QMessageBox::Ok;
  switch (buttons) {
    case K7QButtons::Ok:
      set = QMessageBox::Ok;
      break;
    case K7QButtons::OkCancel:
      set = QMessageBox::Ok | QMessageBox::Cancel;
      break;
    case K7QButtons::YesNo:
      set = QMessageBox::Yes | QMessageBox::No;
      break;
    case K7QButtons::YesNoCancel:
      set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      break;
  }
  QMessageBox box(boxIcon, QString::fromStdString(m_language.Text("dialog.caption")),
                  QString::fromStdString(text), set, m_parent);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return kIdYes;
    case QMessageBox::No:
      return kIdNo;
    case QMessageBox::Cancel:
      return kIdCancel;
    default:
      return kIdOk;
  }
}
