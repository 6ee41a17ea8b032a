// The repeat controls page: each kind's fragment, the column count, the
// option loop's lists and every name check with its message.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>

#include "K7QBldDragControls.h"
#include "K7QBldMacro.h"
#include "K7QSheetFixture.h"

namespace {

using R = CK7QBldDBReptCtrl;

class RepeatPageTest : public SheetTest {
 protected:
  void Type(int id, const QString& text) { Control<QLineEdit>(Repeat(), id)->setText(text); }
  CK7QBldDragButton* Button(int id) { return Control<CK7QBldDragButton>(Repeat(), id); }
  // What the drag button `id` would start: the page's answer to its notification.
  bool Drag(int id) { return Repeat()->DragStarting(Button(id), id); }
  QListWidget* List(int id) { return Control<QListWidget>(Repeat(), id); }
  // Selects the columns of the option loop's current table at these rows, then Add.
  void AddColumns(std::initializer_list<int> rows) {
    List(R::kIdColumnList)->clearSelection();
    for (int row : rows) List(R::kIdColumnList)->item(row)->setSelected(true);
    Repeat()->OnAdd();
  }
};

TEST_F(RepeatPageTest, TheKindsComeInOrderAndTheFirstIsShown) {
  auto* kind = Control<QComboBox>(Repeat(), R::kIdKind);
  ASSERT_EQ(kind->count(), 4);
  EXPECT_EQ(kind->itemText(0), m_f.context.String(62304));
  EXPECT_EQ(kind->itemText(3), m_f.context.String(62307));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(kind->itemData(i).toInt(), i + 1);
  EXPECT_EQ(Repeat()->CurrentKind(), R::kRowLoop);
  EXPECT_EQ(Control<QLineEdit>(Repeat(), R::kIdColumnCount)->text(), "4");
  EXPECT_EQ(Control<QSpinBox>(Repeat(), R::kIdColumnSpin)->value(), 4);
  EXPECT_EQ(Control<QSpinBox>(Repeat(), R::kIdColumnSpin)->maximum(), 32767);
  EXPECT_FALSE(Control<QLineEdit>(Repeat(), R::kIdRowField)->isEnabled());
  EXPECT_TRUE(Control<QRadioButton>(Repeat(), R::kIdInputGet)->isChecked());
  EXPECT_TRUE(Control<QRadioButton>(Repeat(), R::kIdOptionGet)->isChecked());
  // The option loop starts on the first table, no column chosen, nothing selected.
  EXPECT_EQ(Control<QComboBox>(Repeat(), R::kIdTableCombo)->currentText(), "customers");
  EXPECT_EQ(List(R::kIdColumnList)->count(), 6);
  EXPECT_TRUE(List(R::kIdColumnList)->selectedItems().isEmpty());
  EXPECT_EQ(List(R::kIdSelectedList)->count(), 0);
  for (int id : {R::kIdRowDrag, R::kIdTableDrag, R::kIdInputDrag, R::kIdOptionDrag})
    EXPECT_FALSE(Button(id)->isEnabled()) << id;
}

// Each kind's exact fragment, as page conversion reads it back.
TEST_F(RepeatPageTest, EachKindMakesItsFragment) {
  Type(R::kIdRowName, " ITEMS ");
  EXPECT_TRUE(Button(R::kIdRowDrag)->isEnabled());
  ASSERT_TRUE(Drag(R::kIdRowDrag));
  EXPECT_EQ(Repeat()->Fragment(),
            "<IMG src=\"k7q_loop_start.gif\" alt=\"ROW:ITEMS\" height=\"11\" width=\"436\">\n"
            "<P>\n<IMG src=\"k7q_loop_end.gif\" height=\"10\" width=\"438\">");

  Type(R::kIdTableName, "LIST");
  Type(R::kIdColumnCount, "1");
  ASSERT_TRUE(Drag(R::kIdTableDrag));
  EXPECT_EQ(Repeat()->Fragment(),
            "<IMG src=\"k7q_loop_start.gif\" alt=\"TABLE:LIST\" height=\"11\" width=\"436\">\n"
            "\n<TABLE border=\"1\">\n    <TR>\n        <TH>Header1</TH></TR>\n"
            "    <TR>\n        <TD></TD></TR>\n</TABLE>\n"
            "\n<IMG src=\"k7q_loop_end.gif\" height=\"10\" width=\"438\">\n");

  Type(R::kIdColumnCount, "3");
  Type(R::kIdTableName, "LIST3");
  ASSERT_TRUE(Drag(R::kIdTableDrag));
  EXPECT_NE(
      Repeat()->Fragment().find("    <TR>\n        <TH>Header1</TH>\n        <TH>Header2</TH>\n"
                                "        <TH>Header3</TH></TR>\n    <TR>\n        <TD></TD>\n"
                                "        <TD></TD>\n        <TD></TD></TR>\n</TABLE>\n"),
      std::string::npos);

  Type(R::kIdInputName, "KEYWORD");
  Type(R::kIdInputAction, "find.k7q");
  Control<QRadioButton>(Repeat(), R::kIdInputPost)->setChecked(true);
  ASSERT_TRUE(Drag(R::kIdInputDrag));
  EXPECT_EQ(Repeat()->Fragment(),
            "<FORM method=\"POST\" action=\"find.k7q\">\n    <INPUT NAME=\"KEYWORD\" SIZE=\"20\">\n"
            "    <INPUT TYPE=\"SUBMIT\" VALUE=\"Submit\">\n    <INPUT TYPE=\"RESET\" "
            "VALUE=\"Reset\">\n</FORM>");

  Type(R::kIdOptionName, "PICK");
  Type(R::kIdSelectName, "CHOICE");
  Type(R::kIdOptionAction, "pick.k7q");
  EXPECT_FALSE(Button(R::kIdOptionDrag)->isEnabled());  // no column yet
  AddColumns({1, 5});
  EXPECT_TRUE(Button(R::kIdOptionDrag)->isEnabled());
  ASSERT_TRUE(Drag(R::kIdOptionDrag));
  EXPECT_EQ(Repeat()->Fragment(),
            "<IMG src=\"k7q_loop_start.gif\" alt=\"OPTION:PICK\"  height=\"11\" width=\"436\">\n"
            "<FORM method=\"GET\" action=\"pick.k7q\">\n<SELECT name=\"CHOICE\">\n"
            "        <OPTION value=\"$(V_customers.name)\">\n            "
            "$(V_customers.name)</OPTION>\n"
            "        <OPTION value=\"$(V_customers.email)\">\n            "
            "$(V_customers.email)</OPTION>\n"
            "\n    </SELECT>\n    <INPUT TYPE=\"SUBMIT\" VALUE=\"Submit\">\n"
            "    <INPUT TYPE=\"RESET\" VALUE=\"Reset\">\n    </FORM>\n"
            "\t<IMG src=\"k7q_loop_end.gif\" height=\"10\" width=\"438\">\n");
  // Every name handed out is in the registers.
  EXPECT_EQ(Macro().LoopNames(), (K7QStringList{"ITEMS", "LIST", "LIST3", "PICK"}));
  EXPECT_EQ(Macro().InputNames(), (K7QStringList{"KEYWORD", "CHOICE"}));
  EXPECT_TRUE(m_f.ui.Ids().empty());
}

// A refused drag shows its message, keeps the fragment and records nothing.
TEST_F(RepeatPageTest, NamesThatClashAreRefused) {
  Macro().Define().Add("SHOPNAME", "x");
  Macro().FormFieldNames().push_back("q");
  const struct {
    const char* rule;
    int field;
    const char* name;
    int drag;
    unsigned message;
  } cases[] = {
      {"second row loop of a name (any case)", R::kIdRowName, "items", R::kIdRowDrag, 62353},
      {"a table loop named like a row loop", R::kIdTableName, "ITEMS", R::kIdTableDrag, 62353},
      {"a loop name that cannot name a function", R::kIdRowName, "my.loop", R::kIdRowDrag, 63402},
      {"reserved prefix", R::kIdInputName, "V_NAME", R::kIdInputDrag, 62368},
      {"a profile column", R::kIdInputName, "EMAIL", R::kIdInputDrag, 62371},
      {"a user-defined variable", R::kIdInputName, "shopname", R::kIdInputDrag, 62357},
      {"a field of the page's own forms", R::kIdInputName, "Q", R::kIdInputDrag, 62356},
  };
  Type(R::kIdRowName, "ITEMS");
  ASSERT_TRUE(Drag(R::kIdRowDrag));
  Type(R::kIdInputAction, "a.k7q");
  const std::string fragment = Repeat()->Fragment();
  for (const auto& c : cases) {
    m_f.ui.m_shown.clear();
    Type(c.field, QString::fromUtf8(c.name));
    EXPECT_FALSE(Drag(c.drag)) << c.rule;
    EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{c.message}) << c.rule;
    EXPECT_EQ(Repeat()->Fragment(), fragment) << c.rule;
  }
  EXPECT_EQ(Macro().LoopNames(), K7QStringList{"ITEMS"});
  EXPECT_TRUE(Macro().InputNames().empty());
  // The function list counts as well.
  m_f.ui.m_shown.clear();
  Type(R::kIdInputName, "GOOD");
  ASSERT_TRUE(Drag(R::kIdInputDrag));
  Type(R::kIdInputName, "good");
  EXPECT_FALSE(Drag(R::kIdInputDrag));
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62356});
}

