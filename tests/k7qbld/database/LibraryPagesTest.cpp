// The statement, variable and function pages: their order in the sheet,
// categories read afresh, the first entry selected, missing libraries,
// skipped lines, the function page's drag and the argument dialog.
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTreeWidget>

#include "K7QBldArgumentRows.h"
#include "K7QBldDBFunction.h"
#include "K7QBldDBStatement.h"
#include "K7QBldDBVariable.h"
#include "K7QBldDragControls.h"
#include "K7QBldFunctionRemarks.h"
#include "K7QBldMacro.h"
#include "K7QSheetFixture.h"

namespace {

using F = CK7QBldDBFunction;
using Remarks = CK7QBldFunctionRemarks;

class LibraryPagesTest : public SheetTest {
 protected:
  CK7QBldDBStatement* Statements() { return Sheet()->StatementPage(); }
  CK7QBldDBVariable* Variables() { return Sheet()->VariablePage(); }
  CK7QBldDBFunction* Functions() { return Sheet()->FunctionPage(); }
  void Show(QWidget* page) { Sheet()->Tabs()->setCurrentWidget(page); }
  // A library file of the test's own under settings key `key`.
  std::string UseLibrary(const char* key, const std::string& bytes) {
    const std::string path = m_dir.File(std::string(key) + ".txt");
    K7QWriteFile(path, bytes);
    UsePath(key, path);
    return path;
  }
  void UsePath(const char* key, const std::string& path) {
    QSettings(QSettings::IniFormat, QSettings::UserScope, "Halvard", "K7QBld")
        .setValue(QString("FilePath/") + key, QString::fromStdString(path));
  }
  QStringList Texts(QListWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    return texts;
  }
  QStringList Texts(QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(0);
    return texts;
  }
  QString StatusBar() { return m_frame->statusBar()->currentMessage(); }
  CK7QBldFunctionArgument& Store(int category) {
    return Macro().ArgumentStore(static_cast<std::size_t>(category));
  }
  bool DragFunction() { return Functions()->DragStarting(Functions()->List(), F::kIdList); }
  void SelectFunction(int row) {
    Functions()->List()->setCurrentItem(Functions()->List()->topLevelItem(row));
  }
};

TEST_F(LibraryPagesTest, ThePagesFollowTheRepeatControlsInOrder) {
  ASSERT_EQ(Sheet()->PageCount(), 5);
  const char* ids[] = {"144", "166", "145", "146", "147"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Sheet()->Page(i)->objectName(), ids[i]);
  EXPECT_EQ(Sheet()->Tabs()->tabText(4), "Functions");
  // Nothing is read before the author turns to a page.
  EXPECT_EQ(Functions()->List()->topLevelItemCount(), 0);
  EXPECT_TRUE(m_f.ui.Ids().empty());
}

// On the installed libraries: the first category and its first function.
TEST_F(LibraryPagesTest, TheFunctionPageOpensOnItsFirstCategory) {
  Show(Functions());
  QListWidget* categories = Functions()->Categories();
  ASSERT_EQ(categories->count(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(categories->item(i)->text(), m_f.context.String(62214 + i));
    EXPECT_EQ(categories->item(i)->data(Qt::UserRole).toInt(), i);
  }
  EXPECT_EQ(categories->currentRow(), 0);
  EXPECT_EQ(Texts(Functions()->List()), (QStringList{"RZV_ASSIGN", "RZV_DATE"}));
  EXPECT_EQ(Functions()->List()->currentItem(), Functions()->List()->topLevelItem(0));
  EXPECT_EQ(Functions()->Details().name, "RZV_ASSIGN");
  EXPECT_EQ(Functions()->ItemImage(0), F::kImageNoValues);
  EXPECT_EQ(StatusBar(), K7QFromCp932(Functions()->Details().description));
  EXPECT_FALSE(StatusBar().isEmpty());

  categories->setCurrentRow(2);
  EXPECT_EQ(Functions()->Category(), 2);
  EXPECT_EQ(Texts(Functions()->List()).front(), "RZV_LENGTH");
  // A category without functions: an empty, disabled list.
  categories->setCurrentRow(3);
  EXPECT_EQ(Functions()->List()->topLevelItemCount(), 0);
  EXPECT_FALSE(Functions()->List()->isEnabled());
  EXPECT_TRUE(m_f.ui.Ids().empty());
  // Leaving the page gives the status bar back.
  Show(Columns());
  EXPECT_EQ(StatusBar(), "Ready");
}

TEST_F(LibraryPagesTest, ChoosingACategoryReadsTheFileAfresh) {
  const std::string path = UseLibrary(
      "WordFunctionPath", "Function{\r\nFIRST:one\r\n}\r\nFunction{\r\nSECOND:two\r\n}\r\n");
  Show(Functions());
  EXPECT_EQ(Functions()->ChooseCategory(3), 2);
  EXPECT_EQ(Texts(Functions()->List()), (QStringList{"FIRST", "SECOND"}));
  K7QWriteFile(path, "Function{\r\nTHIRD:three\r\n}\r\n");
  Functions()->ChooseCategory(3);
  EXPECT_EQ(Texts(Functions()->List()), QStringList{"THIRD"});
  EXPECT_EQ(StatusBar(), "three");

  UseLibrary("PredefinedVariablePath", "A:$(A):first\r\nB:$(B):second\r\n");
  Show(Variables());
  EXPECT_EQ(Texts(Variables()->List()), (QStringList{"A", "B"}));
  EXPECT_EQ(Variables()->List()->currentRow(), 0);
  EXPECT_EQ(Variables()->Fragment(), "$(A)");
  EXPECT_EQ(StatusBar(), "first");
  Variables()->List()->setCurrentRow(1);
  EXPECT_EQ(Variables()->Fragment(), "$(B)");
  EXPECT_EQ(StatusBar(), "second");
  UseLibrary("PredefinedVariablePath", "C:$(C):third\r\n");
  Variables()->Categories()->setCurrentRow(1);
  Variables()->Categories()->setCurrentRow(0);
  EXPECT_EQ(Texts(Variables()->List()), QStringList{"C"});
  EXPECT_EQ(Variables()->Fragment(), "$(C)");
}

// Each page's library missing at its first activation: its message once.
TEST_F(LibraryPagesTest, AMissingLibraryIsReportedOnce) {
  const struct {
    const char* key;
    int page;
    unsigned message;
  } cases[] = {
      {"StatementPath", 2, 62341},
      {"PredefinedVariablePath", 3, 62342},
      {"GeneralFunctionPath", 4, 62343},
  };
  for (const auto& c : cases) {
    UsePath(c.key, m_dir.File("none.txt"));
    m_f.ui.m_shown.clear();
    Show(Sheet()->Page(c.page));
    Show(Columns());
    Show(Sheet()->Page(c.page));
    EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{c.message}) << c.key;
  }
  EXPECT_EQ(Statements()->List()->count(), 0);
  EXPECT_TRUE(Statements()->Fragment().empty());
  EXPECT_FALSE(Functions()->List()->isEnabled());
  // An empty setting is no library either.
  UsePath("StatementPath", "");
  EXPECT_EQ(Statements()->List()->count(), 0);
}

TEST_F(LibraryPagesTest, UnreadableLinesAreSkippedAndTheCountShown) {
  UseLibrary("StatementPath", "A:%ELSE:d\r\nB:\xff\xfe:bad\r\n" + std::string(5000, 'x') + "\r\n");
  Show(Statements());
  EXPECT_EQ(Texts(Statements()->List()), QStringList{"A"});
  auto* note = Control<QLabel>(Statements(), CK7QBldDBLibraryPage::kIdSkipped);
  ASSERT_NE(note, nullptr);
  EXPECT_FALSE(note->isHidden());
  EXPECT_EQ(note->text(), m_f.context.String(63700) + " 2");
  EXPECT_EQ(Statements()->Fragment(), "%ELSE");
  EXPECT_TRUE(m_f.ui.Ids().empty());
  // A file that is a folder: the file error is reported under the page's name.
  UsePath("StatementPath", m_dir.Path());
  Show(Columns());
  Show(Statements());
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{0});
  EXPECT_NE(m_f.ui.m_shown.back().text.find("K7QBldDBStatement"), std::string::npos);
  EXPECT_TRUE(note->isHidden());
}

