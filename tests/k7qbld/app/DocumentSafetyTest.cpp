// The author's work through the builder window: failed opens, editors that
// outlive the window, pages that do not convert, hand edits of the macro,
// variables, titles, locks and the files the builder must never write over.
#include <signal.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>
#include <sstream>

#include "K7QBldFile.h"
#include "K7QBldLock.h"
#include "K7QBldSettings.h"
#include "K7QBldVariable.h"
#include "K7QDocumentFixture.h"

namespace {

namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()>& done, int ms = 10000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(20);
  }
  return true;
}

bool Alive(pid_t pid) { return ::kill(pid, 0) == 0; }

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

class DocumentSafetyTest : public DocumentTest {
 protected:
  // The pid a stand-in editor wrote into `file`, once it did.
  pid_t StartedPid(const std::string& file) {
    EXPECT_TRUE(WaitUntil([&] { return !K7QReadFile(file).empty(); }));
    return static_cast<pid_t>(std::stol(K7QReadFile(file)));
  }
  void WaitForMacroEditors() {
    ASSERT_TRUE(WaitUntil([this] {
      m_frame->PollEditors();
      return !m_frame->MacroEditorRunning();
    }));
  }
  void SetMacroEditor(const QString& program) {
    K7QBldSettings::SetValue(K7QBldSettings::kFilePath, "EditorPath", program);
  }
  std::string Sample() const {
    return std::string(K7Q_SOURCE_DIR) + "/data/tovra/samples/shop_report.htm";
  }
  std::vector<pid_t> m_started;  // ended by the test, by their numbers

  void TearDown() override {
    for (const pid_t pid : m_started) ::kill(pid, SIGTERM);
    DocumentTest::TearDown();
  }
};

// ---- a failed open changes nothing ---------------------------------------------

TEST_F(DocumentSafetyTest, AFailedOpenLeavesThePreviousMacroAndSaveWritesItUnchanged) {
  Macro().Define().Add("TAX", "8");
  const std::string saved = SaveLoopMacro("good.k7q");
  const int functions = Macro().Functions().GetCount();
  ASSERT_GT(functions, 0);
  const auto files = K7QFilesIn(m_dir.Path());
  const QStringList recent = K7QBldSettings::RecentFiles();

  // A macro of another database.
  K7QWriteFile(m_dir.File("other.k7q"), Replaced(saved, "DATABASE=\"SHOP\"", "DATABASE=\"OTHER\""));
  m_f.ui.m_shown.clear();
  m_answer = Path("other.k7q");
  Doc().OnFileOpen();
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62338});
  // A file that is not the builder's: No to 62354, then Cancel in the dialog.
  K7QWriteFile(m_dir.File("hand.k7q"),
               "%DEFINE{\r\nDATABASE=\"SHOP\"\r\n%}\r\n%HTML(REPORT){\r\n%}\r\n");
  m_answers = {Path("hand.k7q"), QString()};
  m_f.ui.m_answers = {kIdNo};
  Doc().OnFileOpen();
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62338, 62354}));

  // Still the first macro, all of it, with its pages and nothing else in the folder.
  EXPECT_EQ(Doc().Title(), "good");
  EXPECT_EQ(Doc().Path(), Path("good.k7q"));
  EXPECT_TRUE(Doc().HasFile());
  EXPECT_FALSE(Doc().IsModified());
  EXPECT_EQ(m_frame->windowTitle().left(4), "good");
  EXPECT_EQ(Macro().Functions().GetCount(), functions);
  EXPECT_EQ(Macro().Define().Find("TAX"), 0);
  auto expected = files;
  expected.insert(expected.end(), {"hand.k7q", "other.k7q"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(K7QFilesIn(m_dir.Path()), expected);
  EXPECT_EQ(K7QBldSettings::RecentFiles(), recent);

  Doc().SetModifiedFlag(true);
  ASSERT_TRUE(Doc().OnFileSave());
  EXPECT_EQ(K7QReadFile(m_dir.File("good.k7q")), saved);
}

TEST_F(DocumentSafetyTest, RecentFilesOpenOnlyWhatOpensAndListAllFour) {
  const std::string saved = SaveLoopMacro("first.k7q");
  K7QWriteFile(m_dir.File("other.k7q"), Replaced(saved, "DATABASE=\"SHOP\"", "DATABASE=\"OTHER\""));
  K7QBldSettings::AddRecentFile(Path("gone.k7q"));
  K7QBldSettings::AddRecentFile(Path("other.k7q"));
  K7QBldSettings::AddRecentFile(Path("first.k7q"));
  K7QWriteFile(m_dir.File("fourth.k7q"), saved);
  K7QBldSettings::AddRecentFile(Path("fourth.k7q"));
  m_frame->UpdateCommandStates();
  // The open macro first, then the others newest first.
  const QStringList texts = {"&1 first.k7q", "&2 fourth.k7q", "&3 other.k7q", "&4 gone.k7q"};
  for (int i = 0; i < 4; ++i) {
    QAction* action = m_frame->Action(CK7QBldDoc::kIdFileMru1 + i);
    EXPECT_EQ(action->text(), texts[i]);
    EXPECT_TRUE(action->isVisible());
  }
  m_f.ui.m_shown.clear();
  Doc().OnFileMru(3);  // a macro that does not open: nothing changes
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62338});
  EXPECT_EQ(Doc().Path(), Path("first.k7q"));
  EXPECT_EQ(K7QBldSettings::RecentFiles().value(0), Path("fourth.k7q"));
  Doc().OnFileMru(4);  // a macro that is gone leaves the list
  EXPECT_FALSE(K7QBldSettings::RecentFiles().contains(Path("gone.k7q")));
  EXPECT_TRUE(K7QBldSettings::RecentFiles().contains(Path("other.k7q")));
  EXPECT_EQ(Doc().Path(), Path("first.k7q"));
  Doc().OnFileMru(2);
  EXPECT_EQ(Doc().Path(), Path("fourth.k7q"));
  EXPECT_EQ(K7QBldSettings::RecentFiles().value(0), Path("fourth.k7q"));
}

