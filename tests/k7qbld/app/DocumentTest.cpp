#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QThread>
#include <QTreeWidget>
#include <filesystem>

#include "K7QBldDBSheet.h"
#include "K7QBldDBTableColumn.h"
#include "K7QBldDoc.h"
#include "K7QBldFile.h"
#include "K7QBldFormView.h"
#include "K7QBldGuidePage.h"
#include "K7QBldHTMLBlock.h"
#include "K7QBldMainFrm.h"
#include "K7QBldPageDialog.h"
#include "K7QBldPageEditing.h"
#include "K7QBldVariable.h"
#include "K7QDocumentFixture.h"
#include "K7QGuiFixture.h"

namespace {

namespace fs = std::filesystem;

TEST_F(DocumentTest, SaveOnANeverSavedDocumentIsSaveAs) {
  EXPECT_FALSE(m_frame->Action(CK7QBldDoc::kIdEditMacroText)->isEnabled());
  EXPECT_FALSE(m_frame->Action(CK7QBldDoc::kIdWriteConvertedCopy)->isEnabled());
  m_answer = QString::fromStdString(m_dir.File("first.k7q"));
  EXPECT_TRUE(Doc().OnFileSave());
  EXPECT_EQ(m_asked, std::vector<CK7QBldDoc::FileDialog>{CK7QBldDoc::FileDialog::SaveMacro});
  EXPECT_TRUE(K7QFile::Exists(m_dir.File("first.k7q")));
  EXPECT_TRUE(Doc().HasFile());
  EXPECT_EQ(Doc().Title(), "first");
  EXPECT_TRUE(m_frame->Action(CK7QBldDoc::kIdEditMacroText)->isEnabled());
  EXPECT_TRUE(m_frame->Action(CK7QBldDoc::kIdWriteConvertedCopy)->isEnabled());
  // Saved once, Save writes to the same file without asking.
  m_asked.clear();
  Doc().SetModifiedFlag(true);
  EXPECT_TRUE(Doc().OnFileSave());
  EXPECT_TRUE(m_asked.empty());
  EXPECT_FALSE(Doc().IsModified());
  EXPECT_TRUE(m_f.ui.m_shown.empty());
}

TEST_F(DocumentTest, OpeningTheCurrentPathRereadsItDirectly) {
  m_answer = QString::fromStdString(m_dir.File("m1.k7q"));
  ASSERT_TRUE(Doc().OnFileSaveAs());
  K7QBldSettings::SetValue(K7QBldSettings::kRecentFiles, "File1", "/elsewhere.k7q");
  Doc().OnFileOpen();  // the same file: no trip through the recent-file list
  EXPECT_EQ(K7QBldSettings::Value(K7QBldSettings::kRecentFiles, "File1"), "/elsewhere.k7q");
  EXPECT_TRUE(Doc().HasFile());
  fs::copy_file(m_dir.File("m1.k7q"), m_dir.File("m2.k7q"));
  m_answer = QString::fromStdString(m_dir.File("m2.k7q"));
  Doc().OnFileOpen();  // another file goes through it
  EXPECT_EQ(K7QBldSettings::Value(K7QBldSettings::kRecentFiles, "File1").toStdString(),
            m_dir.File("m2.k7q"));
  EXPECT_EQ(Doc().Title(), "m2");
  EXPECT_TRUE(m_f.ui.m_shown.empty());
}

TEST_F(DocumentTest, SaveAsMovesTheWorkingPagesAndReplacesAStaleOne) {
  m_answer = QString::fromStdString(m_dir.File("old.k7q"));
  ASSERT_TRUE(Doc().OnFileSaveAs());
  Doc().OnFileOpen();  // opening makes the working pages
  const std::string oldPage = Page("old", kHtmlReport);
  K7QWriteFile(oldPage, "<P>report</P>\r\n");
  m_frame->Macro().Report().Set(m_frame->Macro().Report().Comment(), oldPage);
  K7QWriteFile(Page("new", kHtmlReport), "stale\r\n");
  m_answer = QString::fromStdString(m_dir.File("new.k7q"));
  ASSERT_TRUE(Doc().OnFileSaveAs());
  EXPECT_EQ(Doc().Title(), "new");
  EXPECT_FALSE(K7QFile::Exists(oldPage));
  EXPECT_EQ(K7QReadFile(Page("new", kHtmlReport)), "<P>report</P>\r\n");
  EXPECT_EQ(m_frame->Macro().Report().PagePath(), Page("new", kHtmlReport));
}

TEST_F(DocumentTest, ClosingLeavesOnlyMacroFilesBehind) {
  auto before = K7QFilesIn(m_dir.Path());
  // The folder's lock goes with the document.
  ASSERT_EQ(before.front(), ".k7q.lock");
  before.erase(before.begin());
  m_answer = QString::fromStdString(m_dir.File("shop.k7q"));
  ASSERT_TRUE(Doc().OnFileSaveAs());
  Doc().OnFileOpen();
  K7QWriteFile(Page("shop", kHtmlInput), "<FORM></FORM>\r\n");
  m_frame->close();
  auto expected = before;
  expected.push_back("shop.k7q");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(K7QFilesIn(m_dir.Path()), expected);
}

TEST_F(DocumentTest, ChangesAreOfferedForSavingBeforeNew) {
  Doc().SetModifiedFlag(true);
  m_f.ui.m_answers = {kIdCancel};
  Doc().OnFileNew();
  EXPECT_TRUE(Doc().IsModified());  // cancelled: nothing happens
  m_f.ui.m_answers = {kIdNo};
  Doc().OnFileNew();
  EXPECT_FALSE(Doc().IsModified());
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62364, 62364}));
  EXPECT_EQ(m_f.ui.m_shown[0].buttons, K7QButtons::YesNoCancel);
}

