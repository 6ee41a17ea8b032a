#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "K7QBldSQL.h"
#include "K7QTestSupport.h"

namespace {

using Condition = CK7QBldSQL::Condition;
using Ordering = CK7QBldSQL::Ordering;

struct Lists {
  K7QStringList items;
  K7QStringList tables;
  std::vector<Condition> conditions;
  std::vector<Ordering> orderings;
};

CK7QBldSQL Make(const Lists& l) {
  CK7QBldSQL sql;
  sql.ResultItems() = l.items;
  sql.Tables() = l.tables;
  sql.Conditions() = l.conditions;
  sql.Orderings() = l.orderings;
  return sql;
}

void ExpectLists(const CK7QBldSQL& sql, const Lists& l) {
  EXPECT_EQ(sql.ResultItems(), l.items);
  EXPECT_EQ(sql.Tables(), l.tables);
  EXPECT_EQ(sql.Conditions(), l.conditions);
  EXPECT_EQ(sql.Orderings(), l.orderings);
}

// --- Building -------------------------------------------------------------

struct BuildCase {
  const char* rule;
  Lists lists;
  std::string text;
};

TEST(SqlBuild, SpacingOfEveryClause) {
  const std::vector<BuildCase> cases = {
      {"nothing gives nothing", {}, ""},
      {"a result item alone has no FROM", {{"a"}, {}, {}, {}}, "SELECT a"},
      {"later items follow a comma without blank",
       {{"a", "b"}, {"t"}, {{"x = 1", ""}, {"y = 2", "AND"}}, {{"a", "DESC"}}},
       "SELECT a,b FROM t WHERE x = 1 AND y = 2 ORDER BY a DESC"},
      {"stored blanks are kept", {{"a", " b"}, {"t", " u"}, {}, {}}, "SELECT a, b FROM t, u"},
      {"an empty direction writes no blank",
       {{"a"}, {"t"}, {}, {{"a", ""}, {"b", "ASC"}, {"c", ""}}},
       "SELECT a FROM t ORDER BY a,b ASC,c"},
      {"OR connector",
       {{"a"}, {"t"}, {{"x = 1", ""}, {"y = 2", "OR"}}, {}},
       "SELECT a FROM t WHERE x = 1 OR y = 2"},
      {"a clause is written only for its list",
       {{}, {"t"}, {{"x = 1", ""}}, {}},
       " FROM t WHERE x = 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(Make(c.lists).BuildText(), c.text);
  }
}

// --- Parsing ---------------------------------------------------------------

struct ParseCase {
  const char* rule;
  std::string text;
  Lists lists;
};

TEST(SqlParse, ListsFromText) {
  const std::vector<ParseCase> cases = {
      {"empty text", "", {}},
      {"no FROM leaves the object empty", "SELECT a", {}},
      {"keywords are case-sensitive", "select a from t", {}},
      {"SELECTED is not SELECT", "SELECTED a FROM t", {}},
      {"FROMAGE is not FROM", "SELECT FROMAGE FROM t", {{"FROMAGE"}, {"t"}, {}, {}}},
      {"FROM before SELECT does not count", "FROM x SELECT a FROM t", {{"a"}, {"t"}, {}, {}}},
      {"blanks beside commas stay with the item",
       "SELECT a, b FROM t , u",
       {{"a", " b"}, {"t ", " u"}, {}, {}}},
      {"tab and line feeds delimit keywords",
       "SELECT\ta\nFROM\r\nt\tWHERE x = 1",
       {{"a"}, {"t"}, {{"x = 1", ""}}, {}}},
      {"AND of a BETWEEN stays in its condition",
       "SELECT a FROM t WHERE x BETWEEN 1 AND 5 AND y = 2",
       {{"a"}, {"t"}, {{"x BETWEEN 1 AND 5", ""}, {"y = 2", "AND"}}, {}}},
      {"connectors AND and OR in turn",
       "SELECT a FROM t WHERE x = 1 OR y = 2 AND z BETWEEN 1 AND 2 OR w = 3",
       {{"a"},
        {"t"},
        {{"x = 1", ""}, {"y = 2", "OR"}, {"z BETWEEN 1 AND 2", "AND"}, {"w = 3", "OR"}},
        {}}},
      {"lower-case and, BRAND and ORDERS are no connectors",
       "SELECT a FROM t WHERE BRAND = 1 and ORDERS = 2",
       {{"a"}, {"t"}, {{"BRAND = 1 and ORDERS = 2", ""}}, {}}},
      {"ordering: one or two fields; three parts or a double blank are dropped",
       "SELECT a FROM t ORDER BY a DESC NULLS, b,c  DESC, d ASC",
       {{"a"}, {"t"}, {}, {{"b", ""}, {"d", "ASC"}}}},
      {"ordering without WHERE ends the tables",
       "SELECT a FROM t ORDER BY a",
       {{"a"}, {"t"}, {}, {{"a", ""}}}},
      {"an empty ordering field is dropped",
       "SELECT a FROM t ORDER BY a,,b",
       {{"a"}, {"t"}, {}, {{"a", ""}, {"b", ""}}}},
      {"a WHERE behind ORDER BY is no clause",
       "SELECT a FROM t ORDER BY a WHERE x = 1",
       {{"a"}, {"t"}, {}, {}}},
      {"ORDER BY needs exactly one blank",
       "SELECT a FROM t ORDER  BY a",
       {{"a"}, {"t ORDER  BY a"}, {}, {}}},
      {"empty SELECT list", "SELECT FROM t", {{}, {"t"}, {}, {}}},
      {"double-byte names pass unchanged",
       K7QSjis("SELECT 表.ソ FROM 表 WHERE ソ = 1"),
       {{K7QSjis("表.ソ")}, {K7QSjis("表")}, {{K7QSjis("ソ = 1"), ""}}, {}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rule);
    CK7QBldSQL sql;
    sql.AddTable("old");
    sql.AddCondition("old = 1");
    EXPECT_TRUE(sql.ParseText(c.text));
    ExpectLists(sql, c.lists);
  }
}

TEST(SqlParse, RebuildsExamplesUnchanged) {
  for (const std::string text :
       {"SELECT a, b FROM t", "SELECT a,b FROM t WHERE x = 1 AND y = 2 ORDER BY a DESC",
        "SELECT a FROM t WHERE x BETWEEN 1 AND 5 AND y = 2"}) {
    CK7QBldSQL sql;
    ASSERT_TRUE(sql.ParseText(text));
    EXPECT_EQ(sql.BuildText(), text);
  }
}

// --- Keyword and connector search ------------------------------------------

TEST(SqlSearch, FindKeywordWholeWordCaseSensitive) {
  struct Case {
    std::string text;
    std::string keyword;
    std::size_t from;
    std::ptrdiff_t expected;
  };
  const std::vector<Case> cases = {
      {"SELECT a", "SELECT", 0, 0},
      {"a SELECTED", "SELECT", 0, -1},
      {"xSELECT a", "SELECT", 0, -1},
      {"select a", "SELECT", 0, -1},
      {"FROMAGE FROM t", "FROM", 0, 8},
      {"a\tFROM\nt", "FROM", 0, 2},
      {"a\nFROM", "FROM", 0, 2},
      {"a\rFROM\r", "FROM", 0, 2},
      {"FROM a FROM", "FROM", 1, 7},
      {"a ORDER  BY b", "ORDER BY", 0, -1},
      {"", "FROM", 0, -1},
      {"FROM", "", 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.keyword);
    EXPECT_EQ(CK7QBldSQL::FindKeyword(c.text, c.keyword, c.from), c.expected);
  }
}

TEST(SqlSearch, NextConnector) {
  using K = CK7QBldSQL::Connector;
  struct Case {
    std::string text;
    std::ptrdiff_t position;
    K kind;
  };
  const std::vector<Case> cases = {
      {"x = 1", -1, K::None},
      {"x = 1 AND y = 2", 6, K::And},
      {"x = 1 OR y = 2", 6, K::Or},
      {"x BETWEEN 1 AND 5 AND y = 2", 18, K::And},
      {"x BETWEEN 1 AND 5", -1, K::None},
      {"x BETWEEN 1 AND 5 OR y = 2", 18, K::Or},
      {"x = 1 OR y BETWEEN 1 AND 2", 6, K::Or},
      {"x = 1 AND y BETWEEN 1 AND 2", 6, K::And},
      {"BRAND = 1 or ORACLE = 2", -1, K::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto hit = CK7QBldSQL::NextConnector(c.text);
    EXPECT_EQ(hit.position, c.position);
    EXPECT_EQ(hit.kind, c.kind);
  }
}

// --- Campaign substitution --------------------------------------------------

CK7QBldSQL::CampaignContext Campaign() {
  // T belongs to this function (key compared ignoring case), U to another.
  return {"F", {{"g", "U"}, {"f", "T"}}};
}

TEST(SqlCampaign, Names) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"T", "$(CAMP_TABLE)"},
      {"t.c", "$(CAMP_TABLE).c"},
      {" T.c", " $(CAMP_TABLE).c"},  // the blank after a comma stays
      {"U.c", "U.c"},                // a table of another function's campaign
      {"S.T.c", "S.T.c"},            // three parts are left alone
      {"Tx.c", "Tx.c"},
      {".c", ".c"},
      {"COUNT(T.c)", "COUNT(T.c)"},
      {"", ""},
  };
  const auto campaign = Campaign();
  for (const auto& [name, expected] : cases) {
    SCOPED_TRACE(name);
    EXPECT_EQ(CK7QBldSQL::SubstituteCampaignName(name, campaign), expected);
  }
}

TEST(SqlCampaign, ConditionForms) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      // three tokens: name, operator, value
      {"T.c = 5", "$(CAMP_TABLE).c = 5"},
      {"T.c = t.d", "$(CAMP_TABLE).c = $(CAMP_TABLE).d"},
      {"T.c  =  T.d", "$(CAMP_TABLE).c  =  $(CAMP_TABLE).d"},
      {"T.c = $(V_x)", "$(CAMP_TABLE).c = $(V_x)"},
      {"U.c = T.d", "U.c = $(CAMP_TABLE).d"},
      // a LIKE value is a pattern, in any letter case
      {"T.c LIKE 'T.%'", "$(CAMP_TABLE).c LIKE 'T.%'"},
      {"T.c like T.d", "$(CAMP_TABLE).c like T.d"},
      // one token, split at the operator
      {"T.c=T.d", "$(CAMP_TABLE).c=$(CAMP_TABLE).d"},
      {"T.c<>T.d", "$(CAMP_TABLE).c<>$(CAMP_TABLE).d"},
      {"T.c>=T.d", "$(CAMP_TABLE).c>=$(CAMP_TABLE).d"},
      {"T.c<=T.d", "$(CAMP_TABLE).c<=$(CAMP_TABLE).d"},
      {"T.c<T.d", "$(CAMP_TABLE).c<$(CAMP_TABLE).d"},
      {"T.c>T.d", "$(CAMP_TABLE).c>$(CAMP_TABLE).d"},
      // two tokens: the operator ends the first or starts the second
      {"T.c= T.d", "$(CAMP_TABLE).c= $(CAMP_TABLE).d"},
      {"T.c>= T.d", "$(CAMP_TABLE).c>= $(CAMP_TABLE).d"},
      {"T.c =T.d", "$(CAMP_TABLE).c =$(CAMP_TABLE).d"},
      // BETWEEN: the column and both bounds
      {"T.c BETWEEN T.a AND T.b", "$(CAMP_TABLE).c BETWEEN $(CAMP_TABLE).a AND $(CAMP_TABLE).b"},
      {"T.c BETWEEN 1 AND 5", "$(CAMP_TABLE).c BETWEEN 1 AND 5"},
      // longer forms: the column only
      {"T.c IN (T.a, T.b)", "$(CAMP_TABLE).c IN (T.a, T.b)"},
      {"T.c NOT LIKE 'a'", "$(CAMP_TABLE).c NOT LIKE 'a'"},
      {"", ""},
  };
  const auto campaign = Campaign();
  for (const auto& [condition, expected] : cases) {
    SCOPED_TRACE(condition);
    EXPECT_EQ(CK7QBldSQL::SubstituteCampaignCondition(condition, campaign), expected);
  }
}