TEST_F(DocumentSafetyTest, NoThenCancelKeepsTheChangeMark) {
  Doc().SetModifiedFlag(true);
  m_f.ui.m_answers = {kIdNo};
  m_answer.clear();
  Doc().OnFileOpen();
  EXPECT_TRUE(Doc().IsModified());
  // So Exit still asks.
  m_f.ui.m_answers = {kIdCancel};
  EXPECT_FALSE(m_frame->close());
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62364, 62364}));
}

// ---- editors outlive the builder ------------------------------------------------

TEST_F(DocumentSafetyTest, ClosingTheBuilderLeavesAPageEditorRunningWhenTheAuthorSaysSo) {
  const std::string pidFile = m_dir.File("editor.pid");
  K7QSetPageEditor(Script("stay.sh", "echo $$ > '" + pidFile + "'; exec sleep 30"));
  CK7QBldPageDialog* page = ReportPage();
  ASSERT_NE(page, nullptr);
  const std::string path = page->PagePath().toStdString();
  ASSERT_TRUE(page->OnEdit());
  const pid_t pid = StartedPid(pidFile);
  m_started.push_back(pid);

  m_f.ui.m_answers = {kIdCancel};
  EXPECT_FALSE(m_frame->close());
  ASSERT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63103});
  EXPECT_NE(m_f.ui.m_shown[0].text.find(path), std::string::npos);
  EXPECT_EQ(m_f.ui.m_shown[0].buttons, K7QButtons::YesNoCancel);
  m_f.ui.m_answers = {kIdNo};
  EXPECT_TRUE(m_frame->close());
  m_frame.reset();
  EXPECT_TRUE(Alive(pid));
  // The file the editor works on stays for it.
  EXPECT_TRUE(K7QFile::Exists(path));
}

