#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "PbuildCreator.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class CK7QBldLanguage;
class IK7QBldUserInterface;

// The profile creator's dialog: data source, login, password, base folder,
// sample mode, Start/Stop/Close, a progress bar and three status lines. A run
// happens inside the Start handler; pending events are handled once per
// column line, so Stop and repainting keep working.
class CPbuildDlg : public QDialog, public IPbuildProgress {
  Q_OBJECT

 public:
  CPbuildDlg(const CK7QBldLanguage& language, IK7QBldUserInterface& ui,
             const std::vector<std::string>& dataSources, const std::string& baseFolder,
             QWidget* parent = nullptr);

  CPbuildCreator& Creator() { return m_creator; }
  bool IsIdle() const { return m_idle; }
  // The outcome of the last run.
  const CPbuildOutcome& LastOutcome() const { return m_outcome; }

  // IPbuildProgress
  void SetRange(int maximum) override;
  void SetPosition(int position) override;
  void SetStatus(Line line, const std::string& text) override;
  bool Pump() override;
  bool StopRequested() const override { return m_idle; }

 public slots:
  void OnStart();
  void OnStop();
  void OnBrowse();
  void reject() override;

 signals:
  // A run met a failure that ends the program; `code` is its exit status.
  void Fatal(int code);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void UpdateButtons();
  void ClearStatus();
  QString Text(const char* key) const;

  const CK7QBldLanguage& m_language;
  IK7QBldUserInterface& m_ui;
  CPbuildCreator m_creator;
  CPbuildOutcome m_outcome;
  bool m_idle = true;
  bool m_running = false;

  QComboBox* m_dataSources = nullptr;
  QLineEdit* m_login = nullptr;
  QLineEdit* m_password = nullptr;
  QLineEdit* m_baseFolder = nullptr;
  QPushButton* m_browse = nullptr;
  QRadioButton* m_withSamples = nullptr;
  QRadioButton* m_withoutSamples = nullptr;
  QPushButton* m_start = nullptr;
  QPushButton* m_stop = nullptr;
  QPushButton* m_close = nullptr;
  QProgressBar* m_progress = nullptr;
  QLabel* m_status[3] = {};
};
