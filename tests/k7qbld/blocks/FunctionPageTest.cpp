// The function page through the builder window: its list and commands, the
// statement sheet and the message dialog opened from it, the two editors.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "K7QBldCustomSheet.h"
#include "K7QBldFile.h"
#include "K7QBldSelect.h"
#include "K7QBldSettings.h"
#include "K7QBlocksFixture.h"
#include "K7QFaultInjection.h"

namespace {

class FunctionPageTest : public BlocksTest {
 protected:
  const CK7QBldFunctionEntry* Entry(const std::string& name) {
    return Macro().Functions().Entry(Macro().Functions().FindByName(name));
  }
  // Fills the name and comment fields and adds.
  bool Add(CK7QBldFunction& page, const QString& name, const QString& comment) {
    page.NameField()->setText(name);
    page.CommentField()->setText(comment);
    return page.OnAdd();
  }
  // The row of the operator list labelled with string `label`.
  int OperatorRow(CK7QBldSelect& select, unsigned label) {
    const auto found = select.Operators()->findItems(m_f.context.String(label), Qt::MatchExactly);
    EXPECT_EQ(found.size(), 1) << label;
    return found.isEmpty() ? -1 : select.Operators()->row(found.front());
  }
  // Types `text` into the value list's last row and selects the row it makes.
  void TypeValue(CK7QBldSelect& select, const QString& text) {
    select.Placeholder()->setText(text);
    QListWidgetItem* row = select.ValueRow(text);
    ASSERT_NE(row, nullptr) << text.toStdString();
    select.Values()->clearSelection();
    row->setSelected(true);
  }
  // "customers.id > 5" built on the page.
  void BuildIdCondition(CK7QBldSelect& select) {
    select.SetClause(CK7QBldSelectBuilder::kClauseConditions);
    ASSERT_TRUE(select.SelectTable("customers"));
    ASSERT_TRUE(select.SelectColumns({"id"}));
    select.OnAdd();
    select.OnOperator(OperatorRow(select, 62290));
    TypeValue(select, "5");
    select.OnApply();
  }
};

TEST_F(FunctionPageTest, AddChecksTheNameAndAsksBeforeReplacingAComment) {
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(page->List()->isEnabled());
  EXPECT_FALSE(Button(page, CK7QBldFunction::kIdDelete)->isEnabled());
  EXPECT_FALSE(Add(*page, "  ", "x"));
  EXPECT_FALSE(Add(*page, "list.old", "x"));
  EXPECT_FALSE(Add(*page, "Orders", "50%} off"));
  EXPECT_TRUE(Add(*page, " Orders ", "first"));
  ASSERT_EQ(page->Rows().size(), 1u);
  EXPECT_EQ(page->Rows()[0].name, "Orders");
  EXPECT_EQ(page->Rows()[0].flag, kFunctionAuthor);
  EXPECT_EQ(page->Rows()[0].page, m_dir.File(m_frame->MacroTitle() + "_Orders.htm"));
  EXPECT_TRUE(page->NameField()->text().isEmpty());
  EXPECT_TRUE(page->CommentField()->text().isEmpty());
  EXPECT_TRUE(page->List()->isEnabled());
  // The same name in other letters asks; No keeps the comment, Yes replaces it.
  m_f.ui.m_answers = {kIdNo};
  Add(*page, "ORDERS", "second");
  EXPECT_EQ(page->Rows()[0].comment, "first");
  m_f.ui.m_answers = {kIdYes};
  Add(*page, "orders", "second");
  EXPECT_EQ(page->Rows()[0].comment, "second");
  EXPECT_EQ(page->List()->topLevelItem(0)->text(1), "second");
  EXPECT_EQ(page->Rows().size(), 1u);
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62323, 63500, 63511, 62328, 62328}));

  // Rows reach the macro when stored, and only a change marks the document.
  EXPECT_EQ(Macro().Functions().GetCount(), 0);
  EXPECT_FALSE(Doc().IsModified());
  EXPECT_TRUE(page->Store());
  EXPECT_TRUE(Doc().IsModified());
  ASSERT_NE(Entry("ORDERS"), nullptr);
  EXPECT_EQ(Entry("ORDERS")->comment, "second");
  Doc().SetModifiedFlag(false);
  EXPECT_FALSE(page->Store());
  EXPECT_FALSE(Doc().IsModified());
}

