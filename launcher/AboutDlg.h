#pragma once

#include <QDialog>

// Dialog 100, the launcher's About box.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};
