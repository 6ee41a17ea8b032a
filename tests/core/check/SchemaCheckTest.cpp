// The schema check: the names a macro's SQL uses, and what a changed profile breaks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "K7QBldCampaignEntry.h"
#include "K7QBldMacro.h"
#include "K7QBldSchemaCheck.h"
#include "K7QBldSqlNames.h"
#include "K7QTestSupport.h"

namespace {

std::string Joined(const std::vector<K7QSqlColumnName>& names) {
  std::string out;
  for (const K7QSqlColumnName& n : names) {
    if (!out.empty()) out += ' ';
    out +=
        (n.qualifier.empty() ? "" : n.qualifier + ".") + (n.quoted ? "\"" + n.name + "\"" : n.name);
  }
  return out;
}

}  // namespace

TEST(SqlNames, ColumnsOfAnExpression) {
  const struct {
    const char* expression;
    const char* columns;
  } rows[] = {
      {"products.name", "products.name"},
      {"name", "name"},
      {"value", "value"},                  // one bare word is a column, even one of SQL's own
      {"MAX(p.price) AS top", "p.price"},  // functions and aliases are not columns
      {"COUNT(*)", ""},
      {"p.*", "p.*"},
      {"s.products.id", "products.id"},  // a schema before the table
      {"\"unit price\" * 2", "\"unit price\""},
      {"name || '$(V_x) p.q'", "name"},  // literals and macro variables are no names
      {"CASE WHEN stock > 0 THEN 'yes' ELSE 'no' END", "stock"},
      {"price * 1.08", "price"},
      {"\x93\x58\x96\xbc", "\x93\x58\x96\xbc"},  // a CP932 name ("店名")
  };
  for (const auto& row : rows)
    EXPECT_EQ(Joined(K7QSqlNames::Columns(row.expression)), row.columns) << row.expression;
}

TEST(SqlNames, TablesOfAFromEntry) {
  const struct {
    const char* entry;
    const char* tables;  // name/alias ...
    const char* on;
  } rows[] = {
      {"products", "products/", ""},
      {"products p", "products/p", ""},
      {"shop.products AS p", "products/p", ""},
      {"orders o JOIN customers c ON o.customer_id = c.id", "orders/o customers/c",
       "o.customer_id c.id"},
      {"a LEFT OUTER JOIN b ON a.x = b.y", "a/ b/", "a.x b.y"},
      {"\"order items\"", "order items/", ""},
  };
  for (const auto& row : rows) {
    std::vector<K7QSqlTableName> tables;
    std::vector<K7QSqlColumnName> on;
    K7QSqlNames::FromEntry(row.entry, tables, on);
    std::string text;
    for (const K7QSqlTableName& t : tables)
      text += (text.empty() ? "" : " ") + t.name + "/" + t.alias;
    EXPECT_EQ(text, row.tables) << row.entry;
    EXPECT_EQ(Joined(on), row.on) << row.entry;
  }
}

TEST(SqlNames, TheTypeClassAConditionWasWrittenFor) {
  // The builder quotes a value exactly for character columns and offers LIKE only for them.
  const struct {
    const char* condition;
    K7QCheckTypeClass typeClass;
  } rows[] = {
      {"products.price = 100", K7QCheckTypeClass::kNumeric},
      {"products.price = $(QPRICE)", K7QCheckTypeClass::kNumeric},
      {"products.id BETWEEN 1 AND 5", K7QCheckTypeClass::kNumeric},
      {"products.stock >= -3", K7QCheckTypeClass::kNumeric},
      {"products.name = 'abc'", K7QCheckTypeClass::kCharacter},
      {"products.name LIKE '%$(QNAME)%'", K7QCheckTypeClass::kCharacter},
      {"a.x = b.y", K7QCheckTypeClass::kUnknown},  // two columns: nothing to quote
      {"products.name IS NULL", K7QCheckTypeClass::kUnknown},
  };
  for (const auto& row : rows)
    EXPECT_EQ(K7QSqlNames::Condition(row.condition).typeClass, row.typeClass) << row.condition;
  EXPECT_EQ(K7QSqlNames::Condition("p.price = 100").column.qualifier, "p");
}