TEST_F(FunctionPageTest, StoringKeepsTheReportKindAndTheAuthorsSqlText) {
  ConvertSampleReport();
  ASSERT_EQ(Entry("PRODUCT_TABLE")->kind, kReportKindTable);
  const int rows = Macro().Functions().FindByName("CUSTOMER_ROWS");
  const std::string grouped = "SELECT customers.name FROM customers GROUP BY customers.name";
  Macro().Functions().SetSqlText(rows, grouped);
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->SelectRow("PRODUCT_TABLE"));
  EXPECT_EQ(page->NameField()->text(), "PRODUCT_TABLE");
  m_f.ui.m_answers = {kIdYes};
  ASSERT_TRUE(Add(*page, "PRODUCT_TABLE", "the price list"));
  Button(page, CK7QBldFunction::kIdNext)->click();
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 8);
  EXPECT_TRUE(Doc().IsModified());
  EXPECT_EQ(Entry("PRODUCT_TABLE")->comment, "the price list");
  EXPECT_EQ(Entry("PRODUCT_TABLE")->kind, kReportKindTable);
  EXPECT_EQ(Entry("CUSTOMER_ROWS")->SqlText(nullptr), grouped);
}

TEST_F(FunctionPageTest, CommandsFollowTheKindOfTheSelectedFunction) {
  ConvertSampleReport();
  CK7QBldSQL none;
  ASSERT_GE(Macro().Functions().Add(kFunctionAuthor, "MINE", {}, {}, none, CK7QBldMessageBlock(),
                                    kReportKindNone),
            0);
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  const auto enabled = [&](int id) { return Button(page, id)->isEnabled(); };
  EXPECT_FALSE(enabled(CK7QBldFunction::kIdStatement));
  EXPECT_FALSE(enabled(CK7QBldFunction::kIdMessages));
  ASSERT_TRUE(page->SelectRow("PRODUCT_TABLE"));
  EXPECT_TRUE(enabled(CK7QBldFunction::kIdEditText));
  EXPECT_FALSE(enabled(CK7QBldFunction::kIdEditPage));
  EXPECT_TRUE(enabled(CK7QBldFunction::kIdStatement));
  EXPECT_TRUE(enabled(CK7QBldFunction::kIdMessages));
  ASSERT_TRUE(page->SelectRow("mine"));
  EXPECT_FALSE(enabled(CK7QBldFunction::kIdEditText));
  EXPECT_TRUE(enabled(CK7QBldFunction::kIdEditPage));
  // The icons tell the two kinds apart.
  const QImage builderMade = page->List()->topLevelItem(0)->icon(0).pixmap(16).toImage();
  const QImage mine = page->List()->topLevelItem(4)->icon(0).pixmap(16).toImage();
  EXPECT_NE(builderMade, mine);
  // The two columns share what the list shows, whatever the window's size.
  for (const int width : {900, 1200}) {
    m_frame->resize(width, 640);
    m_frame->show();
    QApplication::processEvents();
    const int half = page->List()->viewport()->width() / 2 - 2;
    EXPECT_GT(half, 150) << width;
    EXPECT_EQ(page->List()->columnWidth(0), half) << width;
    EXPECT_GE(page->List()->columnWidth(1), half) << width;  // the last one fills the rest
  }
}

TEST_F(FunctionPageTest, DeletingACalledFunctionAsksNamingThePages) {
  ConvertSampleReport();
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  const std::string functionPage = Entry("PRODUCT_TABLE")->page;
  ASSERT_TRUE(K7QFile::Exists(functionPage));
  ASSERT_TRUE(page->SelectRow("PRODUCT_TABLE"));
  m_f.ui.m_answers = {kIdNo};
  page->OnDelete();
  EXPECT_EQ(page->Rows().size(), 4u);
  ASSERT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63504});
  const std::string& question = m_f.ui.m_shown[0].text;
  EXPECT_NE(question.find("PRODUCT_TABLE"), std::string::npos);
  EXPECT_NE(question.find(m_f.ui.String(62183)), std::string::npos);  // the report page
  EXPECT_EQ(m_f.ui.m_shown[0].buttons, K7QButtons::YesNo);
  EXPECT_TRUE(K7QFile::Exists(functionPage));
  m_f.ui.m_answers = {kIdYes};
  page->OnDelete();
  EXPECT_EQ(page->Rows().size(), 3u);
  EXPECT_FALSE(K7QFile::Exists(functionPage));

  // A function nobody calls goes without a question.
  Add(*page, "LONE", {});
  m_f.ui.m_shown.clear();
  ASSERT_TRUE(page->SelectRow("LONE"));
  page->OnDelete();
  EXPECT_TRUE(m_f.ui.m_shown.empty());
  EXPECT_EQ(page->Rows().size(), 3u);
  page->Store();
  EXPECT_EQ(Macro().Functions().FindByName("PRODUCT_TABLE"), -1);
  EXPECT_EQ(Macro().Functions().GetCount(), 3);
}

