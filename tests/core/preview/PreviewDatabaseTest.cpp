// What a form value can do to a statement, and what the connection may do,
// on the real SQLite driver and on the PostgreSQL test cluster.
#include <cstdlib>

#include "K7QPreviewSql.h"
#include "PreviewTestSupport.h"

namespace {

const char* kTableSql =
    "CREATE TABLE products(id INTEGER PRIMARY KEY, name VARCHAR(40));\n"
    "INSERT INTO products VALUES (1, 'Matcha'), (2, 'Strawberry'), (3, 'O''Brien');\n";

// The functions the form values go into: a quoted literal, a number, and
// (on PostgreSQL) a literal that takes backslash escapes.
std::string InjectionMacro(const char* dsn) {
  const auto function = [](const std::string& name, const std::string& where) {
    return "%FUNCTION(RZV_SQL)" + name + "(){\nSELECT name FROM products WHERE " + where +
           " ORDER BY id\n%MESSAGE{\n+100: \"(none)\": continue\n%}\n"
           "%REPORT{\n%ROW{\n[$(V_name)]\n%}\n%}\n%}\n";
  };
  return MacroHead(dsn) +
         Crlf(function("BYNAME", "name = '$(Q)'") + function("BYID", "id = $(Q)") +
              function("BYESCAPED", "name = E'$(Q)'") +
              "%HTML(REPORT){\n@BYNAME()|@BYID()\n%}\n%HTML(ESCAPED){\n@BYESCAPED()\n%}\n");
}

struct InjectionCase {
  const char* value;
  std::string byName;  // what @BYNAME() writes
  std::string byId;    // what @BYID() writes; "refused" for the refusal mark
};

const InjectionCase kInjections[] = {
    {"Matcha", "[Matcha]\r\n", "refused"},
    {"O'Brien", "[O'Brien]\r\n", "refused"},
    {"' OR '1'='1", "(none)", "refused"},
    {"x'; DROP TABLE products; --", "(none)", "refused"},
    {"2", "(none)", "[Strawberry]\r\n"},
    {" 3 ", "(none)", "[O'Brien]\r\n"},
    {"-1", "(none)", "(none)"},
    {"1 OR 1=1", "(none)", "refused"},
    {"1; DROP TABLE products", "(none)", "refused"},
    {"1 --", "(none)", "refused"},
};

class PreviewDatabase : public PreviewFixture {
 protected:
  // The page for each injection value, then the table must be whole.
  void CheckInjections(const char* dsn) {
    const std::string macro = InjectionMacro(dsn);
    for (const InjectionCase& c : kInjections) {
      const std::string page = Render(macro, "REPORT", {{"Q", c.value}}, dsn);
      const std::string refused =
          Mark(1, "@BYID(): $(Q)") + "\r\n" +
          Notes({"A form or database value that is not a number where the SQL expects a number; "
                 "the SQL was not run: @BYID(): $(Q)"});
      if (std::string(c.byId) == "refused") {
        EXPECT_EQ(page, c.byName + "|" + refused) << c.value;
      } else {
        EXPECT_EQ(page, c.byName + "|" + c.byId + "\r\n") << c.value;
      }
    }
    EXPECT_EQ(Render(macro, "REPORT", {{"Q", "1"}}, dsn), "(none)|[Matcha]\r\n\r\n");
  }
};

}  // namespace

TEST_F(PreviewDatabase, FormValuesCannotChangeTheStatementOnSqlite) {
  ASSERT_TRUE(K7QMakeTestSqlite(kTableSql));
  CheckInjections(kTestDsn);
}

TEST_F(PreviewDatabase, FormValuesCannotChangeTheStatementOnPostgres) {
  if (!K7QHavePostgres()) GTEST_SKIP() << "K7Q_PG_PORT is not set (scripts/test starts a server)";
  ASSERT_TRUE(K7QPgExec(std::string("DROP TABLE IF EXISTS products;\n") + kTableSql));
  CheckInjections(kTestPgDsn);
  // Inside E'...' a backslash escapes: it is doubled with the quotes.
  const std::string macro = InjectionMacro(kTestPgDsn);
  EXPECT_EQ(Render(macro, "ESCAPED", {{"Q", "\\' OR 1=1 --"}}, kTestPgDsn), "(none)\r\n");
  EXPECT_EQ(Render(macro, "ESCAPED", {{"Q", "O'Brien"}}, kTestPgDsn), "[O'Brien]\r\n\r\n");
}

