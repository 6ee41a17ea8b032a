#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

class QRadioButton;

// Dialog 102, the launcher's main window: the user picks the kind of data
// source and OK starts the matching profile creator.
class CPlaunchDlg : public QDialog {
  Q_OBJECT

 public:
  // Control identifiers, used as object names.
  static constexpr int kIdVq5 = 1000;
  static constexpr int kIdOdbc = 1001;
  static constexpr int kIdOk = 1;
  static constexpr int kIdCancel = 2;
  static constexpr int kIdAbout = 16;

  explicit CPlaunchDlg(QWidget* parent = nullptr);

  // 0: the database through its call-level interface ("VQ5"), 1: ODBC.
  int Choice() const { return m_choice; }
  static QString ProgramFor(int choice);

  // The folder searched first for the programs; the launcher's own by default.
  void SetProgramFolder(const QString& folder) { m_programFolder = folder; }
  // Shows an error text; a message box unless a test replaces it.
  void SetMessageHook(std::function<void(const QString&)> hook) { m_showMessage = std::move(hook); }

  // Where `name` is found: `folders` in order, then the search path. Empty
  // when nowhere.
  static QString FindProgram(const QString& name, const QStringList& folders);

  void OnOK();
  void OnAbout();

 private:
  int m_choice = 0;
  QString m_programFolder;
  std::function<void(const QString&)> m_showMessage;
};
