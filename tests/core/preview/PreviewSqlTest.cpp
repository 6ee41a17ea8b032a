// Values into statements, and which statements may run; numbers as the
// conditions compare them.
#include <gtest/gtest.h>

#include <map>

#include "K7QPreviewQuery.h"
#include "K7QPreviewSql.h"
#include "K7QPreviewText.h"

namespace {

// Variables of the cases: upper-case names are the author's (define
// section), lower-case ones come from a form.
const std::map<std::string, std::string> kValues = {
    {"T", "products"},
    {"W", "name = '$(q)'"},
    {"LOOP", "$(LOOP2)"},
    {"LOOP2", "$(LOOP)"},
    {"q", "O'Brien"},
    {"n", " 42 "},
    {"neg", "-5"},
    {"bad", "5 OR 1=1"},
    {"bs", "a\\'b"},
    {"dq", "x\"y"},
    {"nul", std::string("a\0b", 3)},
};

struct ComposeCase {
  const char* text;
  std::string sql;               // when accepted
  K7QPreviewSqlRefusal refusal;  // kSqlAccepted or why not
  const char* detail;            // the variable a refusal names
};

}  // namespace

TEST(PreviewSql, ValuesFromOutsideAreLiteralsWhereverTheyLand) {
  const ComposeCase cases[] = {
      // The author's text goes in as it is, references inside it included.
      {"SELECT * FROM $(T) WHERE $(W)", "SELECT * FROM products WHERE name = 'O''Brien'",
       kSqlAccepted, ""},
      // In quotes the quotes are doubled, a doubled quote of the author's stays inside.
      {"SELECT 'it''s $(q)'", "SELECT 'it''s O''Brien'", kSqlAccepted, ""},
      {"SELECT '$(bs)'", "SELECT 'a\\''b'", kSqlAccepted, ""},
      // In E'...' backslashes are doubled too.
      {"SELECT E'$(bs)'", "SELECT E'a\\\\''b'", kSqlAccepted, ""},
      {"SELECT e'$(bs)', '$(bs)'", "SELECT e'a\\\\''b', 'a\\''b'", kSqlAccepted, ""},
      {"SELECT TYPE'$(bs)'", "SELECT TYPE'a\\''b'", kSqlAccepted, ""},  // not an E string
      // In double quotes the double quotes are doubled.
      {"SELECT \"$(dq)\"", "SELECT \"x\"\"y\"", kSqlAccepted, ""},
      // Elsewhere only a number goes in, trimmed; a sign never makes a comment.
      {"SELECT * WHERE id = $(n)", "SELECT * WHERE id = 42", kSqlAccepted, ""},
      {"SELECT 1-$(neg)", "SELECT 1- -5", kSqlAccepted, ""},
      {"SELECT * WHERE id = $(bad)", "", kSqlNotANumber, "bad"},
      {"SELECT * WHERE id = $(q)", "", kSqlNotANumber, "q"},
      {"SELECT 'a''$(q)' || $(q)", "", kSqlNotANumber, "q"},  // after the literal closed
      {"SELECT 1 -- $(q)", "", kSqlNoLiteral, "q"},
      {"SELECT 1 /* $(q) */", "", kSqlNoLiteral, "q"},
      {"SELECT '$(nul)'", "", kSqlNoLiteral, "nul"},
      {"SELECT $(LOOP)", "", kSqlCircular, "LOOP"},
      {"SELECT $(CMD)", "", kSqlCommand, "CMD"},
      {"SELECT '$(missing)'", "SELECT ''", kSqlAccepted, ""},
  };
  std::vector<std::string> missing;
  CK7QPreviewSqlComposer composer([&](const std::string& name) {
    CK7QPreviewSqlComposer::Value v;
    if (name == "CMD") {
      v.found = v.command = true;
      return v;
    }
    const auto it = kValues.find(name);
    if (it == kValues.end()) {
      missing.push_back(name);
      return v;
    }
    v.found = true;
    v.trusted = K7QPreviewText::Upper(name) == name;
    v.text = it->second;
    return v;
  });
  for (const ComposeCase& c : cases) {
    std::string sql;
    std::string detail;
    EXPECT_EQ(composer.Compose(c.text, sql, detail), c.refusal) << c.text;
    if (c.refusal == kSqlAccepted) {
      EXPECT_EQ(sql, c.sql) << c.text;
    } else {
      EXPECT_EQ(detail, c.detail) << c.text;
    }
  }
  EXPECT_EQ(missing, std::vector<std::string>{"missing"});
}

