#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLockFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QTranslator>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>

#include "K7QBld.h"
#include "K7QBldDoc.h"
#include "K7QBldMainFrm.h"
#include "K7QBldSettings.h"
#include "K7QGuiFixture.h"
#include "K7QTestSupport.h"

namespace {

using namespace K7QBldSettings;

void ClearSettings() {
  QSettings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "K7QBld").clear();
}

CK7QBldApp::Options TestOptions(IK7QBldUserInterface& ui, const CK7QTempDir& lockDir) {
  CK7QBldApp::Options o;
  o.programFolder = K7Q_BIN_DIR;
  o.lockFolder = QString::fromStdString(lockDir.Path());
  o.ui = &ui;
  o.fixedText = [](const QString& text) { ADD_FAILURE() << "unexpected: " << text.toStdString(); };
  return o;
}

TEST(Startup, SecondInstanceShows62373AndOpensNoWindow) {
  CK7QTempDir lockDir;
  CK7QScriptedUi ui1, ui2;
  CK7QBldApp first(TestOptions(ui1, lockDir));
  ASSERT_TRUE(first.InitInstance({}));
  ASSERT_NE(first.MainFrame(), nullptr);
  {
    CK7QBldApp second(TestOptions(ui2, lockDir));
    EXPECT_FALSE(second.InitInstance({}));
    EXPECT_EQ(ui2.Ids(), std::vector<unsigned>{62373});
    EXPECT_EQ(second.MainFrame(), nullptr);
  }
  EXPECT_TRUE(ui1.m_shown.empty());
  first.ExitInstance();
  // Once the first has ended the next start goes through.
  CK7QBldApp third(TestOptions(ui2, lockDir));
  EXPECT_TRUE(third.InitInstance({}));
  third.ExitInstance();
}

TEST(Startup, OneBuilderPerUserWhateverTheRuntimeFolder) {
  CK7QTempDir lockDir;
  CK7QScriptedUi ui1, ui2;
  auto options = TestOptions(ui1, lockDir);
  options.lockFolder.clear();  // the default: in the home folder
  CK7QBldApp first(options);
  ASSERT_TRUE(first.InitInstance({}));
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
  qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(lockDir.Path()));
  {
    options.ui = &ui2;
    CK7QBldApp second(options);
    EXPECT_FALSE(second.InitInstance({}));
    EXPECT_EQ(ui2.Ids(), std::vector<unsigned>{62373});
  }
  qputenv("XDG_RUNTIME_DIR", runtime);
  first.ExitInstance();
}

TEST(Startup, CommandLineFailuresAreShownNotOnlyPrinted) {
  CK7QTempDir lockDir;
  const struct {
    QStringList arguments;
    unsigned message;
  } cases[] = {
      {{"missing.k7q"}, 63106},
      {{"--profile", "missing.k7q_pro"}, 63106},
      {{"--profile"}, 63105},
      {{"a.k7q", "b.k7q"}, 63105},
  };
  for (const auto& c : cases) {
    CK7QScriptedUi ui;
    CK7QBldApp app(TestOptions(ui, lockDir));
    EXPECT_FALSE(app.InitInstance(c.arguments));
    EXPECT_EQ(ui.Ids(), std::vector<unsigned>{c.message}) << c.arguments.join(' ').toStdString();
    EXPECT_EQ(ui.m_shown.at(0).icon, K7QIcon::Stop);
    EXPECT_EQ(app.MainFrame(), nullptr);
  }
}

TEST(Startup, AFailedCommandLineOpenLeavesNothingInTheProfileFolder) {
  ClearSettings();
  CK7QTempDir lockDir, folder;
  const std::string profile = K7QCopyShopProfile(folder);
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder.Path()))
    files.push_back(e.path().filename().string());
  // A macro of another database.
  K7QWriteFile(
      folder.File("other.k7q"),
      "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\r\n%}\r\n"
      "%DEFINE{\r\nDATABASE=\"OTHER\"\r\n%}\r\n%HTML(REPORT){\r\n<P>r</P>\r\n%}\r\n");
  files.push_back("other.k7q");
  CK7QScriptedUi ui;
  CK7QBldApp app(TestOptions(ui, lockDir));
  EXPECT_FALSE(app.InitInstance({"--profile", QString::fromStdString(profile),
                                 QString::fromStdString(folder.File("other.k7q"))}));
  // The open said why; no second box.
  EXPECT_EQ(ui.Ids(), std::vector<unsigned>{62338});
  const auto listing = [&folder] {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder.Path()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  std::sort(files.begin(), files.end());
  // Nothing of the open is left, even before the exit; the folder's lock goes with it.
  auto during = listing();
  during.erase(std::remove(during.begin(), during.end(), ".k7q.lock"), during.end());
  EXPECT_EQ(during, files);
  app.ExitInstance();
  EXPECT_EQ(listing(), files);
}

