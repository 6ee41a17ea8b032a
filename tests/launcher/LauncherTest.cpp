// The launcher starts the chosen profile creator by name and ends; a missing
// program is reported with its name.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include "K7QTestSupport.h"
#include "plaunchDlg.h"

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A stand-in profile creator: records "<name> <folder tag>" into `marker`.
void WriteStandIn(const std::string& folder, const std::string& name, const std::string& marker,
                  const std::string& tag) {
  const std::string path = folder + "/" + name;
  K7QWriteFile(path, "#!/bin/sh\nprintf '%s' '" + name + " " + tag + "' > '" + marker + "'\n");
  QFile::setPermissions(Q(path), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The stand-in runs detached; give it a moment to leave its mark.
std::string WaitForMarker(const std::string& marker) {
  QDeadlineTimer deadline(10000);
  while (!deadline.hasExpired()) {
    const std::string text = K7QReadFile(marker);
    if (!text.empty()) return text;
    QThread::msleep(20);
  }
  return std::string();
}

// Runs each test in an empty current folder with a search path of its own.
class Launcher : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* sub : {"own", "cwd", "path"}) QDir().mkpath(Q(m_dir.File(sub)));
    m_oldPath = qgetenv("PATH");
    m_oldCwd = QDir::currentPath();
    qputenv("PATH", Q(m_dir.File("path")).toLocal8Bit());
    QDir::setCurrent(Q(m_dir.File("cwd")));
    m_dialog.SetProgramFolder(Q(m_dir.File("own")));
    m_dialog.SetMessageHook([this](const QString& text) { m_messages << text; });
    m_dialog.show();
  }
  void TearDown() override {
    qputenv("PATH", m_oldPath);
    QDir::setCurrent(m_oldCwd);
  }
  void Click(int id) { m_dialog.findChild<QAbstractButton*>(QString::number(id))->click(); }

  CK7QTempDir m_dir;
  std::string m_marker = m_dir.File("ran");
  QByteArray m_oldPath;
  QString m_oldCwd;
  QStringList m_messages;
  CPlaunchDlg m_dialog;
};

TEST_F(Launcher, DialogShowsItsTextsAndStartsWithVq5) {
  EXPECT_EQ(m_dialog.windowTitle(), QStringLiteral("ﾌﾟﾛﾌｧｲﾙ作成ﾂｰﾙ"));
  auto* vq5 = m_dialog.findChild<QRadioButton*>(QStringLiteral("1000"));
  auto* odbc = m_dialog.findChild<QRadioButton*>(QStringLiteral("1001"));
  ASSERT_NE(vq5, nullptr);
  ASSERT_NE(odbc, nullptr);
  EXPECT_TRUE(vq5->isChecked());
  EXPECT_FALSE(odbc->isChecked());
  EXPECT_EQ(m_dialog.findChild<QGroupBox*>()->title(), QStringLiteral(" データ・ソース選択 "));
  EXPECT_EQ(m_dialog.findChild<QPushButton*>(QStringLiteral("2"))->text(), QStringLiteral("ｷｬﾝｾﾙ"));
  EXPECT_EQ(m_dialog.findChild<QPushButton*>(QStringLiteral("16"))->text(),
            QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(plaunch) (&A)..."));
  bool title = false;
  for (QLabel* label : m_dialog.findChildren<QLabel*>())
    title = title || label->text() == QStringLiteral("プロファイル作成ツール");
  EXPECT_TRUE(title);
}

TEST_F(Launcher, OkWithoutTouchingTheRadiosStartsVq5AndEnds) {
  WriteStandIn(m_dir.File("path"), "pbuild_vq5", m_marker, "path");
  WriteStandIn(m_dir.File("path"), "pbuild_odbc", m_marker, "path");
  Click(CPlaunchDlg::kIdOk);
  EXPECT_EQ(WaitForMarker(m_marker), "pbuild_vq5 path");
  EXPECT_TRUE(m_messages.isEmpty());
  EXPECT_EQ(m_dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(m_dialog.isVisible());
}

TEST_F(Launcher, OdbcChoiceStartsTheOdbcCreator) {
  WriteStandIn(m_dir.File("path"), "pbuild_vq5", m_marker, "path");
  WriteStandIn(m_dir.File("path"), "pbuild_odbc", m_marker, "path");
  Click(CPlaunchDlg::kIdOdbc);
  EXPECT_EQ(m_dialog.Choice(), 1);
  Click(CPlaunchDlg::kIdOk);
  EXPECT_EQ(WaitForMarker(m_marker), "pbuild_odbc path");
}

TEST_F(Launcher, OwnFolderComesBeforeCurrentFolderBeforeSearchPath) {
  struct Case {
    const char* rule;
    std::vector<std::string> folders;  // where a stand-in lies
    std::string ran;
  };
  const Case cases[] = {
      {"own folder first", {"own", "cwd", "path"}, "pbuild_vq5 own"},
      {"then the current folder", {"cwd", "path"}, "pbuild_vq5 cwd"},
      {"then the search path", {"path"}, "pbuild_vq5 path"},
  };
  for (const Case& c : cases) {
    for (const char* sub : {"own", "cwd", "path"})
      QFile::remove(Q(m_dir.File(sub) + "/pbuild_vq5"));
    QFile::remove(Q(m_marker));
    for (const std::string& sub : c.folders)
      WriteStandIn(m_dir.File(sub), "pbuild_vq5", m_marker, sub);
    CPlaunchDlg dialog;
    dialog.SetProgramFolder(Q(m_dir.File("own")));
    dialog.OnOK();
    EXPECT_EQ(WaitForMarker(m_marker), c.ran) << c.rule;
  }
}

TEST_F(Launcher, MissingProgramIsReportedWithItsNameAndTheLauncherEnds) {
  struct Case {
    int choice;
    QString message;
  };
  const Case cases[] = {
      {CPlaunchDlg::kIdVq5, QStringLiteral("Program Execute Error!! [pbuild_vq5]")},
      {CPlaunchDlg::kIdOdbc, QStringLiteral("Program Execute Error!! [pbuild_odbc]")},
  };
  // A file of that name that may not be run counts as missing.
  K7QWriteFile(m_dir.File("path") + "/pbuild_odbc", "#!/bin/sh\n");
  for (const Case& c : cases) {
    m_messages.clear();
    m_dialog.show();
    Click(c.choice);
    Click(CPlaunchDlg::kIdOk);
    EXPECT_EQ(m_messages, QStringList{c.message});
    EXPECT_EQ(m_dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(m_dialog.isVisible());
  }
}

TEST_F(Launcher, CancelStartsNothing) {
  WriteStandIn(m_dir.File("path"), "pbuild_vq5", m_marker, "path");
  Click(CPlaunchDlg::kIdCancel);
  EXPECT_EQ(m_dialog.result(), QDialog::Rejected);
  QThread::msleep(300);
  EXPECT_FALSE(QFileInfo::exists(Q(m_marker)));
  EXPECT_TRUE(m_messages.isEmpty());
}

}  // namespace
