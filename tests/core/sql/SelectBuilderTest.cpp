#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "K7QBldProfile.h"
#include "K7QBldSelectBuilder.h"
#include "K7QTestSupport.h"

namespace {

// The shop profile: customers.name VARCHAR, customers.id INTEGER,
// customers.joined DATE, products.price DECIMAL, products.photo BLOB.
class SelectBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        m_profile.Read(std::string(K7Q_TEST_DATA_DIR) + "/core/data/profiles/shop/shop.k7q_pro"));
  }
  std::size_t Operator(unsigned label) const {
    const auto& ops = CK7QBldSelectBuilder::Operators();
    for (std::size_t i = 0; i < ops.size(); ++i) {
      if (ops[i].label == label) return i;
    }
    ADD_FAILURE() << "no operator " << label;
    return 0;
  }
  std::vector<std::string> Conditions() const {
    std::vector<std::string> out;
    for (const auto& c : m_builder.Statement().Conditions())
      out.push_back(c.connector.empty() ? c.text : c.connector + " " + c.text);
    return out;
  }

  CK7QScriptedUi m_ui;
  CK7QBldGroceries m_groceries{m_ui};
  CK7QBldProfile m_profile{m_groceries};
  CK7QBldSelectBuilder m_builder{m_profile, m_ui};
};

TEST_F(SelectBuilderTest, OperatorsFollowTheTypeClass) {
  struct Case {
    const char* table;
    const char* column;
    std::vector<std::string> operators;
  };
  const std::vector<Case> cases = {
      {"customers", "name", {"=", "<>", "LIKE", "LIKE", "LIKE"}},
      {"customers", "id", {"=", "<>", ">", ">=", "<", "<=", "BETWEEN"}},
      {"customers", "joined", {"=", "<>", ">", ">=", "<", "<=", "BETWEEN"}},
      {"products", "photo", {}},
      // NUMERIC and unknown type names are no class of their own.
      {"order_items_detail", "unit_price", {}},
  };
  for (const Case& c : cases) {
    const CK7QBldProfileColumn* column = m_profile.FindColumn(c.table, c.column);
    ASSERT_NE(column, nullptr) << c.column;
    std::vector<std::string> offered;
    for (const auto& op : CK7QBldSelectBuilder::Operators()) {
      if (CK7QBldSelectBuilder::Applies(op, CK7QBldSelectBuilder::ClassOf(column->m_typeCode)))
        offered.emplace_back(op.text);
    }
    EXPECT_EQ(offered, c.operators) << c.column;
  }
}

TEST_F(SelectBuilderTest, TypedValuesAreQuotedByTypeAndRefusedWhenTheyDoNotFit) {
  struct Case {
    const char* rule;
    int typeCode;
    int matchKind;
    const char* value;
    const char* out;  // nullptr: refused
    unsigned refusal;
  };
  const std::vector<Case> cases = {
      {"a number stays a number", kTypeInteger, kMatchNone, "42", "42", 0},
      {"signs, fractions and exponents are numbers", kTypeDecimal, kMatchNone, "-2.5e3", "-2.5e3",
       0},
      {"text for a number column is refused", kTypeInteger, kMatchNone, "abc", nullptr, 63502},
      {"SQL after a number is refused", kTypeSmallint, kMatchNone, "1 OR 1=1", nullptr, 63502},
      {"a lone sign is no number", kTypeInteger, kMatchNone, "-", nullptr, 63502},
      {"a date becomes an SQL string", kTypeDate, kMatchNone, "2024-02-29", "'2024-02-29'", 0},
      {"a date typed as a string stays", kTypeDate, kMatchNone, "'2019-04-01'", "'2019-04-01'", 0},
      {"a day that does not exist is refused", kTypeDate, kMatchNone, "2023-02-29", nullptr, 63503},
      {"a number is no date", kTypeDate, kMatchNone, "20240131", nullptr, 63503},
      {"a variable reference stands for a number", kTypeInteger, kMatchNone, "$(QID)", "$(QID)", 0},
      {"a quote is doubled", kTypeVarchar, kMatchNone, "O'Brien", "'O''Brien'", 0},
      {"contains", kTypeVarchar, kMatchContains, "abc", "'%abc%'", 0},
      {"starts with", kTypeCharacter, kMatchStartsWith, "abc", "'abc%'", 0},
      {"ends with, quote doubled", kTypeVarchar, kMatchEndsWith, "it's", "'%it''s'", 0},
      {"a large object takes no value", kTypeBlob, kMatchNone, "x", nullptr, 0},
  };
  for (const Case& c : cases) {
    std::string out;
    unsigned refusal = 99;
    const bool ok =
        CK7QBldSelectBuilder::FormatTyped(c.value, c.typeCode, c.matchKind, out, refusal);
    EXPECT_EQ(ok, c.out != nullptr) << c.rule;
    if (c.out) {
      EXPECT_EQ(out, c.out) << c.rule;
    }
    EXPECT_EQ(refusal, c.refusal) << c.rule;
  }
}