TEST_F(FunctionPageTest, FileErrorsAreReportedAndNothingIsTakenForMissing) {
  ConvertSampleReport();
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  const std::string functionPage = Entry("DESCRIPTIONS")->page;
  const auto stops = [this] {
    int count = 0;
    for (const auto& shown : m_f.ui.m_shown) count += shown.icon == K7QIcon::Stop ? 1 : 0;
    return count;
  };
  {
    // A page that cannot be removed keeps its row; the report names the file.
    CK7QFaults faults;
    faults.FailPath(K7QFile::Call::Unlink, functionPage, EACCES);
    ASSERT_TRUE(page->SelectRow("DESCRIPTIONS"));
    m_f.ui.m_answers = {kIdYes};  // the report page calls it
    page->OnDelete();
    EXPECT_TRUE(faults.Fired());
  }
  EXPECT_EQ(page->Rows().size(), 4u);
  EXPECT_EQ(stops(), 1);
  EXPECT_NE(m_f.ui.m_shown.back().text.find(K7QFile::FileName(functionPage)), std::string::npos);
  EXPECT_TRUE(K7QFile::Exists(functionPage));

  // A report page whose state cannot be read may call the function: asked.
  Add(*page, "LONE", {});
  m_f.ui.m_shown.clear();
  {
    CK7QFaults faults;
    faults.FailPath(K7QFile::Call::Stat, "HTML_REPORT", EIO);
    ASSERT_TRUE(page->SelectRow("LONE"));
    m_f.ui.m_answers = {kIdNo};
    page->OnDelete();
  }
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63504});
  EXPECT_EQ(page->Rows().size(), 5u);

  // An author's page whose state cannot be read is not made anew, and no
  // editor starts on it.
  m_f.ui.m_shown.clear();
  {
    CK7QFaults faults;
    faults.FailPath(K7QFile::Call::Stat, "_LONE.", EACCES);
    ASSERT_TRUE(page->SelectRow("LONE"));
    EXPECT_FALSE(page->OnEditPage());
  }
  EXPECT_EQ(stops(), 1);
  EXPECT_FALSE(m_frame->PageEditorRunning());
  EXPECT_FALSE(K7QFile::Exists(Entry("LONE")->page));
}

TEST_F(FunctionPageTest, TheStatementSheetStoresOnOkAndKeepsTheStatementOnCancel) {
  ConvertSampleReport();
  const std::string before = Entry("CUSTOMER_ROWS")->SqlText(nullptr);
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->SelectRow("CUSTOMER_ROWS"));
  QString title;
  OnModal<CK7QBldCustomSheet>([&](CK7QBldCustomSheet& sheet) {
    title = sheet.windowTitle();
    BuildIdCondition(*sheet.Page());
    EXPECT_EQ(sheet.Page()->StatementText()->toPlainText().toStdString(),
              before + " WHERE customers.id > 5");
    Button(&sheet, CK7QBldCustomSheet::kIdCancel)->click();
  });
  EXPECT_EQ(page->OnStatement(), CK7QBldCustomSheet::kIdCancel);
  EXPECT_EQ(title, m_f.context.String(62242));
  EXPECT_EQ(Entry("CUSTOMER_ROWS")->SqlText(nullptr), before);
  EXPECT_EQ(page->Rows()[1].statement.BuildText(), before);
  EXPECT_FALSE(Doc().IsModified());

  OnModal<CK7QBldCustomSheet>([&](CK7QBldCustomSheet& sheet) {
    BuildIdCondition(*sheet.Page());
    Button(&sheet, CK7QBldCustomSheet::kIdOk)->click();
  });
  EXPECT_EQ(page->OnStatement(), CK7QBldCustomSheet::kIdOk);
  EXPECT_EQ(Entry("CUSTOMER_ROWS")->SqlText(nullptr), before + " WHERE customers.id > 5");
  EXPECT_TRUE(Doc().IsModified());
  EXPECT_TRUE(m_f.ui.m_shown.empty());
}