TEST_F(DocumentTest, TheConvertedCopyIsMadeFromTheSavedMacro) {
  m_answer = QString::fromStdString(m_dir.File("shop.k7q"));
  ASSERT_TRUE(Doc().OnFileSaveAs());
  m_frame->Macro().Define().Add("TAX", "8");
  Doc().SetModifiedFlag(true);
  // Cancelled at the question: nothing is saved or written.
  m_f.ui.m_answers = {kIdCancel};
  m_answer = QString::fromStdString(m_dir.File("copy.k7q"));
  Doc().OnWriteConvertedCopy();
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62324});
  EXPECT_EQ(m_f.ui.m_shown[0].buttons, K7QButtons::OkCancel);
  EXPECT_FALSE(K7QFile::Exists(m_dir.File("copy.k7q")));
  EXPECT_TRUE(Doc().IsModified());
  // OK: the macro is saved first, so the copy holds the change.
  m_f.ui.m_answers = {kIdOk};
  Doc().OnWriteConvertedCopy();
  EXPECT_FALSE(Doc().IsModified());
  const std::string copy = K7QReadFile(m_dir.File("copy.k7q"));
  EXPECT_NE(copy.find("TAX"), std::string::npos);
  EXPECT_EQ(copy.find("\r\n"), std::string::npos);  // the copy has bare line feeds
  EXPECT_NE(copy.find("%EXEC \"cat "), std::string::npos);
}

TEST_F(DocumentTest, AProfileThatCannotBeReadShows62321) {
  K7QWriteFile(m_dir.File("broken.k7q_pro"), "garbage\r\n");
  EXPECT_FALSE(Doc().OpenProfile(QString::fromStdString(m_dir.File("broken.k7q_pro"))));
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62321});
  // The sheet is there, empty.
  ASSERT_NE(m_frame->FormView().DatabaseSheet(), nullptr);
  EXPECT_EQ(m_frame->FormView().DatabaseSheet()->ColumnPage()->Model(), nullptr);
}

// ---- the page editor ----------------------------------------------------------

using PageEditorTest = DocumentTest;

TEST_F(PageEditorTest, AnEditedPageIsConvertedAndMarksTheDocument) {
  // Quoted in the entry, used without the quotes.
  K7QSetPageEditor("\"" + Script("editor.sh", "sleep 1; printf '<P>added</P>\\r\\n' >> \"$1\"") +
                   "\"");
  CK7QBldPageDialog* page = ReportPage();
  ASSERT_NE(page, nullptr);
  const std::string path = page->PagePath().toStdString();
  ASSERT_TRUE(page->OnEdit());
  EXPECT_TRUE(m_frame->SidePanelCollapsed());
  WaitForEditor();
  EXPECT_FALSE(m_frame->SidePanelCollapsed());
  EXPECT_TRUE(Doc().IsModified());
  EXPECT_NE(K7QReadFile(path).find("<P>added</P>"), std::string::npos);
  EXPECT_TRUE(K7QFile::Exists(CK7QBldGroceries::ChangeExtension(path, "htm", "cvt")));
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 4);
  for (unsigned id : m_f.ui.Ids()) EXPECT_NE(id, 62374u);
}

