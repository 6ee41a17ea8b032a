// The SELECT builder page on its sheet, driven through its controls.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "K7QBldCustomSheet.h"
#include "K7QBldSelect.h"
#include "K7QBlocksFixture.h"

namespace {

class SelectPageTest : public BlocksTest {
 protected:
  void SetUp() override {
    BlocksTest::SetUp();
    Macro().Define().Add("TAX", "8");
    Macro().FormFieldNames() = {"QNAME", "QID"};
  }
  std::unique_ptr<CK7QBldCustomSheet> Sheet(CK7QBldSQL& statement) {
    return std::make_unique<CK7QBldCustomSheet>(m_f.context, Macro(), 62242, kReportKindPlain,
                                                statement, nullptr);
  }
  QStringList OperatorLabels(CK7QBldSelect& page) {
    QStringList labels;
    for (int i = 0; i < page.Operators()->count(); ++i) labels << page.Operators()->item(i)->text();
    return labels;
  }
  QStringList Strings(std::initializer_list<unsigned> ids) {
    QStringList out;
    for (unsigned id : ids) out << m_f.context.String(id);
    return out;
  }
  void Choose(CK7QBldSelect& page, unsigned label) {
    const auto found = page.Operators()->findItems(m_f.context.String(label), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    page.OnOperator(page.Operators()->row(found.front()));
  }
  void Condition(CK7QBldSelect& page, const QString& table, const QString& column) {
    page.SetClause(CK7QBldSelectBuilder::kClauseConditions);
    ASSERT_TRUE(page.SelectTable(table));
    ASSERT_TRUE(page.SelectColumns({column}));
    page.OnAdd();
  }
  // Types `text` as a new value and applies it alone.
  void Apply(CK7QBldSelect& page, const QString& text) {
    if (!page.ValueRow(text)) page.Placeholder()->setText(text);
    QListWidgetItem* row = page.ValueRow(text);
    ASSERT_NE(row, nullptr);
    page.Values()->clearSelection();
    row->setSelected(true);
    page.OnApply();
  }
  std::string Text(CK7QBldSelect& page) {
    return page.StatementText()->toPlainText().toStdString();
  }
};

TEST_F(SelectPageTest, TheOperatorListFollowsTheColumnsType) {
  CK7QBldSQL statement;
  auto sheet = Sheet(statement);
  CK7QBldSelect& page = *sheet->Page();
  EXPECT_EQ(page.CurrentClause(), CK7QBldSelectBuilder::kClauseResult);
  page.SetClause(CK7QBldSelectBuilder::kClauseConditions);
  ASSERT_TRUE(page.SelectTable("customers"));
  ASSERT_TRUE(page.SelectColumns({"name"}));
  EXPECT_EQ(OperatorLabels(page), Strings({62288, 62289, 62296, 62297, 62298}));
  ASSERT_TRUE(page.SelectColumns({"id"}));
  EXPECT_EQ(OperatorLabels(page), Strings({62288, 62289, 62290, 62291, 62292, 62293, 62294}));
  ASSERT_TRUE(page.SelectTable("products"));
  ASSERT_TRUE(page.SelectColumns({"photo"}));
  EXPECT_TRUE(OperatorLabels(page).isEmpty());
  // A column that takes no condition is refused when added.
  page.OnAdd();
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62365});
  EXPECT_TRUE(page.Statement().Conditions().empty());
  EXPECT_FALSE(page.Operators()->isEnabled());
}