namespace {

// Statements the connection itself must refuse, whatever reaches it.
void CheckReadOnly(const char* dsn, const std::string& user, const std::string& password,
                   const std::string& writes) {
  CK7QPreviewOdbcRunner runner(dsn, user, password);
  const CK7QPreviewQueryResult read = runner.Run("SELECT count(*) FROM products", {});
  ASSERT_TRUE(read.ok) << read.state << " " << read.message;
  EXPECT_EQ(read.rows, (std::vector<std::vector<std::string>>{{"3"}}));
  for (const std::string& statement :
       {std::string("CREATE TABLE more(a INTEGER)"), std::string("DELETE FROM products"),
        std::string("INSERT INTO products VALUES (9, 'x')"), writes}) {
    const CK7QPreviewQueryResult r = runner.Run(statement, {});
    EXPECT_FALSE(r.ok) << statement;
    EXPECT_FALSE(r.state.empty()) << statement;
  }
  EXPECT_EQ(runner.Run("SELECT count(*) FROM products", {}).rows,
            (std::vector<std::vector<std::string>>{{"3"}}));
}

}  // namespace

TEST_F(PreviewDatabase, TheConnectionIsReadOnlyOnSqlite) {
  ASSERT_TRUE(K7QMakeTestSqlite(kTableSql));
  CheckReadOnly(kTestDsn, "", "", "UPDATE products SET name = 'x'");
}

TEST_F(PreviewDatabase, TheConnectionIsReadOnlyOnPostgres) {
  if (!K7QHavePostgres()) GTEST_SKIP() << "K7Q_PG_PORT is not set (scripts/test starts a server)";
  ASSERT_TRUE(K7QPgExec(std::string("DROP TABLE IF EXISTS products; DROP SEQUENCE IF EXISTS s;\n") +
                        kTableSql + "CREATE SEQUENCE s;\n"));
  // Even a SELECT that would write (a sequence step) is refused by the server.
  CheckReadOnly(kTestPgDsn, K7QPgUser(), K7QPgPassword(), "SELECT nextval('s')");
}

TEST_F(PreviewDatabase, StatementsOtherThanOneSelectAreNeverSent) {
  ASSERT_TRUE(K7QMakeTestSqlite(kTableSql));
  const struct {
    const char* sql;
    unsigned note;
  } cases[] = {
      {"DELETE FROM products", kSqlNotSelect},
      {"SELECT 1; DELETE FROM products", kSqlMultiple},
      {"SELECT * INTO copy FROM products", kSqlInto},
      {"WITH d AS (SELECT 1) SELECT * FROM d", kSqlNotSelect},
  };
  for (const auto& c : cases) {
    const std::string macro =
        MacroHead(kTestDsn) +
        Crlf("%FUNCTION(RZV_SQL)F(){\n" + std::string(c.sql) + "\n%}\n%HTML(INPUT){\n@F()\n%}\n");
    Render(macro, "INPUT");
    EXPECT_EQ(NoteIds(), std::vector<unsigned>{c.note}) << c.sql;
  }
  CK7QPreviewOdbcRunner runner(kTestDsn, "", "");
  EXPECT_EQ(runner.Run("SELECT count(*) FROM products", {}).rows,
            (std::vector<std::vector<std::string>>{{"3"}}));
}

TEST_F(PreviewDatabase, ValuesArriveAsCp932AndKindsAsTheDriverTellsThem) {
  ASSERT_TRUE(K7QMakeTestSqlite(
      "CREATE TABLE t(a VARCHAR(20), b TEXT, c BLOB, d INTEGER);\n"
      "INSERT INTO t VALUES ('抹茶 😀', 'long' || char(10) || 'text', X'00FF', NULL);\n"));
  CK7QPreviewOdbcRunner runner(kTestDsn, "", "");
  const CK7QPreviewQueryResult r = runner.Run(K7QSjis("SELECT a, b, c, d FROM t"), {});
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.columns.size(), 4u);
  EXPECT_EQ(r.columns[0].kind, K7QPreviewColumnKind::Text);
  EXPECT_EQ(r.columns[1].kind, K7QPreviewColumnKind::LargeText);
  EXPECT_EQ(r.columns[2].kind, K7QPreviewColumnKind::Binary);
  EXPECT_EQ(r.columns[3].name, "d");
  // A character CP932 cannot hold arrives as a character reference.
  EXPECT_EQ(r.rows,
            (std::vector<std::vector<std::string>>{
                {K7QSjis("抹茶 ") + "&#128512;", "long\ntext", std::string("\0\xFF", 2), ""}}));
}

TEST_F(PreviewDatabase, AFailedConnectionIsAnErrorOfCodeMinus900) {
  CK7QPreviewOdbcRunner runner("K7QNoSuchDataSource", "", "");
  const CK7QPreviewQueryResult r = runner.Run("SELECT 1", {});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(K7QPreviewSqlCode(r.state), -900) << r.state << " " << r.message;
}