TEST(Startup, TheLastProfileOpensAgain) {
  ClearSettings();
  CK7QTempDir lockDir, folder;
  const std::string profile = K7QCopyShopProfile(folder);
  {
    CK7QScriptedUi ui;
    CK7QBldApp app(TestOptions(ui, lockDir));
    ASSERT_TRUE(app.InitInstance({"--profile", QString::fromStdString(profile)}));
    app.ExitInstance();
  }
  CK7QScriptedUi ui;
  CK7QBldApp app(TestOptions(ui, lockDir));
  ASSERT_TRUE(app.InitInstance({}));
  EXPECT_TRUE(app.MainFrame()->Macro().Profile().IsLoaded());
  EXPECT_EQ(app.MainFrame()->Document().ProfilePath().toStdString(), profile);
  EXPECT_TRUE(ui.m_shown.empty());
  app.ExitInstance();
  ClearSettings();
}

TEST(Startup, QtsOwnButtonsSpeakTheProgramsLanguage) {
  ASSERT_TRUE(CK7QBldApp::InstallQtTranslations(true));
  QMessageBox box;
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  const QString yes = box.button(QMessageBox::Yes)->text();
  for (QTranslator* t : qApp->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(t);
    delete t;
  }
  EXPECT_TRUE(yes.contains(QString::fromUtf8("はい"))) << yes.toStdString();
}

TEST(Startup, ACrashedBuilderDoesNotBlockTheNext) {
  CK7QTempDir lockDir;
  // A lock left by a process that no longer exists.
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_GT(gone, 0);
  ::waitpid(gone, nullptr, 0);
  K7QWriteFile(lockDir.File("K7QBld.lock"), std::to_string(gone) + "\nK7QBld\n" +
                                                QSysInfo::machineHostName().toStdString() + "\n");
  CK7QScriptedUi ui;
  CK7QBldApp app(TestOptions(ui, lockDir));
  EXPECT_TRUE(app.InitInstance({}));
  EXPECT_TRUE(ui.m_shown.empty());
  app.ExitInstance();
}

TEST(Startup, MissingLanguageLibraryShowsTheFixedTextOnly) {
  CK7QTempDir lockDir;
  CK7QScriptedUi ui;
  auto options = TestOptions(ui, lockDir);
  options.languageLibrary = "K7QBld_nolang.so";
  QStringList shown;
  options.fixedText = [&shown](const QString& text) { shown << text; };
  CK7QBldApp app(options);
  EXPECT_FALSE(app.InitInstance({}));
  EXPECT_EQ(shown, QStringList{"Could not load K7QBld_nolang.so"});
  EXPECT_EQ(app.MainFrame(), nullptr);
  EXPECT_TRUE(ui.m_shown.empty());
}

TEST(Startup, SplashClosesOnAKeyPress) {
  CK7QTempDir lockDir;
  CK7QScriptedUi ui;
  CK7QBldApp app(TestOptions(ui, lockDir));
  ASSERT_TRUE(app.InitInstance({}));
  ASSERT_NE(app.Splash(), nullptr);
  EXPECT_TRUE(app.Splash()->isVisible());
  QTest::keyClick(app.MainFrame(), Qt::Key_Space);
  EXPECT_EQ(app.Splash(), nullptr);
  app.ExitInstance();
}

TEST(Startup, CommandLine) {
  const auto line = CK7QBldCommandLine::Parse({"--profile", "p.k7q_pro", "m.k7q"});
  EXPECT_TRUE(line.valid);
  EXPECT_EQ(line.profile, "p.k7q_pro");
  EXPECT_EQ(line.macro, "m.k7q");
  EXPECT_FALSE(CK7QBldCommandLine::Parse({"--profile"}).valid);
  EXPECT_FALSE(CK7QBldCommandLine::Parse({"a.k7q", "b.k7q"}).valid);
}