TEST_F(SelectPageTest, ValuesAreQuotedAndConditionsJoined) {
  CK7QBldSQL statement;
  auto sheet = Sheet(statement);
  CK7QBldSelect& page = *sheet->Page();
  page.SetUseOr(true);
  Condition(page, "customers", "name");
  Choose(page, 62288);
  Apply(page, "O'Brien");
  // The first condition never carries a connector, the next one takes OR.
  Condition(page, "customers", "name_en");
  Choose(page, 62296);
  Apply(page, "abc");
  Condition(page, "customers", "id");
  page.SetUseOr(false);
  Choose(page, 62294);
  Apply(page, "1");
  Apply(page, "5");
  EXPECT_EQ(Text(page),
            " WHERE customers.name = 'O''Brien' OR customers.name_en LIKE '%abc%' AND customers.id "
            "BETWEEN 1 AND 5");
  EXPECT_TRUE(m_f.ui.m_shown.empty());
  // A date column takes no other text; nothing of it reaches the statement.
  Condition(page, "customers", "joined");
  Choose(page, 62290);
  Apply(page, "yesterday");
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{63503});
  EXPECT_EQ(page.Statement().Conditions().back().text, "customers.joined >");
  Apply(page, "2024-01-31");
  EXPECT_EQ(page.Statement().Conditions().back().text, "customers.joined > '2024-01-31'");
}

TEST_F(SelectPageTest, TheValueListOffersVariablesAndTakesTypedValues) {
  CK7QBldSQL statement;
  auto sheet = Sheet(statement);
  CK7QBldSelect& page = *sheet->Page();
  QListWidget* values = page.Values();
  ASSERT_EQ(values->count(), 4);
  EXPECT_EQ(values->item(0)->text(), "TAX");
  EXPECT_EQ(values->item(1)->text(), "QNAME");
  EXPECT_EQ(values->item(2)->text(), "QID");
  EXPECT_EQ(values->item(3)->text(), m_f.context.String(62277));
  using Origin = K7QValueOrigin;
  const auto origin = [&](const QString& text) {
    return static_cast<Origin>(page.ValueRow(text)->data(CK7QBldSelect::kOriginRole).toInt());
  };
  EXPECT_EQ(origin("TAX"), Origin::Variable);
  page.Placeholder()->setText("  hello ");
  page.Placeholder()->setText("email");
  ASSERT_NE(page.ValueRow("hello"), nullptr);
  EXPECT_EQ(origin("hello"), Origin::Typed);
  EXPECT_EQ(origin("email"), Origin::Column);
  EXPECT_EQ(values->count(), 6);
  EXPECT_EQ(page.Placeholder()->text(), m_f.context.String(62277));
  // A duplicate is refused, whatever its letters' case.
  page.Placeholder()->setText("HELLO");
  EXPECT_EQ(values->count(), 6);
  EXPECT_EQ(m_f.ui.Ids(), std::vector<unsigned>{62355});
  // Emptied, a typed value goes and a variable comes back.
  page.ValueRow("hello")->setText("");
  EXPECT_EQ(page.ValueRow("hello"), nullptr);
  page.ValueRow("TAX")->setText("");
  EXPECT_NE(page.ValueRow("TAX"), nullptr);
  EXPECT_EQ(values->count(), 5);
}

TEST_F(SelectPageTest, VariablesAndColumnsAsValues) {
  CK7QBldSQL statement;
  auto sheet = Sheet(statement);
  CK7QBldSelect& page = *sheet->Page();
  Condition(page, "customers", "id");
  Choose(page, 62288);
  Apply(page, "QID");
  EXPECT_EQ(page.Statement().Conditions().back().text, "customers.id = $(QID)");
  Condition(page, "customers", "name");
  Choose(page, 62288);
  m_f.ui.m_answers = {kIdYes};
  Apply(page, "name_en");
  EXPECT_EQ(page.Statement().Conditions().back().text, "customers.name = customers.name_en");
  Condition(page, "products", "name");
  Choose(page, 62297);
  m_f.ui.m_answers = {kIdYes};
  Apply(page, "name_en");
  EXPECT_EQ(page.Statement().Conditions().back().text, "products.name LIKE");
  EXPECT_EQ(m_f.ui.Ids(), (std::vector<unsigned>{62369, 62369, 62372}));
  EXPECT_EQ(m_f.ui.m_shown[0].buttons, K7QButtons::YesNoCancel);
}

