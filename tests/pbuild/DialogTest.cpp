// The dialog on the offscreen platform: which buttons a state allows, a run
// from the Start button, and Stop pressed while the run handles events.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "K7QBldFile.h"
#include "K7QBldLanguage.h"
#include "PbuildTestSupport.h"
#include "pbuildDlg.h"

namespace {

struct DialogFixture {
  CK7QBldLanguage language;
  CK7QScriptedUi ui;
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

TEST(PbuildDialog, StartRunsAndStopEndsTheRunBetweenColumnLines) {
  MakeSqlite(kDsnA,
             "CREATE TABLE t(a INTEGER, b INTEGER, c INTEGER);\nINSERT INTO t VALUES (1,2,3);\n");
  DialogFixture d;
  d.Find<QComboBox>("dataSources")->setCurrentIndex(1);
  d.Find<QLineEdit>("login")->setText("k7q");
  auto* stop = d.Find<QPushButton>("stop");
  auto* close = d.Find<QPushButton>("close");
  bool stopWasEnabled = false;
  bool closeWasEnabled = true;
  QTimer::singleShot(0, [&] {
    stopWasEnabled = stop->isEnabled();
    closeWasEnabled = close->isEnabled();
    stop->click();
  });
  d.Find<QPushButton>("start")->click();
  EXPECT_TRUE(stopWasEnabled);
  EXPECT_FALSE(closeWasEnabled);
  EXPECT_EQ(d.dialog->LastOutcome().status, CPbuildOutcome::kStopped);
  EXPECT_TRUE(FolderEntries(d.base.Path()).empty());
  EXPECT_TRUE(close->isEnabled());
  EXPECT_FALSE(stop->isEnabled());

  d.Find<QRadioButton>("modeNoSamples")->setChecked(true);
  d.Find<QPushButton>("start")->click();
  EXPECT_EQ(d.dialog->LastOutcome().status, CPbuildOutcome::kDone);
  EXPECT_EQ(d.ui.Ids().back(), 124u);
  EXPECT_TRUE(K7QFile::Exists(d.base.Path() + "/k7q_pro_K7QTestA/K7QTestA.k7q_pro"));
  EXPECT_TRUE(d.Find<QLabel>("status0")->text().isEmpty());
}