TEST_F(SelectBuilderTest, BetweenTakesTwoValuesJoinedWithAnd) {
  ASSERT_TRUE(m_builder.AddConditionColumn("customers", "id", false));
  ASSERT_TRUE(m_builder.ChooseOperator(Operator(62294)));
  EXPECT_EQ(m_builder.MatchKind(), kMatchBetween);
  ASSERT_TRUE(m_builder.ApplyValue("1", K7QValueOrigin::Typed, false));
  EXPECT_EQ(Conditions(), std::vector<std::string>{"customers.id BETWEEN 1 AND"});
  ASSERT_TRUE(m_builder.ApplyValue("5", K7QValueOrigin::Typed, false));
  EXPECT_EQ(m_builder.Text(), " WHERE customers.id BETWEEN 1 AND 5");
  EXPECT_EQ(m_builder.FirstIncompleteCondition(), -1);
  // The condition is whole: a third value has no place.
  EXPECT_FALSE(m_builder.ApplyValue("9", K7QValueOrigin::Typed, false));
  EXPECT_EQ(m_ui.Ids(), std::vector<unsigned>{63508});
}

TEST_F(SelectBuilderTest, ConditionsJoinWithTheChosenConnectorButNeverTheFirst) {
  ASSERT_TRUE(m_builder.AddConditionColumn("customers", "name", true));
  ASSERT_TRUE(m_builder.ChooseOperator(Operator(62296)));
  ASSERT_TRUE(m_builder.ApplyValue("abc", K7QValueOrigin::Typed, true));
  // The same column while its condition is being built stays one condition.
  ASSERT_TRUE(m_builder.AddConditionColumn("customers", "id", true));
  EXPECT_FALSE(m_builder.AddConditionColumn("customers", "id", false));
  ASSERT_TRUE(m_builder.ChooseOperator(Operator(62291)));
  ASSERT_TRUE(m_builder.ApplyValue("10", K7QValueOrigin::Typed, false));
  EXPECT_EQ(Conditions(),
            (std::vector<std::string>{"customers.name LIKE '%abc%'", "AND customers.id >= 10"}));
  EXPECT_TRUE(m_ui.m_shown.empty());
}

TEST_F(SelectBuilderTest, AConditionIsFinishedBeforeTheNextBegins) {
  ASSERT_TRUE(m_builder.AddConditionColumn("customers", "id", false));
  // No operator yet: neither a value nor a new column.
  EXPECT_FALSE(m_builder.ApplyValue("1", K7QValueOrigin::Typed, false));
  EXPECT_FALSE(m_builder.AddConditionColumn("customers", "name", false));
  ASSERT_TRUE(m_builder.ChooseOperator(Operator(62288)));
  // Another operator before the value replaces the first.
  ASSERT_TRUE(m_builder.ChooseOperator(Operator(62293)));
  EXPECT_EQ(Conditions(), std::vector<std::string>{"customers.id <="});
  // LIKE does not fit a number column.
  EXPECT_FALSE(m_builder.ChooseOperator(Operator(62296)));
  EXPECT_FALSE(m_builder.CheckComplete());
  EXPECT_EQ(m_ui.Ids(), (std::vector<unsigned>{63506, 63505, 63509, 63505}));
  ASSERT_TRUE(m_builder.ApplyValue("7", K7QValueOrigin::Typed, false));
  EXPECT_FALSE(m_builder.ChooseOperator(Operator(62288)));
  EXPECT_EQ(m_ui.Ids().back(), 63507u);
  EXPECT_EQ(m_builder.Text(), " WHERE customers.id <= 7");
}

TEST_F(SelectBuilderTest, ColumnValuesAskWhetherToQualify) {
  struct Case {
    const char* rule;
    unsigned op;
    int answer;
    const char* condition;  // nullptr: nothing appended
    std::vector<unsigned> shown;
  };
  const std::vector<Case> cases = {
      {"yes qualifies", 62288, kIdYes, "customers.name = customers.name_en", {62369}},
      {"no compares with the name as text", 62288, kIdNo, "customers.name = 'name_en'", {62369}},
      {"cancel gives nothing", 62288, kIdCancel, nullptr, {62369}},
      {"a qualified column is no LIKE pattern", 62297, kIdYes, nullptr, {62369, 62372}},
      {"an unqualified one is a pattern", 62297, kIdNo, "customers.name LIKE 'name_en%'", {62369}},
  };
  for (const Case& c : cases) {
    CK7QScriptedUi ui;
    ui.m_answers = {c.answer};
    CK7QBldSelectBuilder builder(m_profile, ui);
    ASSERT_TRUE(builder.AddConditionColumn("customers", "name", false));
    ASSERT_TRUE(builder.ChooseOperator(Operator(c.op)));
    const std::string before = builder.Statement().Conditions().back().text;
    EXPECT_EQ(builder.ApplyValue("name_en", K7QValueOrigin::Column, false), c.condition != nullptr)
        << c.rule;
    EXPECT_EQ(builder.Statement().Conditions().back().text, c.condition ? c.condition : before)
        << c.rule;
    EXPECT_EQ(ui.Ids(), c.shown) << c.rule;
  }
}