TEST(SqlNames, ReservedAndSafeNames) {
  for (const char* word : {"ORDER", "order", "User", "DATE", "value", "SIZE"})
    EXPECT_TRUE(K7QSqlNames::IsReservedWord(word)) << word;
  for (const char* word : {"orders", "name", "price", "id", ""})
    EXPECT_FALSE(K7QSqlNames::IsReservedWord(word)) << word;
  // Letters of either width, digits and underscores, not first a digit.
  for (const char* name : {"unit_price", "\x93\x58\x96\xbc", "\xb1\xb2", "t1"})
    EXPECT_TRUE(K7QSqlNames::IsSafeName(name)) << name;
  for (const char* name : {"unit price", "1st", "price$", "a.b", "x)", "", "a-b"})
    EXPECT_FALSE(K7QSqlNames::IsSafeName(name)) << name;
}

namespace {

// A profile file with the given column lines ("TABLE COLUMN TYPE").
std::string ProfileText(const std::vector<std::vector<std::string>>& columns) {
  std::string text =
      "Data_Base_Type {\r\nODBC\r\n}\r\nData_Base_Name {\r\nSHOP\r\n}\r\nLogin {\r\nu\r\n}\r\n"
      "Password {\r\n\r\n}\r\nDefine {\r\n}\r\nInformation {\r\n";
  auto pad = [](std::string s, std::size_t n) {
    s.resize(std::max(n, s.size() + 1), ' ');
    return s;
  };
  for (const auto& c : columns)
    text += pad(c[0], 19) + pad(c[1], 19) + pad(c[2], 19) + pad("10", 12) + pad("0", 7) + "\r\n";
  return text + "}\r\n";
}

class SchemaCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    K7QWriteFile(m_dir.File("was.k7q_pro"), ProfileText({{"products", "id", "INTEGER"},
                                                         {"products", "name", "VARCHAR"},
                                                         {"products", "price", "DECIMAL"},
                                                         {"products", "released", "DATE"},
                                                         {"products", "size", "VARCHAR"},
                                                         {"products", "unit price", "VARCHAR"},
                                                         {"stock", "qty", "SMALLINT"},
                                                         {"sale_products", "id", "INTEGER"}}));
    // name renamed to title, price now text, stock and sale_products dropped.
    K7QWriteFile(m_dir.File("fresh.k7q_pro"), ProfileText({{"products", "id", "INTEGER"},
                                                           {"products", "title", "VARCHAR"},
                                                           {"products", "price", "VARCHAR"},
                                                           {"products", "released", "DATE"},
                                                           {"products", "size", "VARCHAR"},
                                                           {"products", "unit price", "VARCHAR"}}));
    ASSERT_TRUE(m_macro.Profile().Read(m_dir.File("was.k7q_pro")));
    ASSERT_TRUE(m_fresh.Read(m_dir.File("fresh.k7q_pro")));
  }

  void AddFunction(const std::string& name, const std::string& sql) {
    CK7QBldSQL statement;
    ASSERT_TRUE(statement.ParseText(sql));
    ASSERT_GE(m_macro.Functions().Add(kFunctionBuilderMade, name, {}, {}, statement,
                                      CK7QBldMessageBlock(&m_groceries), kReportKindPlain),
              0);
  }

  // What k7q check prints of each finding.
  std::vector<std::string> Lines(const CK7QBldProfile* was) const {
    std::vector<std::string> lines;
    for (const K7QCheckFinding& f : CK7QBldSchemaCheck::Run(m_macro, kMacro, m_fresh, was)) {
      lines.push_back(std::string(K7QCheckFinding::KindWord(f.kind)) + " " + f.function + " " +
                      f.PlacesText() + " " + f.name + " " + f.use + " " + f.detail);
    }
    return lines;
  }

  // Line 5 calls F1, line 6 F2 and F3 (twice on line 7), line 8 holds a page value.
  static constexpr const char* kMacro =
      "%FUNCTION(RZV_ODBC)F1(){\r\nSELECT p.name FROM products p\r\n%}\r\n"
      "%HTML(REPORT){\r\n"
      "@F1()\r\n"
      "<P>@F2() @F3()\r\n"
      "@F3()\r\n"
      "<P>$(V_products.name) $(V_products.price)\r\n"
      "%}\r\n"
      "%FUNCTION(RZV_ODBC)F4(){\r\nSELECT id FROM products\r\n%}\r\n";

  CK7QTempDir m_dir;
  CK7QScriptedUi m_ui;
  CK7QBldGroceries m_groceries{m_ui};
  CK7QBldMacro m_macro{m_groceries};
  CK7QBldProfile m_fresh{m_groceries};
};

}  // namespace