TEST_F(DocumentSafetyTest, ASecondMacroTextEditorLeavesTheFirstRunning) {
  SaveAs("view.k7q");
  const std::string pidFile = m_dir.File("viewers.pid");
  SetMacroEditor(Script("view.sh", "echo $$ >> '" + pidFile + "'; exec sleep 30"));
  Doc().OnEditMacroText();
  Doc().OnEditMacroText();
  std::vector<pid_t> pids;
  ASSERT_TRUE(WaitUntil([&] {
    pids.clear();
    std::istringstream lines(K7QReadFile(pidFile));
    for (long pid; lines >> pid;) pids.push_back(static_cast<pid_t>(pid));
    return pids.size() == 2;
  }));
  m_started.insert(m_started.end(), pids.begin(), pids.end());
  ASSERT_EQ(pids.size(), 2u);
  EXPECT_TRUE(Alive(pids[0]));
  m_frame.reset();
  EXPECT_TRUE(Alive(pids[0]));
  EXPECT_TRUE(Alive(pids[1]));
}

TEST_F(DocumentSafetyTest, APageLeftInTheEditorIsNeverConvertedIntoTheNextMacro) {
  const std::string go = m_dir.File("go");
  K7QSetPageEditor(Script("late.sh", "while [ ! -e '" + go + "' ]; do sleep 0.1; done; cat '" +
                                         Sample() + "' > \"$1\""));
  CK7QBldPageDialog* page = ReportPage();
  ASSERT_NE(page, nullptr);
  const std::string path = page->PagePath().toStdString();
  ASSERT_TRUE(page->OnEdit());
  m_f.ui.m_answers = {kIdNo};
  Doc().OnFileNew();
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63103});
  EXPECT_FALSE(m_frame->PageEditorRunning());
  // The editor saves its loops after the macro was dropped.
  K7QWriteFile(go, "");
  ASSERT_TRUE(WaitUntil([&] { return K7QReadFile(path) == K7QReadFile(Sample()); }));
  QThread::msleep(200);
  m_frame->PollEditors();
  EXPECT_EQ(Macro().Functions().GetCount(), 0);
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63103});
  EXPECT_FALSE(Doc().IsModified());
}

TEST_F(DocumentSafetyTest, AClosedEditorsPageComesInBeforeTheBuilderCloses) {
  K7QSetPageEditor(Script("slow.sh", "sleep 1; cat '" + Sample() + "' > \"$1\""));
  CK7QBldPageDialog* page = ReportPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->OnEdit());
  // Yes: closed; the page is converted, then the changes are offered for saving.
  m_f.ui.m_answers = {kIdYes, kIdCancel};
  EXPECT_FALSE(m_frame->close());
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{63103, 62364}));
  EXPECT_EQ(Macro().Functions().GetCount(), 4);
  EXPECT_FALSE(m_frame->PageEditorRunning());
  EXPECT_FALSE(m_frame->SidePanelCollapsed());
}

// ---- a page that does not convert keeps the macro's page --------------------------

TEST_F(DocumentSafetyTest, AFailedConversionThenSaveWritesTheLastGoodCalls) {
  const std::string saved = SaveLoopMacro("loops.k7q");
  K7QSetPageEditor(Script(
      "break.sh", "printf '<IMG src=\"k7q_loop_start.gif\" alt=\"ROW:BROKEN\">\\r\\n' >> \"$1\""));
  CK7QBldPageDialog* page = ReportPage();
  ASSERT_NE(page, nullptr);
  const std::string path = page->PagePath().toStdString();
  ASSERT_TRUE(page->OnEdit());
  WaitForEditor();
  const auto ids = m_f.ui.Ids();
  ASSERT_NE(std::find(ids.begin(), ids.end(), 62374u), ids.end());
  const std::string& text = m_f.ui.m_shown.back().text;
  EXPECT_EQ(m_f.ui.m_shown.back().id, 62374u);
  EXPECT_NE(text.find(m_f.ui.String(63108)), std::string::npos);
  EXPECT_NE(text.find(path), std::string::npos);
  // The edited page stays for another try.
  EXPECT_NE(K7QReadFile(path).find("ROW:BROKEN"), std::string::npos);
  Doc().SetModifiedFlag(true);
  ASSERT_TRUE(Doc().OnFileSave());
  EXPECT_EQ(K7QReadFile(m_dir.File("loops.k7q")), saved);
}

