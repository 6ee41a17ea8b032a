#pragma once

#include <QMainWindow>

#include "K7QBldSettings.h"

// The builder's top-level window. It restores its placement from the
// "WindowPos" setting when shown at start and writes it back when it closes.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  explicit CMainFrame(QWidget* parent = nullptr);

  // Applies the stored placement when it is valid; a show command other than
  // normal requested by the caller replaces the stored one. Then shows.
  void RestoreAndShow(unsigned callerShowCmd = K7QBldSettings::kShowNormal);
  // The placement as it would be written now.
  K7QBldSettings::WindowPlacement CurrentPlacement() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
};