TEST_F(RepeatPageTest, ALoopNamedLikeAFunctionIsRefused) {
  ASSERT_GE(Macro().Functions().Add(kFunctionAuthor, "SHOPLIST", "", "", CK7QBldSQL(),
                                    CK7QBldMessageBlock(), 0),
            0);
  Type(R::kIdOptionName, "shoplist");
  Type(R::kIdSelectName, "S");
  Type(R::kIdOptionAction, "a");
  AddColumns({0});
  EXPECT_FALSE(Drag(R::kIdOptionDrag));
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62353});
  EXPECT_TRUE(Macro().InputNames().empty());
}

TEST_F(RepeatPageTest, TheColumnCountMustBeANumberFrom1To32767) {
  Type(R::kIdTableName, "T");
  ASSERT_TRUE(Drag(R::kIdTableDrag));
  const std::string fragment = Repeat()->Fragment();
  const struct {
    const char* typed;
    int state;
    unsigned message;
  } cases[] = {
      {"0", 2, 62367},  {"32768", 2, 62367}, {"-3", 2, 62367}, {"99999999999999999999", 2, 62367},
      {"4a", 1, 62335}, {"", 1, 62335},      {"+", 1, 62335},
  };
  for (const auto& c : cases) {
    m_f.ui.m_shown.clear();
    Type(R::kIdColumnCount, c.typed);
    EXPECT_EQ(Repeat()->ColumnCountState(), c.state) << c.typed;
    Type(R::kIdTableName, "OTHER");
    EXPECT_FALSE(Drag(R::kIdTableDrag)) << c.typed;
    ASSERT_EQ(m_f.ui.Ids(), std::vector<unsigned>{c.message}) << c.typed;
    EXPECT_EQ(Repeat()->Fragment(), fragment) << c.typed;
  }
  EXPECT_EQ(m_f.ui.m_shown.back().text, m_f.ui.String(62335));
  Type(R::kIdColumnCount, "32768");
  m_f.ui.m_shown.clear();
  Drag(R::kIdTableDrag);
  ASSERT_EQ(m_f.ui.m_shown.size(), 1u);
  EXPECT_EQ(m_f.ui.m_shown[0].text, m_f.ui.String(62367) + " (1 ～ )");
  // A valid count moves the spin, and the spin the count.
  Type(R::kIdColumnCount, " 12 ");
  EXPECT_EQ(Repeat()->ColumnCountState(), 0);
  EXPECT_EQ(Control<QSpinBox>(Repeat(), R::kIdColumnSpin)->value(), 12);
  Control<QSpinBox>(Repeat(), R::kIdColumnSpin)->setValue(7);
  EXPECT_EQ(Repeat()->ColumnCount(), 7);
  EXPECT_EQ(Control<QLineEdit>(Repeat(), R::kIdColumnCount)->text(), "7");
}