TEST_F(FunctionPageTest, AnUnfinishedConditionKeepsTheSheetOpenAndNextMovesOn) {
  ConvertSampleReport();
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->SelectRow("CUSTOMER_ROWS"));
  OnModal<CK7QBldCustomSheet>([&](CK7QBldCustomSheet& sheet) {
    CK7QBldSelect& select = *sheet.Page();
    select.SetClause(CK7QBldSelectBuilder::kClauseConditions);
    select.SelectTable("customers");
    select.SelectColumns({"name"});
    select.OnAdd();
    EXPECT_FALSE(sheet.OnCommand(CK7QBldCustomSheet::kIdNext));
    EXPECT_TRUE(sheet.isVisible());
    select.OnOperator(OperatorRow(select, 62296));
    TypeValue(select, "abc");
    select.OnApply();
    EXPECT_TRUE(sheet.OnCommand(CK7QBldCustomSheet::kIdNext));
  });
  EXPECT_EQ(page->OnStatement(), CK7QBldCustomSheet::kIdNext);
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63505});
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 8);
  EXPECT_NE(Entry("CUSTOMER_ROWS")->SqlText(nullptr).find("WHERE customers.name LIKE '%abc%'"),
            std::string::npos);
}

TEST_F(FunctionPageTest, SqlThePageCannotShowIsReplacedOnlyWhenTheAuthorAgrees) {
  ConvertSampleReport();
  const std::string grouped = "SELECT customers.name FROM customers GROUP BY customers.name";
  Macro().Functions().SetSqlText(Macro().Functions().FindByName("CUSTOMER_ROWS"), grouped);
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->SelectRow("CUSTOMER_ROWS"));
  m_f.ui.m_answers = {kIdNo};
  EXPECT_EQ(page->OnStatement(), CK7QBldCustomSheet::kIdCancel);
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63510});
  // Looked at and left with OK unchanged, the author's text stays.
  m_f.ui.m_answers = {kIdYes};
  OnModal<CK7QBldCustomSheet>(
      [](CK7QBldCustomSheet& sheet) { sheet.OnCommand(CK7QBldCustomSheet::kIdOk); });
  EXPECT_EQ(page->OnStatement(), CK7QBldCustomSheet::kIdOk);
  EXPECT_EQ(Entry("CUSTOMER_ROWS")->SqlText(nullptr), grouped);
  m_f.ui.m_answers = {kIdYes};
  OnModal<CK7QBldCustomSheet>([&](CK7QBldCustomSheet& sheet) {
    BuildIdCondition(*sheet.Page());
    sheet.OnCommand(CK7QBldCustomSheet::kIdOk);
  });
  page->OnStatement();
  EXPECT_EQ(Entry("CUSTOMER_ROWS")->sqlText, "");
  EXPECT_EQ(Entry("CUSTOMER_ROWS")->SqlText(nullptr),
            Entry("CUSTOMER_ROWS")->statement.BuildText());
}