TEST_F(SelectPageTest, AnInputFieldBecomesACondition) {
  CK7QBldSQL statement;
  auto sheet = Sheet(statement);
  CK7QBldSelect& page = *sheet->Page();
  QPushButton* bind = page.findChild<QPushButton*>("bind");
  ASSERT_NE(bind, nullptr);
  page.SetClause(CK7QBldSelectBuilder::kClauseConditions);
  page.SelectTable("customers");
  page.SelectColumns({"name"});
  page.Values()->setCurrentItem(page.ValueRow("TAX"));
  EXPECT_FALSE(bind->isEnabled());  // a define variable is no input field
  page.Values()->setCurrentItem(page.ValueRow("QNAME"));
  ASSERT_TRUE(bind->isEnabled());
  bind->click();
  page.SelectColumns({"id"});
  page.Values()->setCurrentItem(page.ValueRow("QID"));
  bind->click();
  EXPECT_EQ(Text(page), " WHERE customers.name LIKE '%$(QNAME)%' AND customers.id = $(QID)");
}

TEST_F(SelectPageTest, ResultColumnsOrderingAndClear) {
  CK7QBldSQL statement;
  auto sheet = Sheet(statement);
  CK7QBldSelect& page = *sheet->Page();
  ASSERT_TRUE(page.SelectTable("products"));
  // Added in the list's order, whatever the order of selecting.
  ASSERT_TRUE(page.SelectColumns({"price", "name"}));
  page.OnAdd();
  ASSERT_TRUE(page.SelectColumns({"name"}));
  page.OnAdd();
  EXPECT_EQ(page.ResultItems()->count(), 2);
  page.SetClause(CK7QBldSelectBuilder::kClauseOrdering);
  page.SelectColumns({"price"});
  page.Direction()->setCurrentIndex(1);
  page.OnAdd();
  EXPECT_EQ(Text(page),
            "SELECT products.name,products.price FROM products ORDER BY products.price ASC");
  EXPECT_EQ(page.OrderItems()->item(0)->text(), "products.price ASC");
  page.OnClear();
  EXPECT_EQ(Text(page), "SELECT products.name,products.price FROM products");
  page.SetClause(CK7QBldSelectBuilder::kClauseResult);
  page.OnClear();
  EXPECT_EQ(Text(page), "");
  EXPECT_EQ(page.ResultItems()->count(), 0);
}

TEST_F(SelectPageTest, CancelKeepsTheStatementAndOkStoresIt) {
  CK7QBldSQL statement;
  statement.ParseText("SELECT customers.name FROM customers");
  const CK7QBldSQL original = statement;
  {
    auto sheet = Sheet(statement);
    EXPECT_EQ(sheet->Page()->CurrentClause(), CK7QBldSelectBuilder::kClauseConditions);
    Condition(*sheet->Page(), "customers", "id");
    Choose(*sheet->Page(), 62288);
    Apply(*sheet->Page(), "7");
    EXPECT_TRUE(sheet->OnCommand(CK7QBldCustomSheet::kIdCancel));
    EXPECT_FALSE(sheet->Changed());
  }
  EXPECT_EQ(statement, original);
  {
    auto sheet = Sheet(statement);
    Condition(*sheet->Page(), "customers", "id");
    Choose(*sheet->Page(), 62288);
    Apply(*sheet->Page(), "7");
    EXPECT_TRUE(sheet->OnCommand(CK7QBldCustomSheet::kIdOk));
    EXPECT_TRUE(sheet->Changed());
  }
  EXPECT_EQ(statement.BuildText(), "SELECT customers.name FROM customers WHERE customers.id = 7");
  {
    // Changed and changed back is no change.
    auto sheet = Sheet(statement);
    sheet->Page()->SetClause(CK7QBldSelectBuilder::kClauseOrdering);
    sheet->Page()->SelectTable("customers");
    sheet->Page()->SelectColumns({"id"});
    sheet->Page()->OnAdd();
    sheet->Page()->OnClear();
    EXPECT_TRUE(sheet->Page()->Modified());
    EXPECT_TRUE(sheet->OnCommand(CK7QBldCustomSheet::kIdOk));
    EXPECT_FALSE(sheet->Changed());
  }
}

}  // namespace