TEST(SqlCampaign, BuildTextSubstitutesEveryPlace) {
  CK7QBldSQL sql;
  ASSERT_TRUE(sql.ParseText(
      "SELECT T.a, U.b FROM T,U WHERE T.a=U.b AND t.c LIKE 'T%' ORDER BY T.a DESC,U.b"));
  const auto campaign = Campaign();
  EXPECT_EQ(sql.BuildText(&campaign),
            "SELECT $(CAMP_TABLE).a, U.b FROM $(CAMP_TABLE),U WHERE $(CAMP_TABLE).a=U.b AND "
            "$(CAMP_TABLE).c LIKE 'T%' ORDER BY $(CAMP_TABLE).a DESC,U.b");
  // Without a context, or for a function that has no campaign, the text is as stored.
  EXPECT_EQ(sql.BuildText(),
            "SELECT T.a, U.b FROM T,U WHERE T.a=U.b AND t.c LIKE 'T%' ORDER BY T.a DESC,U.b");
  const CK7QBldSQL::CampaignContext other{"H", campaign.tables};
  EXPECT_EQ(sql.BuildText(&other), sql.BuildText());
}

// --- Copies ---------------------------------------------------------------

TEST(SqlCopy, Variants) {
  CK7QBldSQL source = Make({{"a"}, {"t"}, {{"x = 1", ""}}, {{"a", "ASC"}}});
  CK7QBldSQL target = Make({{"z"}, {"u", "v"}, {{"y = 2", ""}}, {{"z", "DESC"}}});

  CK7QBldSQL copy = target;
  copy = source;
  EXPECT_EQ(copy, source);

  CK7QBldSQL keep = target;
  keep.CopyTablesAndItems(source, false);
  ExpectLists(keep, {{"a"}, {"t"}, {{"y = 2", ""}}, {{"z", "DESC"}}});
  EXPECT_EQ(source.Conditions().size(), 1u);

  CK7QBldSQL take = target;
  take.CopyTablesAndItems(source, true);
  ExpectLists(take, {{"a"}, {"t"}, {{"x = 1", ""}}, {{"a", "ASC"}}});
  ExpectLists(source, {{"a"}, {"t"}, {}, {}});

  take.CopyTablesAndItems(take, true);
  ExpectLists(take, {{"a"}, {"t"}, {{"x = 1", ""}}, {{"a", "ASC"}}});

  take.Clear();
  EXPECT_TRUE(take.IsEmpty());
  EXPECT_EQ(take.BuildText(), "");
}