TEST_F(LibraryPagesTest, AFunctionWithValuesDragsItsCall) {
  Show(Functions());
  SelectFunction(1);  // RZV_DATE, identity 1
  Store(0).Add(1, {"\"S\"", "_NOWDATE"});
  ASSERT_TRUE(DragFunction());
  EXPECT_EQ(Functions()->Fragment(), "@RZV_DATE(\"S\",_NOWDATE)");
  // The stores are per library: the same identity elsewhere has none.
  EXPECT_EQ(Store(1).CountValues(1), 0);
}

TEST_F(LibraryPagesTest, AFunctionWithoutValuesAsksForThemFirst) {
  Show(Functions());
  SelectFunction(0);  // RZV_ASSIGN
  int dialogs = 0;
  // Cancelled: the call goes without arguments.
  Functions()->m_runDialog = [&](QDialog&) { return ++dialogs, false; };
  ASSERT_TRUE(DragFunction());
  EXPECT_EQ(Functions()->Fragment(), "@RZV_ASSIGN()");
  EXPECT_EQ(dialogs, 1);
  // Entered: the values are kept, the image changes, nothing is dragged.
  Functions()->m_runDialog = [&](QDialog& dialog) {
    ++dialogs;
    auto* list = dialog.findChild<QTreeWidget*>(QString::number(Remarks::kIdList));
    list->topLevelItem(0)->setSelected(true);
    dialog.findChild<QLineEdit*>(QString::number(Remarks::kIdValue))->setText(" CAMP_X ");
    dialog.findChild<QPushButton*>(QString::number(Remarks::kIdSet))->click();
    list->clearSelection();
    list->topLevelItem(1)->setSelected(true);
    dialog.findChild<QLineEdit*>(QString::number(Remarks::kIdValue))->setText("a,b");
    dialog.findChild<QPushButton*>(QString::number(Remarks::kIdSet))->click();
    dialog.accept();
    return true;
  };
  EXPECT_FALSE(DragFunction());
  EXPECT_EQ(dialogs, 2);
  K7QStringList values;
  EXPECT_EQ(Store(0).Get(0, values), 2);
  EXPECT_EQ(values, (K7QStringList{"CAMP_X", "\"a,b\""}));
  EXPECT_EQ(Functions()->ItemImage(0), F::kImageValues);
  EXPECT_EQ(Functions()->ItemImage(1), F::kImageNoValues);
  // The next drag takes them without asking.
  ASSERT_TRUE(DragFunction());
  EXPECT_EQ(dialogs, 2);
  EXPECT_EQ(Functions()->Fragment(), "@RZV_ASSIGN(CAMP_X,\"a,b\")");
  // The image survives reading the category again.
  Functions()->ChooseCategory(0);
  EXPECT_EQ(Functions()->ItemImage(0), F::kImageValues);
}

