// The function list: its operations, one function's component written and
// read back, and the merge of builder-made functions into a page.
#include <gtest/gtest.h>

#include "MacroTestSupport.h"

namespace {

class FunctionBlockTest : public CK7QMacroFixture {
 protected:
  CK7QBldFunctionBlock& Functions() { return m_macro.Functions(); }

  int AddFunction(int flag, const std::string& name, const std::string& sqlText = {},
                  const std::string& page = {}) {
    CK7QBldSQL sql;
    sql.ParseText(sqlText);
    return Functions().Add(flag, name, name + " note", page, sql, CK7QBldMessageBlock(),
                           kReportKindPlain);
  }
};

// Statement lines of at most 80 bytes, cut after a comma or a blank.
struct SqlBreakCase {
  const char* rule;
  std::string sql;
  K7QStringList lines;
};

class SqlBreakTest : public ::testing::TestWithParam<SqlBreakCase> {};

TEST_P(SqlBreakTest, Breaks) {
  const SqlBreakCase& c = GetParam();
  const K7QStringList lines = CK7QBldFunctionBlock::BreakSqlLines(c.sql);
  EXPECT_EQ(c.lines, lines) << c.rule;
  std::string joined;
  for (const auto& l : lines) joined += l;
  EXPECT_EQ(c.sql, joined) << c.rule;
}

const std::string k80 = "SELECT " + std::string(73, 'A');
const std::string k81 = "S" + std::string(80, 'A');

INSTANTIATE_TEST_SUITE_P(
    Cases, SqlBreakTest,
    ::testing::Values(
        SqlBreakCase{"exactly 80 bytes stay one line", k80, {k80}},
        SqlBreakCase{"81 bytes without comma or blank after the first byte stay whole", k81, {k81}},
        SqlBreakCase{"a short statement is one line", "SELECT A, B FROM T", {"SELECT A, B FROM T"}},
        SqlBreakCase{"81 bytes break at the last comma of the first 80",
                     "SELECT " + std::string(40, 'a') + "," + std::string(33, 'b'),
                     {"SELECT " + std::string(40, 'a') + ",", std::string(33, 'b')}},
        SqlBreakCase{"a comma is preferred to a later blank",
                     "SELECT x," + std::string(60, 'c') + " " + std::string(19, 'd'),
                     {"SELECT x,", std::string(60, 'c') + " " + std::string(19, 'd')}},
        SqlBreakCase{"a comma at the first byte does not count, the blank does",
                     "," + std::string(10, 'e') + " " + std::string(75, 'f'),
                     {"," + std::string(10, 'e') + " ", std::string(75, 'f')}},
        SqlBreakCase{"empty text writes no line", "", {}}));

TEST(ExtractVariableNameTest, TakesTheNameUpToTheFirstParenthesis) {
  struct Row {
    const char* line;
    bool ok;
    const char* name;
  } rows[] = {
      {"<TD>$(V_PRICE)</TD>", true, "PRICE"},
      {"$(V_T.C) and $(V_D)", true, "T.C"},
      {"(x) <TD>$(V_PRICE)</TD>", false, ""},  // a ")" before the variable
      {"$(V_)", false, ""},                    // no name
      {"<TD>PRICE</TD>", false, ""},
  };
  for (const Row& r : rows) {
    std::string name;
    EXPECT_EQ(r.ok, CK7QBldFunctionBlock::ExtractVariableName(r.line, name)) << r.line;
    if (r.ok) {
      EXPECT_EQ(r.name, name) << r.line;
    }
  }
}

TEST_F(FunctionBlockTest, ListOperations) {
  ASSERT_EQ(0, AddFunction(kFunctionBuilderMade, "Alpha"));
  ASSERT_EQ(1, AddFunction(kFunctionAuthor, "beta", "SELECT a FROM t"));
  ASSERT_EQ(2, AddFunction(kFunctionBuilderMade, "gamma", "SELECT t.a,u.b,t.c FROM t,u"));
  EXPECT_EQ(0, Functions().FindByName("ALPHA"));
  EXPECT_EQ(-1, Functions().FindByName("delta"));
  // An author's function keeps kind 0 whatever is given.
  EXPECT_EQ(kReportKindNone, Functions().Entry(1)->kind);
  EXPECT_EQ(kReportKindPlain, Functions().Entry(0)->kind);

  int flag = 9, kind = 9;
  std::string name = "x", comment = "y", page;
  CK7QBldSQL sql;
  CK7QBldMessageBlock messages;
  EXPECT_FALSE(Functions().GetAt(7, flag, name, comment, page, sql, messages, kind));
  EXPECT_EQ("", name);
  EXPECT_EQ("", comment);
  EXPECT_EQ(9, flag);

  // Combo data: builder-made only keeps list indexes.
  const std::vector<std::pair<std::string, int>> builderMade{{"Alpha", 0}, {"gamma", 2}};
  EXPECT_EQ(builderMade, Functions().FunctionComboItems(true));
  EXPECT_EQ(3u, Functions().FunctionComboItems(false).size());
  EXPECT_EQ((K7QStringList{"t", "u"}), Functions().FunctionTables("GAMMA"));
  EXPECT_EQ((K7QStringList{"a", "c"}), Functions().TableColumns("gamma", "T"));
  EXPECT_TRUE(Functions().TableColumns("nothing", "t").empty());

  Functions().RemoveRange(2, 2);  // past the end: nothing
  EXPECT_EQ(3, Functions().GetCount());
  Functions().RemoveRange(0, 2);
  ASSERT_EQ(1, Functions().GetCount());
  EXPECT_EQ("gamma", Functions().Entry(0)->name);
}

TEST_F(FunctionBlockTest, ModifyPutsMessagesByCode) {
  CK7QBldMessageBlock first;
  first.Put("a", "+100", kMessageActionExit);
  first.Put("b", "-803", kMessageActionExit);
  first.SetPosition(kMessagePositionAfterReport);
  ASSERT_EQ(0, Functions().Add(kFunctionAuthor, "f", "", "", CK7QBldSQL(), first, 0));
  CK7QBldMessageBlock second;
  second.Put("c", "+100", kMessageActionContinue);
  second.Put("d", "-900", kMessageActionExit);
  Functions().Modify(0, kFunctionAuthor, "f", "new", "", CK7QBldSQL(), second, 0);
  const auto& items = Functions().Entry(0)->messages.Items();
  ASSERT_EQ(3u, items.size());
  EXPECT_EQ("c", items[0].text);
  EXPECT_EQ("-803", items[1].code);
  EXPECT_EQ("-900", items[2].code);
  // An empty block (a function made again from its page) keeps the position.
  Functions().Modify(0, kFunctionAuthor, "f", "new", "", CK7QBldSQL(), CK7QBldMessageBlock(), 0);
  EXPECT_EQ(kMessagePositionBeforeReport, Functions().Entry(0)->messages.GetPosition());
}

TEST_F(FunctionBlockTest, UnsafeNamesAreRefused) {
  for (const char* name :
       {"", "..", "a/b", "a.b", "x(y", "tab\tname", "html_input", "HTML_REPORT"}) {
    m_ui.m_shown.clear();
    EXPECT_EQ(-1, AddFunction(kFunctionAuthor, name)) << name;
    EXPECT_EQ(std::vector<unsigned>{kIdsUnsafeFunctionName}, m_ui.Ids()) << name;
  }
  EXPECT_EQ(0, AddFunction(kFunctionAuthor, K7QSjis("商品一覧")));
}

TEST_F(FunctionBlockTest, AuthorsFunctionWithoutPageMatchesTheHandWrittenComponent) {
  CK7QBldSQL count;
  ASSERT_TRUE(count.ParseText("SELECT COUNT(*) FROM products"));
  CK7QBldMessageBlock messages;
  messages.Put("empty", "+100", kMessageActionContinue);
  ASSERT_EQ(0,
            Functions().Add(kFunctionAuthor, "g", "count", File("none.htm"), count, messages, 0));
  K7QStringList paths;
  CK7QBldFunctionBlock::WriteContext context = m_macro.MakeWriteContext();
  ASSERT_TRUE(Functions().WriteComponents(paths, Folder(), "shop", context));
  ASSERT_EQ(K7QStringList{File("shop.k7q_fun_g")}, paths);
  EXPECT_EQ(K7QMacroData("g.k7q_fun"), K7QReadFile(paths[0]));
}

TEST_F(FunctionBlockTest, ObjectCommentFollowsTheVariableLineButNeverARowLine) {
  K7QWriteFile(File("p.htm"), "%ROW{ $(V_PRICE)\r\n<TD>$(V_PRICE)</TD>\r\n%}\r\n");
  AddFunction(kFunctionBuilderMade, "f", "SELECT t.PRICE FROM t", File("p.htm"));
  m_macro.PageObjects().AddOrReplace(kPageObjectImage, "1", "a.gif", "f", "t", "PRICE", "note");
  m_macro.SetImagePath("/img/");
  ASSERT_TRUE(
      Functions().WriteComponent(*Functions().Entry(0), File("c"), m_macro.MakeWriteContext()));
  EXPECT_EQ(
      "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\r\n"
      "f note\r\n%}\r\n%FUNCTION(RZV_SQL)f(){\r\nSELECT t.PRICE FROM t\r\n%REPORT{\r\n"
      "%ROW{ $(V_PRICE)\r\n<TD>$(V_PRICE)</TD>\r\n"
      "<!-- Object 0 Start\r\n2,PRICE,1,/img/a.gif,note\r\n-->\r\n%}\r\n%}\r\n%}\r\n",
      K7QReadFile(File("c")));
}

TEST_F(FunctionBlockTest, AnObjectWhoseColumnNoReportLineShowsIsReported) {
  K7QWriteFile(File("p.htm"), "%ROW{\r\n<TD>$(V_NAME)</TD>\r\n%}\r\n");
  AddFunction(kFunctionBuilderMade, "f", "SELECT t.NAME FROM t", File("p.htm"));
  m_macro.PageObjects().AddOrReplace(kPageObjectText, "1", "x", "f", "t", "PRICE", "");
  ASSERT_TRUE(
      Functions().WriteComponent(*Functions().Entry(0), File("c"), m_macro.MakeWriteContext()));
  EXPECT_EQ(K7QReadFile(File("c")).find("<!-- Object"), std::string::npos);
  ASSERT_EQ(std::vector<unsigned>{kIdsObjectWithoutColumn}, m_ui.Ids());
  EXPECT_NE(m_ui.m_shown[0].text.find("f (PRICE)"), std::string::npos);

  // Shown by the report, it is written and nothing is said.
  m_ui.m_shown.clear();
  m_macro.PageObjects().AddOrReplace(kPageObjectText, "1", "x", "f", "t", "NAME", "");
  ASSERT_TRUE(
      Functions().WriteComponent(*Functions().Entry(0), File("c"), m_macro.MakeWriteContext()));
  EXPECT_NE(K7QReadFile(File("c")).find("<!-- Object 0 Start"), std::string::npos);
  EXPECT_TRUE(m_ui.m_shown.empty());
}

TEST_F(FunctionBlockTest, ComponentReadsBackWithKindAndMessages) {
  K7QWriteFile(File("m.k7q_fun_list"),
               "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\r\n"
               "the list\r\n%}\r\n%FUNCTION(RZV_SQL)list(){\r\nSELECT a,\r\nb FROM t\r\n"
               "%MESSAGE{\r\n+100: \"none\": continue\r\n%}\r\n%REPORT{\r\n<TABLE>\r\n%ROW{\r\n"
               "<OPTION>$(V_a)\r\n<!-- Object 3 "
               "Start\r\n1,a,x,y,z\r\n-->\r\n%}\r\n</TABLE>\r\n%}\r\n%}\r\n");
  ASSERT_TRUE(Functions().ReadComponents({File("m.k7q_fun_list")}, kFunctionBuilderMade, Folder(),
                                         "%FUNCTION(RZV_SQL)"));
  const CK7QBldFunctionEntry& f = *Functions().Entry(0);
  EXPECT_EQ("list", f.name);
  EXPECT_EQ("the list", f.comment);
  EXPECT_EQ("SELECT a,b FROM t", f.SqlText(nullptr));
  EXPECT_TRUE(f.sqlText.empty());
  // "<TABLE" then "<OPTION": the last one wins.
  EXPECT_EQ(kReportKindOption, f.kind);
  EXPECT_EQ(kMessagePositionBeforeReport, f.messages.GetPosition());
  EXPECT_EQ(1, f.messages.GetCount());
  EXPECT_EQ(File("m_list.htm"), f.page);
  // The object comment is made again from the page object list on save.
  EXPECT_EQ("<TABLE>\r\n%ROW{\r\n<OPTION>$(V_a)\r\n%}\r\n</TABLE>\r\n", K7QReadFile(f.page));
  EXPECT_FALSE(K7QFile::Exists(File("m.k7q_fun_list")));
}

TEST_F(FunctionBlockTest, ReadingKeepsTextTheStatementCannotHoldAndMakesNoEmptyReport) {
  K7QWriteFile(File("m.k7q_fun_upd"),
               "%{\r\n%}\r\n%FUNCTION(RZV_SQL)upd(){\r\nupdate t set a = 1\r\n"
               "%MESSAGE{\r\n-803: \"dup\": exit\r\n%}\r\n%}\r\n");
  ASSERT_TRUE(Functions().ReadComponents({File("m.k7q_fun_upd")}, kFunctionAuthor, Folder(),
                                         "%FUNCTION(RZV_SQL)"));
  const CK7QBldFunctionEntry& f = *Functions().Entry(0);
  EXPECT_EQ("update t set a = 1", f.SqlText(nullptr));
  EXPECT_FALSE(K7QFile::Exists(f.page));
  ASSERT_TRUE(Functions().WriteComponent(f, File("again"), m_macro.MakeWriteContext()));
  EXPECT_EQ(
      "%{\r\n%}\r\n%FUNCTION(RZV_SQL)upd(){\r\nupdate t set a = 1\r\n"
      "%MESSAGE{\r\n-803: \"dup\": exit\r\n%}\r\n%}\r\n",
      K7QReadFile(File("again")));
}

TEST_F(FunctionBlockTest, ComponentWithoutHeaderStopsReading) {
  K7QWriteFile(File("m.k7q_fun_a"), "%{\r\nno header\r\n%}\r\n");
  K7QWriteFile(File("m.k7q_fun_b"), "%{\r\n%}\r\n%FUNCTION(RZV_SQL)b(){\r\n%}\r\n");
  EXPECT_FALSE(Functions().ReadComponents({File("m.k7q_fun_a"), File("m.k7q_fun_b")},
                                          kFunctionAuthor, Folder(), "%FUNCTION(RZV_SQL)"));
  EXPECT_EQ(std::vector<unsigned>{kIdsFunctionWithoutHeader}, m_ui.Ids());
  EXPECT_EQ(0, Functions().GetCount());
  EXPECT_FALSE(K7QFile::Exists(File("m_a.htm")));
  EXPECT_TRUE(K7QFile::Exists(File("m.k7q_fun_b")));
}

TEST_F(FunctionBlockTest, MergeOpensBuilderMadeCallsAndKeepsEveryOtherLine) {
  K7QWriteFile(File("p_f.htm"), "%ROW{\r\n\r\n<TD>$(V_a)</TD>\r\n%}\r\n");
  AddFunction(kFunctionBuilderMade, "f", "SELECT t.a FROM t", File("p_f.htm"));
  AddFunction(kFunctionAuthor, "g", "SELECT 1 FROM t", File("p_g.htm"));
  // The call after an e-mail address on its line is found too.
  K7QWriteFile(File("p.htm"),
               "<P>mail@example.com ()</P>\r\n<TD>@f()</TD>\r\n@g()\r\n<P>@RZV_DATE()</P>\r\n"
               "<P>a@b.example @f()</P>\r\n");
  ASSERT_TRUE(Functions().MergeIntoPage(File("p.htm"), "%FUNCTION(RZV_SQL)"));
  EXPECT_EQ(
      "<P>mail@example.com ()</P>\r\n<TD>\r\n%FUNCTION(RZV_SQL)f(){\r\n%ROW{\r\n"
      "<TD>$(V_a)</TD>\r\n%}\r\n</TD>\r\n@g()\r\n<P>@RZV_DATE()</P>\r\n<P>a@b.example \r\n"
      "%FUNCTION(RZV_SQL)f(){\r\n%ROW{\r\n<TD>$(V_a)</TD>\r\n%}\r\n</P>\r\n",
      K7QReadFile(File("p.htm")));
  EXPECT_FALSE(K7QFile::Exists(File("p_f.htm")));
  EXPECT_FALSE(K7QFile::Exists(File("p.cvt")));
}

TEST_F(FunctionBlockTest, MergeStopsWhenAFunctionPageIsMissing) {
  AddFunction(kFunctionBuilderMade, "f", "SELECT t.a FROM t", File("p_f.htm"));
  const std::string page = "<TD>@f()</TD>\r\n";
  K7QWriteFile(File("p.htm"), page);
  EXPECT_FALSE(Functions().MergeIntoPage(File("p.htm"), "%FUNCTION(RZV_SQL)"));
  EXPECT_EQ(page, K7QReadFile(File("p.htm")));
  EXPECT_FALSE(K7QFile::Exists(File("p.cvt")));
  EXPECT_FALSE(Functions().MergeIntoPage(File("missing.htm"), "%FUNCTION(RZV_SQL)"));
}

}  // namespace
