// What the function and message pages rely on from the macro: the SQL code
// table and its checks, the pages that call a function, and a function page
// edited in the page editor written in its macro form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "K7QBldFunctionCalls.h"
#include "K7QBldSqlCodeTable.h"
#include "MacroTestSupport.h"

namespace {

TEST(SqlCodeTableTest, CodesAreWholeNumbersOrTheTwoDefaults) {
  struct Case {
    const char* code;
    bool valid;
  };
  const std::vector<Case> cases = {
      {"+100", true},     {"-803", true},     {"0", true},      {"-DEFAULT", true},
      {"+default", true}, {"12a", false},     {"", false},      {"+", false},
      {"1.5", false},     {"default", false}, {"+ 100", false}, {"--1", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CK7QBldSqlCodeTable::IsValidCode(c.code), c.valid) << c.code;
}

TEST(SqlCodeTableTest, TheTableGivesEachCodeItsTextAndAction) {
  const auto& codes = CK7QBldSqlCodeTable::Codes();
  ASSERT_EQ(codes.size(), 10u);
  EXPECT_EQ(codes.front().code, "+default");
  const K7QSqlCode* noData = CK7QBldSqlCodeTable::Find("+100");
  ASSERT_NE(noData, nullptr);
  EXPECT_EQ(noData->text, 62411u);
  EXPECT_EQ(noData->action, kMessageActionContinue);
  const K7QSqlCode* busy = CK7QBldSqlCodeTable::Find("-912");
  ASSERT_NE(busy, nullptr);
  EXPECT_EQ(busy->text, 62410u);
  EXPECT_EQ(busy->action, kMessageActionExit);
  EXPECT_NE(CK7QBldSqlCodeTable::Find("-DEFAULT"), nullptr);
  EXPECT_EQ(CK7QBldSqlCodeTable::Find("-100"), nullptr);
}

TEST(SqlCodeTableTest, TextsWithColonsAndQuotesReadBackButSectionKeywordsDoNot) {
  // Written into a message section and read back, each text is the same item.
  for (const std::string& text :
       std::vector<std::string>{"a: b", "say \"hi\"", "\"quoted\"", "\"", "a\"", ":",
                                "x: \"y\": exit", K7QSjis("該当データなし (100%)")}) {
    std::string_view keyword;
    EXPECT_TRUE(CK7QBldSqlCodeTable::IsReadableText(text, keyword)) << text;
    CK7QBldMessageBlock written;
    written.Put(text, "+100", kMessageActionContinue);
    const std::string section = written.GetSectionText();
    const std::size_t begin = section.find('\n') + 1;
    CK7QBldMessageBlock read;
    read.ReadMessageLine(section.substr(begin, section.find('\n', begin) - begin));
    EXPECT_EQ(read, written) << text;
  }
  for (const std::string text : {"50%} off", "%{x", "see %REPORT{"}) {
    std::string_view keyword;
    EXPECT_FALSE(CK7QBldSqlCodeTable::IsReadableText(text, keyword)) << text;
    EXPECT_NE(text.find(keyword), std::string::npos) << text;
  }
}

TEST(FunctionCallsTest, CallsAreFoundIgnoringCase) {
  EXPECT_TRUE(CK7QBldFunctionCalls::Calls("<P>@Orders()</P>", "ORDERS"));
  EXPECT_TRUE(CK7QBldFunctionCalls::Calls("x\r\n@orders(a)\r\n", "orders"));
  EXPECT_FALSE(CK7QBldFunctionCalls::Calls("@orders_old()", "orders"));
  EXPECT_FALSE(CK7QBldFunctionCalls::Calls("mail@orders.example", "orders"));
  EXPECT_FALSE(CK7QBldFunctionCalls::Calls("@orders", "orders"));
}

class FunctionCallersTest : public CK7QMacroFixture {};

TEST_F(FunctionCallersTest, PagesAreReadInTheirMacroForm) {
  // The report page's converted page holds the call; the page itself is the editor's form.
  const std::string report = File("m_HTML_REPORT.htm");
  K7QWriteFile(report, "<IMG src=\"k7q_loop_start.gif\" alt=\"ROW:LIST\">\r\n");
  K7QWriteFile(File("m_HTML_REPORT.cvt"), "@LIST()\r\n");
  m_macro.Report().Set({}, report);
  K7QWriteFile(File("m_HTML_INPUT.htm"), "<FORM></FORM>\r\n");
  m_macro.Input().Set({}, File("m_HTML_INPUT.htm"));
  CK7QBldFunctionEntry caller;
  caller.name = "OUTER";
  caller.page = File("m_OUTER.htm");
  K7QWriteFile(caller.page, "%ROW{\r\n@list()\r\n%}\r\n");
  CK7QBldFunctionEntry self;
  self.name = "LIST";
  self.page = File("m_LIST.htm");
  K7QWriteFile(self.page, "@LIST()\r\n");
  using Caller = CK7QBldFunctionCalls::Caller;
  EXPECT_EQ(CK7QBldFunctionCalls::Find(m_macro, "list", {&caller, &self}),
            (std::vector<Caller>{{CK7QBldFunctionCalls::Kind::ReportPage, {}},
                                 {CK7QBldFunctionCalls::Kind::Function, "OUTER"}}));
  EXPECT_TRUE(CK7QBldFunctionCalls::Find(m_macro, "OUTER", {&caller, &self}).empty());
}

TEST_F(FunctionCallersTest, AnEditedFunctionPageIsWrittenInItsMacroForm) {
  CK7QBldSQL sql;
  ASSERT_GE(m_macro.Functions().Add(kFunctionAuthor, "MINE", {}, File("m_MINE.htm"), sql,
                                    CK7QBldMessageBlock(), kReportKindNone),
            0);
  K7QWriteFile(File("m_MINE.htm"), "<K7Q macro=\"$(V_products.id)\">1</K7Q>\r\n");
  K7QWriteFile(File("m_MINE.cvt"), "$(V_products.id)\r\n");
  const CK7QBldFunctionBlock::WriteContext context = m_macro.MakeWriteContext();
  ASSERT_TRUE(m_macro.Functions().WriteComponent(*m_macro.Functions().Entry(0),
                                                 File("c.k7q_fun_MINE"), context));
  const std::string component = K7QReadFile(File("c.k7q_fun_MINE"));
  EXPECT_NE(component.find("%REPORT{\r\n$(V_products.id)\r\n%}"), std::string::npos);
  EXPECT_EQ(component.find("<K7Q"), std::string::npos);

  // Read back, the page is made anew and the old converted page goes.
  K7QStringList paths = {File("m.k7q_fun_MINE")};
  std::filesystem::rename(File("c.k7q_fun_MINE"), paths[0]);
  m_macro.Functions().RemoveAll();
  ASSERT_TRUE(m_macro.Functions().ReadComponents(paths, kFunctionAuthor, Folder(),
                                                 m_macro.FunctionPrefix()));
  EXPECT_EQ(K7QReadFile(File("m_MINE.htm")), "$(V_products.id)\r\n");
  EXPECT_FALSE(K7QFile::Exists(File("m_MINE.cvt")));
}

}  // namespace