TEST_F(LibraryPagesTest, OkWithoutValuesLeavesAnEntryThatLaterValuesReplace) {
  Show(Functions());
  SelectFunction(1);
  Functions()->m_runDialog = [](QDialog& dialog) {
    dialog.accept();
    return true;
  };
  Functions()->EditArguments();
  EXPECT_TRUE(Store(0).Has(1));
  EXPECT_EQ(Functions()->ItemImage(1), F::kImageNoValues);
  Functions()->m_runDialog = [](QDialog& dialog) {
    auto* list = dialog.findChild<QTreeWidget*>(QString::number(Remarks::kIdList));
    list->topLevelItem(0)->setSelected(true);
    dialog.findChild<QLineEdit*>(QString::number(Remarks::kIdValue))->setText("\"D\"");
    static_cast<Remarks&>(dialog).OnSet();
    dialog.accept();
    return true;
  };
  Functions()->EditArguments();
  EXPECT_EQ(Store(0).GetCount(), 1);
  ASSERT_TRUE(DragFunction());
  EXPECT_EQ(Functions()->Fragment(), "@RZV_DATE(\"D\")");
}

TEST_F(LibraryPagesTest, TheArgumentDialogShowsTheFunctionAndRefusesBadInput) {
  Show(Functions());
  Functions()->ChooseCategory(2);
  SelectFunction(1);  // RZV_SUBSTR, four arguments
  CK7QBldLibraryFunction details = Functions()->Details();
  details.values = {"$(A)", "1"};
  Remarks dialog(m_f.context, details, Functions());
  EXPECT_EQ(dialog.findChild<QLineEdit*>(QString::number(Remarks::kIdName))->text(), "RZV_SUBSTR");
  const QString description =
      dialog.findChild<QPlainTextEdit*>(QString::number(Remarks::kIdDescription))->toPlainText();
  EXPECT_TRUE(description.startsWith("Description\n\t"));
  EXPECT_NE(description.indexOf("Parameters\n\t@RZV_SUBSTR(VALUE, START, COUNT)\n"), -1);
  EXPECT_NE(description.indexOf("Arguments\n\t"), -1);
  auto* list = dialog.findChild<QTreeWidget*>(QString::number(Remarks::kIdList));
  ASSERT_EQ(list->topLevelItemCount(), 4);
  EXPECT_EQ(list->headerItem()->text(0), "Arguments");
  EXPECT_EQ(list->headerItem()->text(1), "Value");
  EXPECT_EQ(list->topLevelItem(0)->text(0), "VALUE");
  EXPECT_EQ(list->topLevelItem(0)->text(1), "$(A)");
  EXPECT_EQ(list->topLevelItem(2)->text(1), "");
  // A fixed count: no delete.
  EXPECT_FALSE(dialog.findChild<QPushButton*>(QString::number(Remarks::kIdDelete))->isEnabled());
  EXPECT_TRUE(list->isEnabled());

  list->topLevelItem(2)->setSelected(true);
  EXPECT_EQ(dialog.findChild<QLineEdit*>(QString::number(Remarks::kIdRowName))->text(), "COUNT");
  auto* value = dialog.findChild<QLineEdit*>(QString::number(Remarks::kIdValue));
  value->setText("   ");
  dialog.OnSet();
  value->setText("say \"a, b");
  dialog.OnSet();
  list->clearSelection();
  value->setText("3");
  dialog.OnSet();
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62326, 63703, 62347}));
  list->topLevelItem(2)->setSelected(true);
  value->setText("3");
  dialog.OnSet();
  EXPECT_EQ(value->text(), "");
  dialog.accept();
  EXPECT_EQ(details.values, (K7QStringList{"$(A)", "1", "3"}));
}

}  // namespace