TEST_F(SelectBuilderTest, VariablesAreMacroReferencesQuotedForTextAndDates) {
  struct Case {
    const char* column;
    unsigned op;
    const char* condition;
  };
  const std::vector<Case> cases = {
      {"id", 62288, "customers.id = $(QID)"},
      {"joined", 62290, "customers.joined > '$(QID)'"},
      {"name", 62298, "customers.name LIKE '%$(QID)'"},
  };
  for (const Case& c : cases) {
    CK7QBldSelectBuilder builder(m_profile, m_ui);
    ASSERT_TRUE(builder.AddConditionColumn("customers", c.column, false));
    ASSERT_TRUE(builder.ChooseOperator(Operator(c.op)));
    ASSERT_TRUE(builder.ApplyValue("QID", K7QValueOrigin::Variable, false));
    EXPECT_EQ(builder.Statement().Conditions().back().text, c.condition);
  }
  EXPECT_TRUE(m_ui.m_shown.empty());
}

TEST_F(SelectBuilderTest, AnInputFieldBindsByTheColumnsType) {
  EXPECT_TRUE(m_builder.BindInputField("customers.name", "QNAME"));
  EXPECT_TRUE(m_builder.BindInputField("customers.id", "QID"));
  EXPECT_TRUE(m_builder.BindInputField("customers.joined", "QDATE"));
  EXPECT_FALSE(m_builder.BindInputField("products.photo", "QPHOTO"));
  EXPECT_FALSE(m_builder.BindInputField("customers.nothing", "Q"));
  EXPECT_FALSE(m_builder.BindInputField("customers.id", "QID"));  // once
  EXPECT_EQ(Conditions(), (std::vector<std::string>{"customers.name LIKE '%$(QNAME)%'",
                                                    "AND customers.id = $(QID)",
                                                    "AND customers.joined = '$(QDATE)'"}));
}

TEST_F(SelectBuilderTest, ResultColumnsBringTheirTableOnceAndClearTakesEverything) {
  EXPECT_EQ(m_builder.AddResultColumns("products", {"name", "price"}), 2);
  EXPECT_EQ(m_builder.AddResultColumns("products", {"NAME", "stock"}), 1);
  EXPECT_TRUE(m_builder.AddOrdering("products", "price", "DESC"));
  EXPECT_FALSE(m_builder.AddOrdering("PRODUCTS", "PRICE", "ASC"));
  EXPECT_EQ(m_builder.Text(),
            "SELECT products.name,products.price,products.stock FROM products "
            "ORDER BY products.price DESC");
  EXPECT_TRUE(m_builder.Modified());
  m_builder.Clear(CK7QBldSelectBuilder::kClauseOrdering);
  EXPECT_EQ(m_builder.Statement().Orderings().size(), 0u);
  m_builder.Clear(CK7QBldSelectBuilder::kClauseResult);
  EXPECT_TRUE(m_builder.Statement().IsEmpty());
}

TEST_F(SelectBuilderTest, ConditionsReadFromTheStatementAreTheAuthors) {
  CK7QBldSQL statement;
  // A boolean column alone is the author's business, not an unfinished condition.
  statement.ParseText("SELECT a FROM t WHERE active AND price>100");
  m_builder.Load(statement);
  EXPECT_EQ(m_builder.FirstIncompleteCondition(), -1);
  EXPECT_FALSE(m_builder.Modified());
  EXPECT_EQ(CK7QBldSelectBuilder::StageOf("price>100"), CK7QBldSelectBuilder::Stage::Complete);
  EXPECT_EQ(CK7QBldSelectBuilder::StageOf("price>="), CK7QBldSelectBuilder::Stage::Operator);
  EXPECT_EQ(CK7QBldSelectBuilder::StageOf("t.c"), CK7QBldSelectBuilder::Stage::Column);
}

TEST_F(SelectBuilderTest, TypedTextIsClassified) {
  const K7QStringList variables = {"TAX", "QNAME"};
  EXPECT_EQ(m_builder.Classify("email", variables), K7QValueOrigin::Column);
  EXPECT_EQ(m_builder.Classify("qname", variables), K7QValueOrigin::Variable);
  EXPECT_EQ(m_builder.Classify("O'Brien", variables), K7QValueOrigin::Typed);
}

}  // namespace