TEST_F(FunctionPageTest, AFunctionsMessagesAreEditedInAModalDialog) {
  ConvertSampleReport();
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->SelectRow("CUSTOMER_ROWS"));
  OnModal<CK7QBldMessage>([&](CK7QBldMessage& dialog) {
    EXPECT_EQ(dialog.windowTitle(), m_f.context.String(62241));
    EXPECT_TRUE(Button(&dialog, CK7QBldMessage::kIdNext)->isHidden());
    EXPECT_TRUE(Button(&dialog, CK7QBldMessage::kIdPrevious)->isHidden());
    auto* before = dialog.findChild<QRadioButton*>("1262");
    auto* after = dialog.findChild<QRadioButton*>("1263");
    ASSERT_TRUE(before && after);
    EXPECT_TRUE(before->isChecked());
    dialog.OnCodeChosen(dialog.CodeCombo()->findText("+100"));
    EXPECT_TRUE(dialog.OnAdd());
    after->setChecked(true);
    Button(&dialog, CK7QBldMessage::kIdOk)->click();
  });
  EXPECT_TRUE(page->OnMessages());
  const CK7QBldMessageBlock& messages = Entry("CUSTOMER_ROWS")->messages;
  EXPECT_EQ(messages.GetPosition(), kMessagePositionAfterReport);
  EXPECT_EQ(messages.GetSectionText(),
            "%MESSAGE{\n+100: \"" + K7QSjis(m_f.ui.String(62411)) + "\": continue\n%}\n");
  EXPECT_TRUE(Doc().IsModified());

  // Cancel leaves the block as it was.
  Doc().SetModifiedFlag(false);
  OnModal<CK7QBldMessage>([&](CK7QBldMessage& dialog) {
    dialog.List()->topLevelItem(0)->setSelected(true);
    dialog.OnDelete();
    Button(&dialog, CK7QBldMessage::kIdCancel)->click();
  });
  EXPECT_FALSE(page->OnMessages());
  EXPECT_EQ(Entry("CUSTOMER_ROWS")->messages.GetCount(), 1);
  EXPECT_FALSE(Doc().IsModified());
}

TEST_F(FunctionPageTest, TheTextEditorShowsABuilderMadeFunctionsPage) {
  ConvertSampleReport();
  const std::string args = m_dir.File("args.txt");
  K7QBldSettings::SetValue(
      K7QBldSettings::kFilePath, "EditorPath",
      Script("text.sh", "echo \"$@\" > '" + args + "'; printf '<P>more</P>\\r\\n' >> \"$1\""));
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->SelectRow("CUSTOMER_ROWS"));
  const std::string functionPage = Entry("CUSTOMER_ROWS")->page;
  ASSERT_TRUE(page->OnEditText());
  ASSERT_TRUE(WaitUntil([&] {
    m_frame->PollEditors();
    return Doc().IsModified();
  }));
  EXPECT_EQ(K7QReadFile(args), functionPage + " -t " + m_f.ui.String(62244) + "\n");
  EXPECT_NE(K7QReadFile(functionPage).find("<P>more</P>"), std::string::npos);
}

TEST_F(FunctionPageTest, AnAuthorsFunctionPageIsEditedInThePageEditorAndSavedInMacroForm) {
  K7QSetPageEditor(Script("editor.sh", "printf '<P>Hello</P>\\r\\n' > \"$1\""));
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(Add(*page, "MINE", "mine"));
  ASSERT_TRUE(page->SelectRow("MINE"));
  ASSERT_TRUE(page->OnEditPage());
  EXPECT_NE(Entry("MINE"), nullptr);  // stored as the editor started
  EXPECT_TRUE(m_frame->SidePanelCollapsed());
  WaitForEditor();
  EXPECT_EQ(m_frame->FormView().SelectedCode(), CK7QBldFunction::kTreeCode);
  EXPECT_TRUE(Doc().IsModified());
  SaveAs("mine.k7q");
  const std::string macro = K7QReadFile(m_dir.File("mine.k7q"));
  EXPECT_NE(macro.find("%FUNCTION(RZV_SQL)MINE(){\r\n%REPORT{\r\n<P>Hello</P>\r\n%}\r\n%}"),
            std::string::npos)
      << macro;
}

TEST_F(FunctionPageTest, RowsTypedWhileThePageEditorRunsMeetTheFunctionsItsPageMakes) {
  // The report page comes back from the editor with the sample's four loops.
  const std::string sample = std::string(K7Q_SOURCE_DIR) + "/data/tovra/samples/shop_report.htm";
  const std::string go = m_dir.File("go");
  K7QSetPageEditor(Script("loops.sh", "while [ ! -e '" + go + "' ]; do sleep 0.05; done; cat '" +
                                          sample + "' > \"$1\""));
  CK7QBldPageDialog* report = ReportPage();
  ASSERT_NE(report, nullptr);
  ASSERT_TRUE(report->OnEdit());
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(Add(*page, "KEEP", "typed, not stored"));
  ASSERT_TRUE(page->SelectRow("KEEP"));
  EXPECT_FALSE(Button(page, CK7QBldFunction::kIdEditPage)->isEnabled());  // one editor at a time
  K7QWriteFile(go, "");
  WaitForEditor();
  EXPECT_EQ(m_frame->FormView().SelectedCode(), 4);
  EXPECT_EQ(Macro().Functions().GetCount(), 5);
  EXPECT_NE(Entry("KEEP"), nullptr);
  EXPECT_NE(Entry("PRODUCT_TABLE"), nullptr);
  // The page shown again lists them all, and storing it keeps them.
  page = FunctionPage();
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(page->Rows().size(), 5u);
}