TEST_F(DocumentSafetyTest, AnEditorThatNeverStartedLeavesTheMacroFormForSave) {
  const std::string saved = SaveLoopMacro("loops.k7q");
  K7QSetPageEditor("/no/such/editor");
  m_frame->m_editorPathDialog = [](const QString&) { return QString(); };
  CK7QBldPageDialog* page = ReportPage();
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(page->OnEdit());
  Doc().SetModifiedFlag(true);
  ASSERT_TRUE(Doc().OnFileSave());
  EXPECT_EQ(K7QReadFile(m_dir.File("loops.k7q")), saved);
}

// ---- hand edits in the macro text editor -------------------------------------------

TEST_F(DocumentSafetyTest, HandEditsAreReadBackAndSurviveASave) {
  Macro().Define().Add("TAX", "8");
  SaveAs("hand.k7q");
  SetMacroEditor(Script("edit1.sh", "sed -i 's/TAX=\"8\"/TAX=\"10\"/' \"$1\""));
  Doc().OnEditMacroText();
  WaitForMacroEditors();
  EXPECT_TRUE(m_f.ui.m_shown.empty());
  EXPECT_EQ(Macro().Define().Variables().at(0).value, "10");
  EXPECT_FALSE(Doc().IsModified());
  Doc().SetModifiedFlag(true);
  ASSERT_TRUE(Doc().OnFileSave());
  EXPECT_NE(K7QReadFile(m_dir.File("hand.k7q")).find("TAX=\"10\""), std::string::npos);

  // With changes of the builder's own, the author chooses; No keeps them.
  Macro().Define().Add("RATE", "2");
  Doc().SetModifiedFlag(true);
  SetMacroEditor(Script("edit2.sh", "sed -i 's/TAX=\"10\"/TAX=\"12\"/' \"$1\""));
  m_f.ui.m_answers = {kIdNo};
  Doc().OnEditMacroText();
  WaitForMacroEditors();
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63104});
  EXPECT_TRUE(Doc().IsModified());
  EXPECT_EQ(Macro().Define().GetCount(), 2);
  // Yes reads the file: the hand edit is in, the builder's change is gone.
  SetMacroEditor(Script("edit3.sh", "sed -i 's/TAX=\"12\"/TAX=\"14\"/' \"$1\""));
  m_f.ui.m_answers = {kIdYes};
  Doc().OnEditMacroText();
  WaitForMacroEditors();
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{63104, 63104}));
  EXPECT_FALSE(Doc().IsModified());
  ASSERT_EQ(Macro().Define().GetCount(), 1);
  EXPECT_EQ(Macro().Define().Variables().at(0).value, "14");
}

// ---- rows typed into a page ----------------------------------------------------------

TEST_F(DocumentSafetyTest, VariableRowsAreStoredWhenThePageIsLeftSavedOrClosed) {
  const auto add = [this](const char* name, const char* value) {
    m_frame->FormView().SelectItem(9);
    auto* dialog = qobject_cast<CK7QBldVariable*>(m_frame->FormView().CurrentPanel());
    ASSERT_NE(dialog, nullptr);
    dialog->NameField()->setText(name);
    dialog->ValueField()->setText(value);
    ASSERT_TRUE(dialog->OnAdd());
  };
  add("TAX", "8");
  // Left by the tree, not by OK, Next or Back.
  m_frame->FormView().Tree()->setCurrentItem(m_frame->FormView().ItemByCode(11));
  ASSERT_EQ(Macro().Define().GetCount(), 1);
  EXPECT_TRUE(Doc().IsModified());
  add("RATE", "2");
  SaveAs("rows.k7q");
  EXPECT_NE(K7QReadFile(m_dir.File("rows.k7q")).find("RATE=\"2\""), std::string::npos);
  add("FEE", "3");
  m_f.ui.m_answers = {kIdCancel};
  EXPECT_FALSE(m_frame->close());
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62364});
  EXPECT_EQ(Macro().Define().GetCount(), 3);
}

