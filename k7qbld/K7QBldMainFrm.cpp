#include "K7QBldMainFrm.h"

#include <QCloseEvent>

#include "K7QBldArtwork.h"

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("MainFrame"));
  setWindowIcon(K7QBldArtwork::ApplicationIcon());
  resize(900, 640);
}

void CMainFrame::RestoreAndShow(unsigned callerShowCmd) {
  using namespace K7QBldSettings;
  unsigned showCmd = callerShowCmd;
  WindowPlacement stored;
  if (ParseWindowPos(Value(kSettings, QStringLiteral("WindowPos")), stored)) {
    if (stored.normal.isValid()) setGeometry(stored.normal);
    if (callerShowCmd == kShowNormal) showCmd = stored.showCmd;
  }
  switch (showCmd) {
    case kShowMinimized:
    case 6:  // minimise
    case 7:  // minimised, not active
      showMinimized();
      break;
    case kShowMaximized: showMaximized(); break;
    default: showNormal(); break;
  }
  update();
}

K7QBldSettings::WindowPlacement CMainFrame::CurrentPlacement() const {
  K7QBldSettings::WindowPlacement p;
  p.flags = isMaximized() ? K7QBldSettings::kRestoreToMaximized : 0;
  p.showCmd = isMinimized()   ? K7QBldSettings::kShowMinimized
              : isMaximized() ? K7QBldSettings::kShowMaximized
                              : K7QBldSettings::kShowNormal;
  p.normal = normalGeometry().isValid() ? normalGeometry() : geometry();
  return p;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  K7QBldSettings::SetValue(K7QBldSettings::kSettings, QStringLiteral("WindowPos"),
                           K7QBldSettings::FormatWindowPos(CurrentPlacement()));
  QMainWindow::closeEvent(event);
}
