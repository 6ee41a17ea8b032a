#pragma once

#include <QDialog>

// The splash window (template 159): one picture control (1282) showing
// bitmap 222, modeless, owned by the main window.
class CK7QBldSplash : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kIdPicture = 1282;
  explicit CK7QBldSplash(QWidget* owner);
};

// The About box (template 100).
class CK7QBldAbout : public QDialog {
  Q_OBJECT

 public:
  CK7QBldAbout(QWidget* owner, const QString& caption, const QString& text);
};