TEST_F(SchemaCheck, ListsWhatTheChangedDatabaseBreaksWithTheFunctionAndItsLines) {
  AddFunction("F1",
              "SELECT p.name,p.price FROM products p WHERE p.price = 100 ORDER BY p.released");
  AddFunction("F2", "SELECT qty FROM stock");
  AddFunction("F3", "SELECT size,\"unit price\",released FROM products WHERE released > $(FROM)");
  AddFunction("F4", "SELECT id FROM products");
  ASSERT_GE(m_macro.Campaigns().Add(CK7QBldCampaignEntry::MakeDate(2024, 1, 1),
                                    CK7QBldCampaignEntry::MakeDate(2024, 1, 31), "F1", "products",
                                    "sale_products", {}),
            0);
  ASSERT_GE(
      m_macro.PageObjects().AddOrReplace(kPageObjectText, "1", "x", "F3", "products", "gone", {}),
      0);
  EXPECT_EQ(Lines(&m_macro.Profile()),
            (std::vector<std::string>{
                "missing-column F1 report:5 products.name select ",
                "type-class F1 report:5 products.price select numeric>character",
                "missing-table F2 report:6 stock from ",
                "reserved-word F3 report:6,report:7 size select ",
                "unsafe-name F3 report:6,report:7 unit price select ",
                "uncalled-function F4 function:10 F4 function ",
                "missing-table F1 report:5 sale_products campaign ",
                "missing-column F3 report:6,report:7 products.gone object ",
                // A page value used once: its own line.
                "missing-column  report:8 products.name page ",
                "type-class  report:8 products.price page numeric>character",
            }));
}

TEST_F(SchemaCheck, WithoutTheOldProfileConditionsTellTheTypeClass) {
  AddFunction("F1", "SELECT p.id FROM products p WHERE p.price = 100 AND p.title LIKE 'a%'");
  EXPECT_EQ(Lines(nullptr), (std::vector<std::string>{
                                "type-class F1 report:5 products.price where numeric>character",
                                "missing-column  report:8 products.name page ",
                            }));
}

TEST_F(SchemaCheck, AStatementKeptAsTextIsNotedAsUnchecked) {
  CK7QBldSQL empty;
  ASSERT_GE(m_macro.Functions().Add(kFunctionAuthor, "F1", {}, {}, empty,
                                    CK7QBldMessageBlock(&m_groceries), kReportKindNone),
            0);
  m_macro.Functions().SetSqlText(0, "update products set price = 1");
  const auto findings = CK7QBldSchemaCheck::Run(m_macro, kMacro, m_fresh, &m_macro.Profile());
  ASSERT_FALSE(findings.empty());
  EXPECT_EQ(findings[0].kind, K7QCheckKind::kUncheckedStatement);
  EXPECT_FALSE(findings[0].IsFault());
}