// ---- saving needs a profile ---------------------------------------------------------

TEST_F(DocumentSafetyTest, SaveWithoutAProfileSaysWhyAndOffersOne) {
  m_frame->close();
  MakeFrame();
  m_frame->FormView().SelectItem(9);
  auto* dialog = qobject_cast<CK7QBldVariable*>(m_frame->FormView().CurrentPanel());
  ASSERT_NE(dialog, nullptr);
  dialog->NameField()->setText("TAX");
  dialog->ValueField()->setText("8");
  ASSERT_TRUE(dialog->OnAdd());
  m_f.ui.m_answers = {kIdNo};
  EXPECT_FALSE(Doc().OnFileSave());
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63109});
  EXPECT_TRUE(m_asked.empty());
  // Yes: the profile is opened, the variable stays, the macro is saved.
  m_f.ui.m_answers = {kIdYes};
  m_answers = {QString::fromStdString(m_profile), Path("late.k7q")};
  EXPECT_TRUE(Doc().OnFileSave());
  EXPECT_EQ(m_asked, (std::vector<CK7QBldDoc::FileDialog>{CK7QBldDoc::FileDialog::OpenProfile,
                                                          CK7QBldDoc::FileDialog::SaveMacro}));
  EXPECT_NE(K7QReadFile(m_dir.File("late.k7q")).find("TAX=\"8\""), std::string::npos);
}

// ---- working files ------------------------------------------------------------------

TEST_F(DocumentSafetyTest, ClosingAfterAReportEditLeavesOnlyTheAuthorsFiles) {
  auto before = K7QFilesIn(m_dir.Path());
  before.erase(std::find(before.begin(), before.end(), ".k7q.lock"));
  SaveLoopMacro("shop.k7q");
  K7QSetPageEditor(Script("noop.sh", "exit 0"));
  CK7QBldPageDialog* page = ReportPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->OnEdit());
  WaitForEditor();
  ASSERT_TRUE(m_frame->close());
  before.insert(before.end(), {"noop.sh", "shop.k7q"});
  std::sort(before.begin(), before.end());
  EXPECT_EQ(K7QFilesIn(m_dir.Path()), before);
}

// ---- titles are file names --------------------------------------------------------

TEST_F(DocumentSafetyTest, AJapaneseMacroNameIsItsTitleAndOpensAgain) {
  const std::string name = "売上.k7q";
  SaveLoopMacro(name);
  EXPECT_EQ(Doc().Title(), QString::fromUtf8("売上"));
  EXPECT_TRUE(m_frame->windowTitle().startsWith(QString::fromUtf8("売上[*] - ")));
  m_frame->FormView().SelectItem(0, true);
  auto* text = m_frame->FormView().CurrentPanel()->findChild<QLabel*>("text");
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->text().contains(QString::fromUtf8("売上")));
  // The working pages carry the title too, and every function came back.
  EXPECT_EQ(Macro().Report().PagePath(), Page("売上", kHtmlReport));
  EXPECT_EQ(Macro().Functions().GetCount(), 4);
  EXPECT_TRUE(m_f.ui.m_shown.empty());
}

TEST(DocumentTitle, TheUntitledTitleIsShownInTheProgramsLanguage) {
  // A user interface whose strings are the Japanese ones.
  class JapaneseUi : public CK7QGuiScriptedUi {
   public:
    using CK7QGuiScriptedUi::CK7QGuiScriptedUi;
    std::string String(unsigned id) const override { return m_ja.String(id); }
    CK7QBldLanguage m_ja;
  };
  CK7QBldGroceriesUi groceriesUi;
  JapaneseUi ui(groceriesUi);
  ui.m_ja.SetJapanese(true);
  ASSERT_TRUE(ui.m_ja.Load("K7QBld_lang.so", K7Q_BIN_DIR));
  CK7QBldGroceries groceries(ui);
  CK7QBldContext context{ui.m_ja, groceries, groceriesUi};
  CMainFrame frame(context);
  EXPECT_TRUE(frame.windowTitle().startsWith(QString::fromUtf8("無題[*] - ")));
  EXPECT_EQ(frame.Document().Title(), QString::fromUtf8("無題"));
}