TEST(PreviewSql, OnlyOneSelectRuns) {
  const struct {
    const char* sql;
    K7QPreviewSqlRefusal refusal;
    const char* kept;  // the statement as sent, when accepted
  } cases[] = {
      {"SELECT a FROM t", kSqlAccepted, "SELECT a FROM t"},
      {"  select a from t", kSqlAccepted, "  select a from t"},
      {"/* note */ SELECT 1", kSqlAccepted, "/* note */ SELECT 1"},
      {"SELECT 1;  ", kSqlAccepted, "SELECT 1"},
      {"SELECT ';' FROM t", kSqlAccepted, "SELECT ';' FROM t"},
      {"SELECT \"into\", into_x FROM t -- into;", kSqlAccepted,
       "SELECT \"into\", into_x FROM t -- into;"},
      {"SELECT 1; SELECT 2", kSqlMultiple, ""},
      {"SELECT 1; DROP TABLE t", kSqlMultiple, ""},
      {"SELECT a INTO b FROM t", kSqlInto, ""},
      {"SELECT a Into b FROM t", kSqlInto, ""},
      {"SELECTa FROM t", kSqlNotSelect, ""},
      {"DELETE FROM t", kSqlNotSelect, ""},
      {"(SELECT 1)", kSqlNotSelect, ""},
      {"'SELECT'", kSqlNotSelect, ""},
      {"", kSqlNotSelect, ""},
      {"-- SELECT", kSqlNotSelect, ""},
  };
  for (const auto& c : cases) {
    std::string sql = c.sql;
    EXPECT_EQ(K7QPreviewCheckStatement(sql), c.refusal) << c.sql;
    if (c.refusal == kSqlAccepted) {
      EXPECT_EQ(sql, c.kept) << c.sql;
    }
  }
}

TEST(PreviewSql, StatesMapOntoTheBuildersCodes) {
  const struct {
    const char* state;
    long code;
  } cases[] = {
      {"22012", -801}, {"22003", -802}, {"23505", -803}, {"23000", -803},
      {"08001", -900}, {"08S01", -900}, {"IM002", -900}, {"28000", -900},
      {"40P01", -912}, {"HYT00", -912}, {"42P01", -204}, {"42S02", -204},
      {"42703", -206}, {"42601", -104}, {"HY000", -901}, {"", -901},
  };
  for (const auto& c : cases) EXPECT_EQ(K7QPreviewSqlCode(c.state), c.code) << c.state;
}

TEST(PreviewText, NumbersCompareExactly) {
  const struct {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"10", "9", 1},
      {"9", "10", -1},
      {"007", "7", 0},
      {"1.50", "1.5", 0},
      {"-0", "0", 0},
      {"-2", "-10", 1},
      {"+3", "3", 0},
      {".5", "0.50", 0},
      {"19980401", "19980430", -1},
      {"1e3", "999", 1},
      {"123456789012345678901", "123456789012345678900", 1},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(K7QPreviewText::IsNumber(c.a) && K7QPreviewText::IsNumber(c.b)) << c.a << c.b;
    const int r = K7QPreviewText::CompareNumbers(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " " << c.b;
  }
  for (const char* text : {"", "-", ".", "1.2.3", "1e", "0x10", "1 2", "abc", "1;"})
    EXPECT_FALSE(K7QPreviewText::IsNumber(text)) << text;
  for (const char* text : {" 5 ", "-1.", "2E-3"})
    EXPECT_TRUE(K7QPreviewText::IsNumber(text)) << text;
}

TEST(PreviewText, ReferencesAndDataAddresses) {
  std::size_t end = 0;
  EXPECT_EQ(K7QPreviewText::ReferenceAt("x$(V_t.c)y", 1, end), "V_t.c");
  EXPECT_EQ(end, 9u);
  for (const char* text : {"$()", "$(a b)", "$(a", "$(a\"b)", "$x"})
    EXPECT_EQ(K7QPreviewText::ReferenceAt(text, 0, end), "") << text;
  EXPECT_EQ(K7QPreviewText::DataUri("GIF89a"), "data:image/gif;base64,R0lGODlh");
  EXPECT_EQ(K7QPreviewText::DataUri("\xFF\xD8\xFF"), "data:image/jpeg;base64,/9j/");
  EXPECT_EQ(K7QPreviewText::DataUri("ab"), "data:application/octet-stream;base64,YWI=");
  EXPECT_EQ(K7QPreviewText::DataUri("a"), "data:application/octet-stream;base64,YQ==");
}
