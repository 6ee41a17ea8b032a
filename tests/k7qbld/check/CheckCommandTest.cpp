// The builder as an installed desktop program: Check Against Profile, a file
// opened from the desktop, and the defaults a first start without settings finds.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QSettings>
#include <QTreeWidget>

#include "K7QBld.h"
#include "K7QBldCheck.h"
#include "K7QBldDoc.h"
#include "K7QBldMainFrm.h"
#include "K7QBldSettings.h"
#include "K7QGuiFixture.h"

namespace {

void ClearSettings() {
  QSettings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "K7QBld").clear();
  QSettings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "AppPaths").clear();
}

// The shop profile with products.name renamed to title (same field width).
std::string RenamedProfile(const std::string& profile) {
  std::string text = K7QReadFile(profile);
  const std::string from = "products           name               ";
  const std::string to = "products           title              ";
  text.replace(text.find(from), from.size(), to);
  return text;
}

}  // namespace

TEST(CheckCommand, ListsWhatTheNewProfileBreaksOfTheOpenMacro) {
  ClearSettings();
  CK7QTempDir dir;
  const std::string profile = K7QCopyShopProfile(dir);
  CK7QTempDir freshDir;
  K7QWriteFile(freshDir.File("shop.k7q_pro"), RenamedProfile(profile));
  CK7QGuiFixture f;
  CMainFrame frame(f.context);
  EXPECT_FALSE(frame.findChild<QAction*>("63920")->isEnabled());  // no profile yet
  ASSERT_TRUE(frame.Document().OpenProfile(QString::fromStdString(profile)));
  EXPECT_TRUE(frame.findChild<QAction*>("63920")->isEnabled());
  CK7QBldSQL sql;
  ASSERT_TRUE(sql.ParseText("SELECT products.name,products.price FROM products"));
  ASSERT_GE(frame.Macro().Functions().Add(kFunctionAuthor, "LIST", {}, {}, sql,
                                          CK7QBldMessageBlock(&f.groceries), kReportKindNone),
            0);

  // The author picks the new profile; the list shows what it breaks.
  QString asked;
  frame.Document().SetFileChooser([&](CK7QBldDoc::FileDialog kind, const QString& start) {
    EXPECT_EQ(kind, CK7QBldDoc::FileDialog::CheckProfile);
    asked = start;
    return QString();
  });
  frame.findChild<QAction*>("63920")->trigger();
  EXPECT_EQ(asked, K7QBldSettings::UserDataFolder());
  std::vector<K7QCheckFinding> findings;
  ASSERT_TRUE(frame.Check().Run(QString::fromStdString(freshDir.File("shop.k7q_pro")), findings));
  CK7QBldCheckDialog dialog(f.context, "fresh", findings, &frame);
  const QTreeWidget* list = dialog.List();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(list->topLevelItem(0)->text(0), f.context.String(63901));  // the column is gone
  EXPECT_EQ(list->topLevelItem(0)->text(1), "LIST");
  EXPECT_EQ(list->topLevelItem(0)->text(3), "products.name");
  EXPECT_EQ(list->topLevelItem(1)->text(0), f.context.String(63905));  // no page calls LIST
  EXPECT_TRUE(f.ui.m_shown.empty());

  // A new profile that cannot be read is named, and nothing is listed.
  EXPECT_FALSE(frame.Check().Run(QString::fromStdString(freshDir.File("none.k7q_pro")), findings));
  ASSERT_EQ(f.ui.Ids(), std::vector<unsigned>{63911});
  EXPECT_NE(f.ui.m_shown[0].text.find("none.k7q_pro"), std::string::npos);
  frame.Document().OnCloseDocument();
}

TEST(DesktopStart, AFileFromTheDesktopOpensWithItsProfile) {
  // The file type's entry passes a profile alone.
  const auto profileOnly = CK7QBldCommandLine::Parse({"/data/shop.k7q_pro"});
  EXPECT_TRUE(profileOnly.valid);
  EXPECT_EQ(profileOnly.profile, "/data/shop.k7q_pro");
  EXPECT_TRUE(profileOnly.macro.isEmpty());
  // A macro goes with the one profile in its folder, and with none when there are two.
  CK7QTempDir dir;
  K7QWriteFile(dir.File("shop.k7q"), "");
  EXPECT_EQ(CK7QBldCommandLine::ProfileBeside(QString::fromStdString(dir.File("shop.k7q"))), "");
  K7QWriteFile(dir.File("a.k7q_pro"), "");
  EXPECT_EQ(CK7QBldCommandLine::ProfileBeside(QString::fromStdString(dir.File("shop.k7q"))),
            QString::fromStdString(dir.File("a.k7q_pro")));
  K7QWriteFile(dir.File("b.k7q_pro"), "");
  EXPECT_EQ(CK7QBldCommandLine::ProfileBeside(QString::fromStdString(dir.File("shop.k7q"))), "");
}

TEST(DesktopStart, AFirstStartFindsTheInstalledEditorAndTheUsersDataFolder) {
  ClearSettings();
  CK7QGuiFixture f;
  CMainFrame frame(f.context);
  // No page-editor entry: the macro text editor beside the builder.
  EXPECT_EQ(frame.PageEditorProgram(), QCoreApplication::applicationDirPath() + "/K7QBldEditor");
  EXPECT_TRUE(f.ui.m_shown.empty());
  // Open Profile starts in the user's data folder while there is no last profile to start at.
  QString asked;
  frame.Document().SetFileChooser([&](CK7QBldDoc::FileDialog, const QString& start) {
    asked = start;
    return QString();
  });
  frame.findChild<QAction*>(QString::number(CK7QBldDoc::kIdOpenProfile))->trigger();
  EXPECT_EQ(asked, K7QBldSettings::UserDataFolder());
  CK7QTempDir dir;
  const std::string profile = K7QCopyShopProfile(dir);
  K7QBldSettings::SetValue(K7QBldSettings::kSettings, "LastProfile",
                           QString::fromStdString(profile));
  frame.findChild<QAction*>(QString::number(CK7QBldDoc::kIdOpenProfile))->trigger();
  EXPECT_EQ(asked, QString::fromStdString(dir.Path()));
}