TEST_F(RepeatPageTest, TheOptionListKeepsEachColumnOnceAndRemovesSelectedOnes) {
  auto* tables = Control<QComboBox>(Repeat(), R::kIdTableCombo);
  AddColumns({1, 2});
  AddColumns({1});  // the same column again
  tables->setCurrentIndex(1);
  EXPECT_EQ(List(R::kIdColumnList)->count(), 11);
  EXPECT_EQ(List(R::kIdColumnList)->currentRow(), 0);
  AddColumns({0, 1});
  // Another table's columns are other entries.
  EXPECT_EQ(Repeat()->SelectedColumns(),
            (K7QStringList{"customers.name", "customers.name_en", "products.id", "products.name"}));
  EXPECT_EQ(List(R::kIdSelectedList)->count(), 4);
  EXPECT_EQ(List(R::kIdSelectedList)->item(2)->text(), "products.id");

  auto* remove = Control<QPushButton>(Repeat(), R::kIdRemove);
  EXPECT_FALSE(remove->isEnabled());
  List(R::kIdSelectedList)->item(0)->setSelected(true);
  List(R::kIdSelectedList)->item(2)->setSelected(true);
  EXPECT_TRUE(remove->isEnabled());
  remove->click();
  EXPECT_FALSE(remove->isEnabled());
  EXPECT_EQ(Repeat()->SelectedColumns(), (K7QStringList{"customers.name_en", "products.name"}));
  EXPECT_EQ(List(R::kIdSelectedList)->count(), 2);
  EXPECT_EQ(List(R::kIdSelectedList)->item(1)->text(), "products.name");
}

