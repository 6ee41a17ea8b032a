// The argument dialog's rows: fixed and variable counts, setting, deleting,
// the values stored on OK, and the call the function page drags.
#include <gtest/gtest.h>

#include "K7QBldArgumentRows.h"

namespace {

CK7QBldLibraryFunction Function(bool variable, K7QStringList arguments, K7QStringList values) {
  CK7QBldLibraryFunction f;
  f.name = "RZV_F";
  f.variable = variable;
  f.arguments = std::move(arguments);
  f.values = std::move(values);
  return f;
}

std::vector<std::string> Names(const CK7QBldArgumentRows& rows) {
  std::vector<std::string> names;
  for (const auto& row : rows.Rows()) names.push_back(row.name);
  return names;
}

std::vector<std::string> Values(const CK7QBldArgumentRows& rows) {
  std::vector<std::string> values;
  for (const auto& row : rows.Rows()) values.push_back(row.value);
  return values;
}

TEST(ArgumentRows, AFixedCountShowsOneRowPerNamedArgument) {
  // Three argument lines, one that does not split into three fields, two stored values.
  const CK7QBldArgumentRows rows(Function(
      false, {"text:A:first", "text:B:second", "not an argument", "text:C:third"}, {"1", "2"}));
  EXPECT_FALSE(rows.Variable());
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(Values(rows), (std::vector<std::string>{"1", "2", ""}));
}

TEST(ArgumentRows, AVariableCountNumbersRowsAfterTheFirstName) {
  const CK7QBldArgumentRows none(Function(true, {"v:ARG:any", "v:OTHER:x"}, {}));
  EXPECT_EQ(Names(none), std::vector<std::string>{"ARG1"});

  CK7QBldArgumentRows rows(Function(true, {"v:ARG:any"}, {"a", "b"}));
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"ARG1", "ARG2", "ARG3"}));
  EXPECT_EQ(Values(rows), (std::vector<std::string>{"a", "b", ""}));
  // Setting a value appends the next row, whose name joins the argument lines.
  K7QStringList lines = {"v:ARG:any"};
  EXPECT_EQ(rows.Set({2}, "  c  ", &lines), 0u);
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"ARG1", "ARG2", "ARG3", "ARG4"}));
  EXPECT_EQ(Values(rows), (std::vector<std::string>{"a", "b", "c", ""}));
  EXPECT_EQ(lines, (K7QStringList{"v:ARG:any", "ARG4"}));
  // Deleting ARG2 numbers the rest again.
  EXPECT_EQ(rows.Delete({1}), 0u);
  EXPECT_EQ(Names(rows), (std::vector<std::string>{"ARG1", "ARG2", "ARG3"}));
  EXPECT_EQ(Values(rows), (std::vector<std::string>{"a", "c", ""}));
}

// Each refusal leaves the rows as they were.
TEST(ArgumentRows, RefusalsNameTheirMessage) {
  CK7QBldArgumentRows fixed(Function(false, {"t:A:x", "t:B:y"}, {"1"}));
  EXPECT_EQ(fixed.Set({}, "v"), kIdsArgumentNoRow);
  EXPECT_EQ(fixed.Set({7}, "v"), kIdsArgumentNoRow);
  EXPECT_EQ(fixed.Set({1}, "  \t "), kIdsArgumentEmptyValue);
  EXPECT_EQ(fixed.Set({1}, "say \"a, b"), kIdsArgumentNotOneValue);
  EXPECT_EQ(Values(fixed), (std::vector<std::string>{"1", ""}));

  CK7QBldArgumentRows one(Function(true, {"v:ARG:any"}, {}));
  EXPECT_EQ(one.Delete({}), kIdsArgumentNoRow);
  EXPECT_EQ(one.Delete({0}), kIdsArgumentOnlyRow);
  CK7QBldArgumentRows two(Function(true, {"v:ARG:any"}, {"a"}));
  EXPECT_EQ(two.Delete({0, 1}), kIdsArgumentLastRow);
  EXPECT_EQ(Names(two), (std::vector<std::string>{"ARG1", "ARG2"}));
}

TEST(ArgumentRows, SettingFillsEverySelectedRow) {
  CK7QBldArgumentRows rows(Function(false, {"t:A:x", "t:B:y", "t:C:z"}, {}));
  EXPECT_EQ(rows.Set({0, 2}, "v"), 0u);
  EXPECT_EQ(Values(rows), (std::vector<std::string>{"v", "", "v"}));
  // A fixed count gets no new row.
  EXPECT_EQ(rows.Rows().size(), 3u);
}

// OK stores each value at its row's position; empty rows before a value
// hold empty texts, empty rows at the end add nothing.
TEST(ArgumentRows, ValuesKeepTheirPositions) {
  const struct {
    std::vector<std::string> rows;
    K7QStringList stored;
  } cases[] = {
      {{"x", "", "z"}, {"x", "", "z"}},
      {{"x", "z", ""}, {"x", "z"}},
      {{"", "", ""}, {}},
      {{"", "y", ""}, {"", "y"}},
  };
  for (const auto& c : cases) {
    CK7QBldArgumentRows rows(Function(false, {"t:A:a", "t:B:b", "t:C:c"}, {}));
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      if (!c.rows[i].empty()) rows.Set({static_cast<int>(i)}, c.rows[i]);
    }
    EXPECT_EQ(rows.Values(), c.stored);
  }
}

// A value stays as typed when the macro reader takes it for one argument;
// otherwise it goes in double quotes, or is refused when that cannot help.
TEST(ArgumentRows, ValuesThatWouldSplitTheCallAreQuoted) {
  const struct {
    const char* value;
    bool ok;
    const char* argument;
  } cases[] = {
      {"\"S\"", true, "\"S\""},     {"_NOWDATE", true, "_NOWDATE"},
      {"$(NAME)", true, "$(NAME)"}, {"@RZV_UPPER($(A))", true, "@RZV_UPPER($(A))"},
      {"\"a,b\"", true, "\"a,b\""}, {"\":-)\"", true, "\":-)\""},
      {"a,b", true, "\"a,b\""},     {":-)", true, "\":-)\""},
      {"(x", true, "\"(x\""},       {")(", true, "\")(\""},
      {"f(a,b)", true, "f(a,b)"},   {"say \"hi\", then", false, ""},
      {"\"open", false, ""},        {"a\"b\")", false, ""},
  };
  for (const auto& c : cases) {
    std::string argument;
    EXPECT_EQ(CK7QBldArgumentRows::QuoteArgument(c.value, argument), c.ok) << c.value;
    if (c.ok) {
      EXPECT_EQ(argument, c.argument) << c.value;
    }
  }
}

TEST(ArgumentRows, TheCallJoinsTheValuesWithoutBlanks) {
  EXPECT_EQ(CK7QBldArgumentRows::BuildCall("NAME", {"a", "b"}), "@NAME(a,b)");
  EXPECT_EQ(CK7QBldArgumentRows::BuildCall("RZV_DATE", {}), "@RZV_DATE()");
  EXPECT_EQ(CK7QBldArgumentRows::BuildCall("F", {"", "\"S\"", "X"}), "@F(,\"S\",X)");
}

}  // namespace