TEST_F(PageEditorTest, AnEditorThatSavesNothingLeavesTheDocumentUnmodifiedButConverted) {
  K7QSetPageEditor(Script("noop.sh", "exit 0"));
  CK7QBldPageDialog* page = ReportPage();
  ASSERT_NE(page, nullptr);
  const std::string converted =
      CK7QBldGroceries::ChangeExtension(page->PagePath().toStdString(), "htm", "cvt");
  ASSERT_TRUE(page->OnEdit());
  WaitForEditor();
  EXPECT_FALSE(Doc().IsModified());
  EXPECT_TRUE(K7QFile::Exists(converted));
}

TEST_F(PageEditorTest, AMacroWithLoopsSurvivesAnEditorRoundTripUnchanged) {
  // The sample report page as the page editor leaves it: loops between markers.
  const std::string page = Page("loops", kHtmlReport);
  fs::copy_file(fs::path(K7Q_SOURCE_DIR) / "data/tovra/samples/shop_report.htm", page);
  m_frame->Macro().Report().Set({}, page);
  ASSERT_TRUE(K7QConvertAfterEditing(m_frame->Macro(), page));
  const int functions = m_frame->Macro().Functions().GetCount();
  ASSERT_GT(functions, 0);
  m_answer = QString::fromStdString(m_dir.File("loops.k7q"));
  ASSERT_TRUE(Doc().OnFileSaveAs());
  const std::string saved = K7QReadFile(m_dir.File("loops.k7q"));

  // Reopen, edit the report page with an editor that changes nothing, save again.
  Doc().OnFileOpen();
  ASSERT_EQ(m_frame->Macro().Functions().GetCount(), functions);
  K7QSetPageEditor(Script("noop.sh", "exit 0"));
  CK7QBldPageDialog* dialog = ReportPage();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->OnEdit());
  WaitForEditor();
  EXPECT_EQ(m_frame->Macro().Functions().GetCount(), functions);
  Doc().SetModifiedFlag(true);
  ASSERT_TRUE(Doc().OnFileSave());
  EXPECT_EQ(K7QReadFile(m_dir.File("loops.k7q")), saved);
  for (unsigned id : m_f.ui.Ids()) EXPECT_TRUE(id == 62366u) << id;
}

TEST_F(PageEditorTest, UnstartableEditor) {
  // (Without an entry the builder takes the editor beside it: DesktopStart tests that.)
  // An editor that cannot start opens the editor-path dialog until one starts.
  K7QSetPageEditor("/no/such/editor");
  QStringList offered;
  const QString good = Script("good.sh", "exit 0");
  m_frame->m_editorPathDialog = [&](const QString& current) {
    offered << current;
    return offered.size() == 1 ? QString("/still/missing") : good;
  };
  EXPECT_TRUE(m_frame->EditPage(4, QString::fromStdString(m_dir.File("p.htm"))));
  EXPECT_EQ(offered, (QStringList{"/no/such/editor", "/still/missing"}));
  WaitForEditor();
  // Cancelled: nothing starts.
  m_frame->m_editorPathDialog = [](const QString&) { return QString(); };
  EXPECT_FALSE(m_frame->EditPage(4, QString::fromStdString(m_dir.File("p.htm"))));
}

// ---- pages of the tree --------------------------------------------------------

TEST_F(DocumentTest, GuidePagesMoveThroughTheTree) {
  m_frame->FormView().SelectItem(1);
  auto* start = qobject_cast<CK7QBldGuidePage*>(m_frame->FormView().CurrentPanel());
  ASSERT_NE(start, nullptr);
  EXPECT_FALSE(start->Button(CK7QBldGuidePage::kIdPrevious)->isEnabled());
  start->Button(CK7QBldGuidePage::kIdOk)->click();
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 3);  // the expanded start item's first child
  m_frame->FormView().SelectItem(8);
  auto* final = qobject_cast<CK7QBldGuidePage*>(m_frame->FormView().CurrentPanel());
  ASSERT_NE(final, nullptr);
  EXPECT_FALSE(final->Button(CK7QBldGuidePage::kIdNext)->isEnabled());
  final->Button(CK7QBldGuidePage::kIdPrevious)->click();
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 7);
  // The final page's OK is Save As.
  m_frame->FormView().SelectItem(8);
  m_answer = QString::fromStdString(m_dir.File("guided.k7q"));
  qobject_cast<CK7QBldGuidePage*>(m_frame->FormView().CurrentPanel())
      ->Button(CK7QBldGuidePage::kIdOk)
      ->click();
  EXPECT_TRUE(K7QFile::Exists(m_dir.File("guided.k7q")));
}