TEST(SqlCopy, FindIgnoresCase) {
  const CK7QBldSQL sql = Make({{"T.a", "T.b"}, {"T"}, {{"T.a = 1", ""}}, {{"T.b", ""}}});
  EXPECT_EQ(sql.FindResultItem("t.B"), 1);
  EXPECT_EQ(sql.FindTable("t"), 0);
  EXPECT_EQ(sql.FindCondition("t.A = 1"), 0);
  EXPECT_EQ(sql.FindOrdering("T.B"), 0);
  EXPECT_EQ(sql.FindTable("u"), -1);
}

// --- Round trip -------------------------------------------------------------

// Statements as the SELECT page and the page conversion make them: names
// from a pool that holds near-keywords and lower-case keywords (which must
// not be taken for keywords), blanks beside commas, all condition forms.
class StatementGenerator {
 public:
  explicit StatementGenerator(unsigned seed) : m_rng(seed) {}

  CK7QBldSQL Next() {
    CK7QBldSQL sql;
    const int items = Pick(1, 4);
    for (int i = 0; i < items; ++i) sql.AddResultItem(Item(i == 0, i == items - 1));
    const int tables = Pick(1, 3);
    for (int i = 0; i < tables; ++i) sql.AddTable(Item(i == 0, i == tables - 1));
    const int conditions = Pick(0, 4);
    for (int i = 0; i < conditions; ++i)
      sql.AddCondition(ConditionText(), i == 0 ? "" : Pick(0, 1) ? "AND" : "OR");
    const int orderings = Pick(0, 3);
    static const char* const kDirections[] = {"", "ASC", "DESC"};
    for (int i = 0; i < orderings; ++i) sql.AddOrdering(Column(), kDirections[Pick(0, 2)]);
    return sql;
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }

  std::string Name() {
    static const std::vector<std::string> pool = {
        "a",       "t",       "T1",  "ANDY",        "BRAND",       "FROMAGE",      "SELECTED",
        "ORDERS",  "ORBIT",   "and", "or",          "from",        "select",       "where",
        "between", "WHEREAS", "x_1", K7QSjis("表"), K7QSjis("ソ"), K7QSjis("商品")};
    return pool[static_cast<std::size_t>(Pick(0, static_cast<int>(pool.size()) - 1))];
  }

  std::string Column() { return Pick(0, 2) ? Name() + "." + Name() : Name(); }

  // A list item; blanks at the ends of the whole list would be trimmed away,
  // so only inner items carry them.
  std::string Item(bool first, bool last) {
    std::string item;
    if (!first && Pick(0, 2) == 0) item += Pick(0, 1) ? " " : "\t";
    switch (Pick(0, 3)) {
      case 0:
        item += "COUNT(" + Column() + ")";
        break;
      case 1:
        item += Column() + " " + Name();
        break;  // an alias
      default:
        item += Column();
        break;
    }
    if (!last && Pick(0, 3) == 0) item += " ";
    return item;
  }

  std::string Value() {
    switch (Pick(0, 3)) {
      case 0:
        return std::to_string(Pick(0, 999));
      case 1:
        return "'" + Name() + "'";
      case 2:
        return "$(" + Name() + ")";
      default:
        return Column();
    }
  }