// Tables whose names differ only in case are two tables of the profile, but
// one option: names are compared ignoring case.
TEST_F(RepeatPageTest, AColumnDifferingOnlyInCaseIsAddedOnce) {
  std::string profile =
      "Data_Base_Type {\r\nODBC\r\n}\r\nData_Base_Name {\r\nCASES\r\n}\r\n"
      "Login {\r\nu\r\n}\r\nPassword {\r\np\r\n}\r\nInformation {\r\n";
  for (const char* table : {"shop", "SHOP"}) {
    std::string line = std::string(table) + std::string(19 - std::string(table).size(), ' ') +
                       "id                 INTEGER            10          0      \r\n";
    profile += line;
  }
  K7QWriteFile(m_dir.File("cases.k7q_pro"), profile + "}\r\n");
  ASSERT_TRUE(Doc().OpenProfile(Path("cases.k7q_pro")));
  auto* tables = Control<QComboBox>(Repeat(), R::kIdTableCombo);
  ASSERT_EQ(tables->count(), 2);
  AddColumns({0});
  tables->setCurrentIndex(1);
  AddColumns({0});
  EXPECT_EQ(Repeat()->SelectedColumns(), K7QStringList{"shop.id"});
  EXPECT_EQ(List(R::kIdSelectedList)->count(), 1);
}

TEST_F(RepeatPageTest, TextThatCp932CannotHoldIsRefused) {
  Type(R::kIdRowName, QString::fromUtf8("ループ😀"));
  EXPECT_FALSE(Drag(R::kIdRowDrag));
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63401});
  EXPECT_TRUE(Macro().LoopNames().empty());
  // Japanese names are fine.
  m_f.ui.m_shown.clear();
  Type(R::kIdRowName, QString::fromUtf8("商品"));
  ASSERT_TRUE(Drag(R::kIdRowDrag));
  EXPECT_NE(Repeat()->Fragment().find(K7QSjis("alt=\"ROW:商品\"")), std::string::npos);
}

}  // namespace