TEST_F(DocumentTest, VariableDialogRefusals) {
  m_frame->FormView().SelectItem(9);
  auto* dialog = qobject_cast<CK7QBldVariable*>(m_frame->FormView().CurrentPanel());
  ASSERT_NE(dialog, nullptr);
  struct Case {
    const char* name;
    const char* value;
    unsigned message;
  };
  const Case refused[] = {
      {"", "x", 62325},                   // empty name
      {"  ", "x", 62325},                 // blanks only
      {"TAX", "", 62326},                 // empty value
      {"V_TAX", "1", 62368},              // the builder's prefix
      {"price", "1", 62370},              // a column of the profile
      {"K7Q_IMG_PATH", "img/", 62401},    // must begin with "/"
      {"k7q_img_path", "/i mg/", 62401},  // no blank
      {"K7Q_IMG_PATH", "/img:x/", 62401},
      // The define section's own lines: the macro would not open with its profile.
      {"DATABASE", "OTHER", 63100},
      {"login", "x", 63100},
      {"Password", "x", 63100},
      {"clobtype", "x", 63100},
      // What would cut the line or end the section when the macro is read again.
      {"A=B", "1", 63101},
      {"A\"B", "1", 63101},
      {"A%}", "1", 63101},
      {"TAX", "say \"hi\"", 63102},
      {"TAX", "50%}", 63102},
      {"TAX", "%{x", 63102},
  };
  for (const Case& c : refused) {
    m_f.ui.m_shown.clear();
    dialog->NameField()->setText(c.name);
    dialog->ValueField()->setText(c.value);
    EXPECT_FALSE(dialog->OnAdd()) << c.name << "=" << c.value;
    EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{c.message}) << c.name << "=" << c.value;
  }
  EXPECT_EQ(dialog->List()->topLevelItemCount(), 0);
  EXPECT_FALSE(dialog->List()->isEnabled());

  m_f.ui.m_shown.clear();
  dialog->NameField()->setText(" K7Q_IMG_PATH ");
  dialog->ValueField()->setText("/img/");
  EXPECT_TRUE(dialog->OnAdd());
  EXPECT_EQ(m_frame->Macro().ImagePath(), "/img/");
  dialog->NameField()->setText("TAX");
  dialog->ValueField()->setText("8");
  EXPECT_TRUE(dialog->OnAdd());
  // The same name again: No keeps the row and clears the fields, Yes replaces.
  dialog->NameField()->setText("tax");
  dialog->ValueField()->setText("10");
  m_f.ui.m_answers = {kIdNo};
  EXPECT_FALSE(dialog->OnAdd());
  EXPECT_TRUE(dialog->NameField()->text().isEmpty());
  EXPECT_EQ(dialog->List()->topLevelItem(1)->text(1), "8");
  dialog->NameField()->setText("tax");
  dialog->ValueField()->setText("10");
  m_f.ui.m_answers = {kIdYes};
  EXPECT_TRUE(dialog->OnAdd());
  EXPECT_EQ(dialog->List()->topLevelItem(1)->text(1), "10");
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62327, 62327}));

  dialog->OnOk();
  const auto& stored = m_frame->Macro().Define().Variables();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].name, "K7Q_IMG_PATH");
  EXPECT_EQ(stored[1].value, "10");
  EXPECT_TRUE(Doc().IsModified());

  // Deleting the image path variable resets the prefix.
  dialog->List()->topLevelItem(0)->setSelected(true);
  dialog->OnDelete();
  EXPECT_EQ(m_frame->Macro().ImagePath(), "/");
  EXPECT_EQ(dialog->List()->topLevelItemCount(), 1);
}

}  // namespace
