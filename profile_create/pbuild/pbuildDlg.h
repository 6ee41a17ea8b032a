#pragma once

#include <QDialog>
#include <atomic>
#include <memory>
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
class QThread;
class CK7QBldLanguage;
class IK7QBldUserInterface;

// The profile creator's dialog: data source, login, password, base folder,
// schema, sample mode, Start/Stop/Close, a progress bar and three status
// lines. A run goes on a thread of its own, so the window stays alive while
// the driver connects or a statement scans a large table: its questions and
// messages come to this thread and wait for the answer, its progress comes as
// queued updates, and Stop is seen between statements and column lines.
class CPbuildDlg : public QDialog, public IPbuildProgress {
  Q_OBJECT

 public:
  CPbuildDlg(const CK7QBldLanguage& language, IK7QBldUserInterface& ui,
             const std::vector<std::string>& dataSources, const std::string& baseFolder,
             QWidget* parent = nullptr);
  ~CPbuildDlg() override;

  CPbuildCreator& Creator() { return m_creator; }
  // No run, or a run that was asked to stop.
  bool IsIdle() const { return !m_running || m_stopRequested; }
  bool IsRunning() const { return m_running; }
  // The outcome of the last run.
  const CPbuildOutcome& LastOutcome() const { return m_outcome; }

  // IPbuildProgress
  void SetRange(int maximum) override;
  void SetPosition(int position) override;
  void SetStatus(Line line, const std::string& text) override;
  bool Pump() override;
  bool StopRequested() const override { return m_stopRequested; }

 public slots:
  void OnStart();
  void OnStop();
  void OnBrowse();
  void reject() override;

 signals:
  // A run met a failure that ends the program; `code` is its exit status.
  void Fatal(int code);
  // A run ended; LastOutcome() tells how.
  void RunFinished();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  class CWorkerUi;

  void UpdateButtons();
  void ClearStatus();
  void OnRunEnded();
  QString Text(const char* key) const;
  // Runs `update` on this window's thread: at once there, queued from the run's.
  template <typename F>
  void Show(F update);

  const CK7QBldLanguage& m_language;
  IK7QBldUserInterface& m_ui;
  std::atomic<bool> m_stopRequested{false};
  std::atomic<bool> m_closing{false};     // the window goes while a run is on
  std::unique_ptr<CWorkerUi> m_workerUi;  // before m_creator, which holds it
  CPbuildCreator m_creator;
  CPbuildOutcome m_outcome;
  QThread* m_worker = nullptr;
  bool m_running = false;

  QComboBox* m_dataSources = nullptr;
  QLineEdit* m_login = nullptr;
  QLineEdit* m_password = nullptr;
  QLineEdit* m_baseFolder = nullptr;
  QLineEdit* m_schema = nullptr;
  QPushButton* m_browse = nullptr;
  QRadioButton* m_withSamples = nullptr;
  QRadioButton* m_withoutSamples = nullptr;
  QPushButton* m_start = nullptr;
  QPushButton* m_stop = nullptr;
  QPushButton* m_close = nullptr;
  QProgressBar* m_progress = nullptr;
  QLabel* m_status[3] = {};
};