TEST_F(FunctionPageTest, AnEditorEndingUnderAModalWindowIsTakenUpAfterIt) {
  const std::string go = m_dir.File("go");
  K7QSetPageEditor(Script("wait.sh", "while [ ! -e '" + go + "' ]; do sleep 0.05; done"));
  CK7QBldPageDialog* report = ReportPage();
  ASSERT_NE(report, nullptr);
  ASSERT_TRUE(report->OnEdit());
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(Add(*page, "MINE", {}));
  ASSERT_TRUE(page->SelectRow("MINE"));
  bool stillRunning = false;
  OnModal<CK7QBldMessage>([&](CK7QBldMessage& dialog) {
    K7QWriteFile(go, "");
    QThread::msleep(300);
    m_frame->PollEditors();
    // The function page under the dialog was not replaced.
    stillRunning = m_frame->PageEditorRunning();
    dialog.reject();
  });
  EXPECT_FALSE(page->OnMessages());
  EXPECT_TRUE(stillRunning);
  WaitForEditor();
  EXPECT_NE(Entry("MINE"), nullptr);
}

// The whole road: a statement built on the page, saved, opened again.
TEST_F(FunctionPageTest, AStatementBuiltOnThePageComesBackAfterSaveAndOpen) {
  ConvertSampleReport();
  SaveAs("shop.k7q");
  const std::string before = Entry("PRODUCT_TABLE")->SqlText(nullptr);
  ASSERT_EQ(before.find("WHERE"), std::string::npos);
  CK7QBldFunction* page = FunctionPage();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(page->SelectRow("PRODUCT_TABLE"));
  OnModal<CK7QBldCustomSheet>([&](CK7QBldCustomSheet& sheet) {
    CK7QBldSelect& select = *sheet.Page();
    EXPECT_EQ(select.CurrentClause(), CK7QBldSelectBuilder::kClauseConditions);
    select.SelectTable("products");
    select.SelectColumns({"price"});
    select.OnAdd();
    select.OnOperator(OperatorRow(select, 62291));
    TypeValue(select, "100");
    select.OnApply();
    select.SelectColumns({"stock"});
    select.SetUseOr(true);
    select.OnAdd();
    select.OnOperator(OperatorRow(select, 62294));
    TypeValue(select, "1");
    QListWidgetItem* one = select.ValueRow("1");
    TypeValue(select, "5");
    one->setSelected(true);
    select.OnApply();
    select.SetClause(CK7QBldSelectBuilder::kClauseOrdering);
    select.SelectColumns({"name"});
    select.Direction()->setCurrentIndex(2);
    select.OnAdd();
    sheet.OnCommand(CK7QBldCustomSheet::kIdOk);
  });
  ASSERT_EQ(page->OnStatement(), CK7QBldCustomSheet::kIdOk);
  const std::string built = before +
                            " WHERE products.price >= 100 OR products.stock BETWEEN 1 AND 5"
                            " ORDER BY products.name DESC";
  EXPECT_EQ(Entry("PRODUCT_TABLE")->SqlText(nullptr), built);
  ASSERT_TRUE(Doc().OnFileSave());
  const std::string saved = K7QReadFile(m_dir.File("shop.k7q"));

  m_answer = Path("shop.k7q");
  Doc().OnFileOpen();
  ASSERT_NE(Entry("PRODUCT_TABLE"), nullptr);
  EXPECT_EQ(Entry("PRODUCT_TABLE")->SqlText(nullptr), built);
  EXPECT_EQ(Entry("PRODUCT_TABLE")->sqlText, "");  // the page can edit it again
  Doc().SetModifiedFlag(true);
  ASSERT_TRUE(Doc().OnFileSave());
  EXPECT_EQ(K7QReadFile(m_dir.File("shop.k7q")), saved);
  EXPECT_TRUE(m_f.ui.m_shown.empty());
}

}  // namespace