TEST(WindowPos, NineNumbersAreIgnoredTenRestore) {
  WindowPlacement p;
  EXPECT_FALSE(ParseWindowPos("0,1,-1,-1,-1,-1,10,20,410", p));
  EXPECT_FALSE(ParseWindowPos("", p));
  EXPECT_FALSE(ParseWindowPos("0,1,-1,-1,-1,-1,10,20,410,x", p));
  EXPECT_FALSE(ParseWindowPos("0,1,-1,-1,-1,-1,10,20,410,320,5", p));
  ASSERT_TRUE(ParseWindowPos("2,3,-1,-1,-8,-8,10,20,410,320", p));
  EXPECT_EQ(p.flags, 2u);
  EXPECT_EQ(p.showCmd, 3u);
  EXPECT_EQ(p.normal, QRect(10, 20, 400, 300));
  EXPECT_EQ(FormatWindowPos(p), "2,3,-1,-1,-8,-8,10,20,410,320");
}

TEST(WindowPos, RestoredAtStartWrittenAtClose) {
  CK7QGuiFixture f;
  ClearSettings();
  SetValue(kSettings, "WindowPos", "0,1,-1,-1,-1,-1,30,40,670,520");
  {
    CMainFrame frame(f.context);
    frame.RestoreAndShow();
    EXPECT_EQ(frame.geometry().size(), QSize(640, 480));
    EXPECT_FALSE(frame.isMaximized());
    frame.close();
  }
  WindowPlacement written;
  ASSERT_TRUE(ParseWindowPos(Value(kSettings, "WindowPos"), written));
  EXPECT_EQ(written.showCmd, kShowNormal);
  EXPECT_EQ(written.normal.size(), QSize(640, 480));

  // Written without quotes, as a hand-edited file holds it: still read.
  ClearSettings();
  {
    QFile ini(
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "K7QBld").fileName());
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ini.write("[Settings]\nWindowPos=0,1,-1,-1,-1,-1,30,40,670,520\n");
  }
  {
    CMainFrame frame(f.context);
    frame.RestoreAndShow();
    EXPECT_EQ(frame.geometry().size(), QSize(640, 480));
  }
  // Off every screen: moved onto the visible one; closed minimised: opens normal.
  for (const char* stored : {"0,1,-1,-1,-1,-1,5000,4000,5640,4480", "0,2,-1,-1,-1,-1,30,40,670,520",
                             "0,1,-1,-1,-1,-1,-3000,-2000,-2360,-1520"}) {
    SetValue(kSettings, "WindowPos", stored);
    CMainFrame frame(f.context);
    frame.RestoreAndShow();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(frame.geometry())) << stored;
    EXPECT_FALSE(frame.isMinimized()) << stored;
  }

  // Nine numbers: the default placement is kept.
  SetValue(kSettings, "WindowPos", "0,1,-1,-1,-1,-1,30,40,530");
  CMainFrame plain(f.context);
  plain.RestoreAndShow();
  EXPECT_EQ(plain.geometry().size(), QSize(900, 640));

  // A stored maximised window restores maximised; a caller's minimised start wins.
  SetValue(kSettings, "WindowPos", "2,3,-1,-1,-1,-1,30,40,530,440");
  CMainFrame maxed(f.context);
  maxed.RestoreAndShow();
  EXPECT_TRUE(maxed.isMaximized());
  CMainFrame mini(f.context);
  mini.RestoreAndShow(kShowMinimized);
  EXPECT_TRUE(mini.isMinimized());
  ClearSettings();
}