// ---- two builders, and the builder's own files ---------------------------------------

TEST_F(DocumentSafetyTest, ASecondBuilderOnTheSameProfileFolderIsRefused) {
  CMainFrame second(m_f.context);
  EXPECT_FALSE(second.Document().OpenProfile(QString::fromStdString(m_profile)));
  ASSERT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63107});
  EXPECT_NE(m_f.ui.m_shown[0].text.find(m_dir.Path()), std::string::npos);
  EXPECT_NE(m_f.ui.m_shown[0].text.find("K7QBld, process"), std::string::npos);
  EXPECT_FALSE(second.Macro().Profile().IsLoaded());
  // Once the first has closed, the folder is free.
  ASSERT_TRUE(m_frame->close());
  EXPECT_TRUE(second.Document().OpenProfile(QString::fromStdString(m_profile)));
  second.close();
}

TEST_F(DocumentSafetyTest, TheMacroItsPagesAndTheProfileAreNeverWrittenOver) {
  const std::string saved = SaveLoopMacro("m.k7q");
  const std::string profile = K7QReadFile(m_profile);
  const std::string page = Macro().Report().PagePath();
  const std::string pageBytes = K7QReadFile(page);
  // The converted copy onto the macro, spelled another way.
  m_answers = {QString::fromStdString(m_dir.Path() + "/./m.k7q"), QString()};
  Doc().OnWriteConvertedCopy();
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63111});
  EXPECT_EQ(K7QReadFile(m_dir.File("m.k7q")), saved);
  // Save As onto a working page, onto the profile, onto the lock: refused, then cancelled.
  m_f.ui.m_shown.clear();
  m_answers = {QString::fromStdString(page), QString::fromStdString(m_profile), Path(".k7q.lock"),
               QString()};
  EXPECT_FALSE(Doc().OnFileSaveAs());
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{63110, 63110, 63110}));
  EXPECT_EQ(K7QReadFile(page), pageBytes);
  EXPECT_EQ(K7QReadFile(m_profile), profile);
  EXPECT_EQ(Doc().Path(), Path("m.k7q"));
}

// ---- what users expect besides -------------------------------------------------------

TEST_F(DocumentSafetyTest, FileDialogsStartInTheMacrosOrTheProfilesFolder) {
  m_answer.clear();
  Doc().OnFileOpen();
  Doc().OnOpenProfile();
  ASSERT_EQ(m_starts.size(), 2u);
  EXPECT_EQ(m_starts[0], QString::fromStdString(m_dir.Path()));
  EXPECT_EQ(m_starts[1], QString::fromStdString(m_dir.Path()));
  SaveAs("here.k7q");
  m_starts.clear();
  m_answer.clear();
  Doc().OnFileSaveAs();
  Doc().OnWriteConvertedCopy();
  EXPECT_EQ(m_starts,
            (std::vector<QString>{Path("here.k7q"), QString::fromStdString(m_dir.Path())}));
}

TEST_F(DocumentSafetyTest, NextAndBackRunThroughEveryItemOfTheTree) {
  const auto walk = [this](int from, int button) {
    m_frame->FormView().SelectItem(from, true);
    std::vector<int> codes{from};
    for (int step = 0; step < 20; ++step) {
      auto* b =
          m_frame->FormView().CurrentPanel()->findChild<QPushButton*>(QString::number(button));
      if (!b || !b->isEnabled()) break;
      b->click();
      const int code = m_frame->FormView().SelectedCode();
      if (code == codes.back()) break;
      codes.push_back(code);
    }
    return codes;
  };
  EXPECT_EQ(walk(0, 1158), (std::vector<int>{0, 1, 3, 9, 10, 11, 4, 5, 13, 14, 7, 8}));
  // Back stops at the start page, whose Back is off.
  EXPECT_EQ(walk(8, 1159), (std::vector<int>{8, 7, 14, 13, 5, 4, 11, 10, 9, 3, 1}));
}

}  // namespace