  std::string ConditionText() {
    static const char* const kOps[] = {"=", "<>", ">", ">=", "<", "<="};
    const std::string op = kOps[Pick(0, 5)];
    switch (Pick(0, 4)) {
      case 0:
        return Column() + op + Value();
      case 1:
        return Column() + " LIKE '%" + Name() + "%'";
      case 2:
        return Column() + " BETWEEN " + Value() + " AND " + Value();
      case 3:
        return "(" + Column() + " " + op + "  " + Value() + ")";
      default:
        return Column() + " " + op + " " + Value();
    }
  }

  std::mt19937 m_rng;
};

TEST(SqlRoundTrip, BuiltTextParsesIntoEqualLists) {
  StatementGenerator generator(20261208u);
  for (int i = 0; i < 4000; ++i) {
    const CK7QBldSQL original = generator.Next();
    const std::string text = original.BuildText();
    CK7QBldSQL parsed;
    ASSERT_TRUE(parsed.ParseText(text));
    ASSERT_EQ(parsed, original) << "case " << i << ": " << text;
    ASSERT_EQ(parsed.BuildText(), text);
  }
}

TEST(SqlRoundTrip, LongWhereTextParses) {
  // Many conditions: the connector search must not rescan the rest each time.
  CK7QBldSQL sql;
  sql.AddResultItem("a");
  sql.AddTable("t");
  for (int i = 0; i < 20000; ++i)
    sql.AddCondition("x" + std::to_string(i) + " BETWEEN 1 AND 2", i ? (i % 3 ? "AND" : "OR") : "");
  const std::string text = sql.BuildText();
  CK7QBldSQL parsed;
  ASSERT_TRUE(parsed.ParseText(text));
  EXPECT_EQ(parsed, sql);
}

}  // namespace