TEST(Settings, DefaultsPointIntoTheInstallation) {
  ClearSettings();
  EXPECT_EQ(Value(kSettings, "DefaultCF"), "HTML Format");
  EXPECT_EQ(TagColor(), 0x800080u);
  EXPECT_EQ(BackgroundColor(), 0xFFFFFFu);
  EXPECT_EQ(Value(kFilePath, "StatementPath"), DataFolder() + "rzv_stat.txt");
  EXPECT_EQ(Value(kFilePath, "StringFunctionPath"),
            DataFolder() + QString::fromUtf8("k7q_func_ｽﾄﾘﾝｸﾞ関数.txt"));
  EXPECT_EQ(Value(kFilePath, "EditorPath"), BinFolder() + "K7QBldEditor");
  EXPECT_TRUE(DataFolder().endsWith("/share/tovra/"));
  // Every FilePath key has a default; a stored value wins over it.
  for (const auto& [section, key] : TableKeys()) {
    if (section != kFilePath) continue;
    EXPECT_FALSE(Value(section, key).isEmpty()) << key.toStdString();
  }
  SetValue(kSettings, "DefaultTagColor", "0x0000FF");
  EXPECT_EQ(TagColor(), 0xFFu);
  ClearSettings();
}

TEST(Settings, RecentFilesKeepFourNewestFirst) {
  ClearSettings();
  for (const char* f : {"/a.k7q", "/b.k7q", "/c.k7q", "/d.k7q", "/e.k7q", "/c.k7q"})
    AddRecentFile(f);
  EXPECT_EQ(RecentFiles(), (QStringList{"/c.k7q", "/e.k7q", "/d.k7q", "/b.k7q"}));
  EXPECT_EQ(Value(kRecentFiles, "File1"), "/c.k7q");
  ClearSettings();
}

TEST(GroceriesUi, TreeMovesAndLists) {
  QTreeWidget tree;
  auto* root = new QTreeWidgetItem(&tree, {"root"});
  auto* a = new QTreeWidgetItem(root, {"a"});
  auto* a1 = new QTreeWidgetItem(a, {"a1"});
  auto* b = new QTreeWidgetItem(root, {"b"});
  root->setExpanded(true);
  EXPECT_EQ(CK7QBldGroceriesUi::SelectNextObject(&tree), 0);  // nothing selected
  tree.setCurrentItem(root);
  CK7QBldGroceriesUi::SelectNextObject(&tree);
  EXPECT_EQ(tree.currentItem(), a);
  CK7QBldGroceriesUi::SelectNextObject(&tree);  // a is collapsed: its sibling
  EXPECT_EQ(tree.currentItem(), b);
  EXPECT_EQ(CK7QBldGroceriesUi::SelectNextObject(&tree), 1);  // nothing after b
  EXPECT_EQ(tree.currentItem(), b);
  a->setExpanded(true);
  CK7QBldGroceriesUi::SelectPreviousObject(&tree);  // sibling with children: the visible item above
  EXPECT_EQ(tree.currentItem(), a1);
  CK7QBldGroceriesUi::SelectPreviousObject(&tree);  // first child: its parent
  EXPECT_EQ(tree.currentItem(), a);
  tree.setCurrentItem(a1);
  CK7QBldGroceriesUi::SelectNextObject(&tree);  // last child: the parent's next sibling
  EXPECT_EQ(tree.currentItem(), b);

  QTreeWidget list;
  new QTreeWidgetItem(&list, {"", "Price"});
  new QTreeWidgetItem(&list, {"", "name"});
  CK7QBldGroceriesUi::RenumberListItems(&list);
  EXPECT_EQ(list.topLevelItem(1)->text(0), "2");
  EXPECT_TRUE(CK7QBldGroceriesUi::FindListItem(&list, 1, "NAME"));
  EXPECT_FALSE(CK7QBldGroceriesUi::FindListItem(&list, 1, "nam"));
}

TEST(GroceriesUi, CenterAndRunProgram) {
  QWidget reference, window;
  reference.setGeometry(100, 100, 400, 300);
  window.resize(101, 51);
  reference.show();
  window.show();
  CK7QBldGroceriesUi::CenterWindowOver(&window, &reference);
  const QRect r = reference.frameGeometry();
  EXPECT_EQ(window.frameGeometry().left(),
            r.left() + (r.width() - window.frameGeometry().width()) / 2);

  CK7QTempDir dir;
  QProcess* p = CK7QBldGroceriesUi::RunProgram(
      QString("sh -c \"echo ran > '%1'\"").arg(QString::fromStdString(dir.File("ran.txt"))));
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->waitForFinished());
  delete p;
  EXPECT_EQ(K7QReadFile(dir.File("ran.txt")), "ran\n");
  EXPECT_EQ(CK7QBldGroceriesUi::RunProgram("/no/such/program"), nullptr);
}

}  // namespace
