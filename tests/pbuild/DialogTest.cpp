// The dialog on the offscreen platform: which buttons a state allows, a run
// from the Start button, and Stop pressed while the run handles events.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <functional>

#include "K7QBldFile.h"
#include "K7QBldLanguage.h"
#include "PbuildMessages.h"
#include "PbuildTestSupport.h"
#include "pbuildDlg.h"

namespace {

// The scripted answers, with a look at the window as each box would show.
class CWindowUi : public CK7QScriptedUi {
 public:
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override {
    if (m_onPrompt) m_onPrompt(id);
    return CK7QScriptedUi::Prompt(id, text, icon, buttons);
  }
  std::function<void(unsigned)> m_onPrompt;
};

struct DialogFixture {
  CK7QBldLanguage language;
  CWindowUi ui;
  CK7QTempDir base;
  std::unique_ptr<CPbuildDlg> dialog;

  DialogFixture() {
    language.SetJapanese(false);
    language.Load("pbuild_lang.so", K7Q_BIN_DIR);
    dialog = std::make_unique<CPbuildDlg>(language, ui, std::vector<std::string>{kDsnB, kDsnA},
                                          base.Path());
    dialog->Creator().SetImageFolder(std::string(K7Q_SOURCE_DIR) + "/data/tovra");
  }
  template <typename T>
  T* Find(const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
  }
};

}  // namespace

TEST(PbuildDialog, StartNeedsDataSourceLoginAndFolder) {
  DialogFixture d;
  auto* start = d.Find<QPushButton>("start");
  ASSERT_NE(start, nullptr);
  EXPECT_FALSE(start->isEnabled());
  EXPECT_FALSE(d.Find<QPushButton>("stop")->isEnabled());
  EXPECT_TRUE(d.Find<QPushButton>("close")->isEnabled());
  EXPECT_EQ(d.Find<QLineEdit>("baseFolder")->text().toStdString(), d.base.Path());
  EXPECT_TRUE(d.Find<QRadioButton>("modeSamples")->isChecked());
  d.Find<QComboBox>("dataSources")->setCurrentIndex(1);
  EXPECT_FALSE(start->isEnabled());
  d.Find<QLineEdit>("login")->setText("k7q");
  EXPECT_TRUE(start->isEnabled());
  d.Find<QLineEdit>("baseFolder")->clear();
  EXPECT_FALSE(start->isEnabled());
}

TEST(PbuildDialog, RunGoesOnItsOwnThreadAndStopEndsIt) {
  MakeSqlite(kDsnA,
             "CREATE TABLE t(a INTEGER, b INTEGER, c INTEGER);\nINSERT INTO t VALUES (1,2,3);\n");
  DialogFixture d;
  d.Find<QComboBox>("dataSources")->setCurrentIndex(1);
  d.Find<QLineEdit>("login")->setText("k7q");
  // A base folder that is not there yet: the run asks before it makes it.
  const std::string base = d.base.Path() + "/new/level";
  d.Find<QLineEdit>("baseFolder")->setText(QString::fromStdString(base));
  auto* stop = d.Find<QPushButton>("stop");
  auto* close = d.Find<QPushButton>("close");
  bool onWindowThread = false;
  bool stopWasEnabled = false;
  bool closeWasEnabled = true;
  d.ui.m_onPrompt = [&](unsigned id) {
    if (id != kIdsCreateBaseHead) return;
    onWindowThread = QThread::currentThread() == d.dialog->thread();
    stopWasEnabled = stop->isEnabled();
    closeWasEnabled = close->isEnabled();
    stop->click();
  };
  d.ui.m_answers = {kIdYes};
  QSignalSpy finished(d.dialog.get(), &CPbuildDlg::RunFinished);
  d.Find<QPushButton>("start")->click();
  EXPECT_TRUE(d.dialog->IsRunning());
  ASSERT_TRUE(finished.wait(30000));
  EXPECT_TRUE(onWindowThread);
  EXPECT_TRUE(stopWasEnabled);
  EXPECT_FALSE(closeWasEnabled);
  EXPECT_EQ(d.dialog->LastOutcome().status, CPbuildOutcome::kStopped);
  // The folders the stopped run made went with it.
  EXPECT_TRUE(FolderEntries(d.base.Path()).empty());
  EXPECT_TRUE(close->isEnabled());
  EXPECT_FALSE(stop->isEnabled());

  d.ui.m_onPrompt = nullptr;
  d.ui.m_answers = {kIdYes};
  d.Find<QRadioButton>("modeNoSamples")->setChecked(true);
  d.Find<QPushButton>("start")->click();
  ASSERT_TRUE(finished.wait(30000));
  EXPECT_EQ(d.dialog->LastOutcome().status, CPbuildOutcome::kDone);
  EXPECT_EQ(d.ui.Ids().back(), 124u);
  EXPECT_TRUE(K7QFile::Exists(base + "/k7q_pro_K7QTestA/K7QTestA.k7q_pro"));
  EXPECT_TRUE(d.Find<QLabel>("status0")->text().isEmpty());
}

TEST(PbuildDialog, WindowStaysAliveWhileTheServerNeverAnswers) {
  ASSERT_GT(HangingListenerPort(), 0);
  DialogFixture d;
  d.dialog->Creator().SetTimeouts(2, 0);
  auto* sources = d.Find<QComboBox>("dataSources");
  sources->addItem(kDsnHang);
  sources->setCurrentIndex(sources->count() - 1);
  d.Find<QLineEdit>("login")->setText("k7q");
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(50);
  QSignalSpy finished(d.dialog.get(), &CPbuildDlg::RunFinished);
  QElapsedTimer clock;
  clock.start();
  d.Find<QPushButton>("start")->click();
  ASSERT_TRUE(finished.wait(30000));
  // The login timeout ended the wait, and the window handled its events all along.
  EXPECT_LT(clock.elapsed(), 15000);
  EXPECT_GT(ticks, 10);
  EXPECT_EQ(d.dialog->LastOutcome().status, CPbuildOutcome::kFailed);
  EXPECT_EQ(d.ui.Ids().back(), kIdsErrorBase + PbuildError::kConnect);
  EXPECT_TRUE(FolderEntries(d.base.Path()).empty());
}
