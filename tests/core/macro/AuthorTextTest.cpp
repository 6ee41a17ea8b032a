// Every piece of the author's text in a macro survives saving and opening:
// page objects on any variable of a line, text and comments around them,
// notes of several lines, campaigns of several functions, SQL the statement
// object cannot rebuild, macros written by hand.
#include <gtest/gtest.h>

#include "K7QBldCampaignEntry.h"
#include "K7QBldFunctionName.h"
#include "K7QBldMacroFile.h"
#include "MacroTestSupport.h"

namespace {

std::size_t Count(const std::string& text, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t i = text.find(needle); i != std::string::npos; i = text.find(needle, i + 1)) ++n;
  return n;
}

class MacroAuthorText : public CK7QMacroFixture {
 protected:
  // Saves to m.k7q, then opens and saves `cycles` times: the same bytes each
  // time and no message.
  std::string SaveOpenSave(int cycles = 2) {
    EXPECT_TRUE(m_doc.Save(File("m.k7q")));
    const std::string saved = K7QReadFile(File("m.k7q"));
    for (int i = 0; i < cycles; ++i) {
      EXPECT_EQ(m_doc.Open(File("m.k7q")), CK7QBldDocCore::OpenResult::Ok);
      EXPECT_TRUE(m_doc.Save(File("m.k7q")));
      EXPECT_EQ(K7QReadFile(File("m.k7q")), saved) << "cycle " << i;
    }
    EXPECT_EQ(m_ui.Ids(), std::vector<unsigned>{});
    return saved;
  }

  void AddFunction(const std::string& name, const std::string& report,
                   int flag = kFunctionBuilderMade) {
    CK7QBldSQL sql;
    sql.AddResultItem("products.id");
    sql.AddResultItem("products.price");
    sql.AddTable("products");
    const std::string page = File("m_" + name + ".htm");
    if (!report.empty()) K7QWriteFile(page, report);
    ASSERT_GE(
        m_macro.Functions().Add(flag, name, "", page, sql, CK7QBldMessageBlock(), kReportKindTable),
        0);
  }
};

// The object of a function is bound to its column wherever the row shows
// it: the second variable of a line, one after a ")" on the line. The
// author's text after such a row, a comment that only looks like an
// object's, blank lines and a note of two lines all come back.
TEST_F(MacroAuthorText, PageObjectsAndTheTextAroundThem) {
  const std::string report =
      "%ROW{\r\n"
      "<TR><TD>$(V_id)</TD><TD>$(V_price)</TD></TR>\r\n"
      "<!-- Object notes Start here -->\r\n"
      "\r\n"
      "<TR><td align=\"right\">(see) $(V_price)</td></TR>\r\n"
      "text after the row\r\n"
      "\r\n"
      "%}\r\n";
  AddFunction("f1", report);
  K7QWriteFile(File("m_HTML_REPORT.htm"), "<TABLE>@f1()</TABLE>\r\n");
  m_macro.Report().Set({}, File("m_HTML_REPORT.htm"));
  m_macro.PageObjects().AddOrReplace(kPageObjectText, "0", "FREE", "f1", "products", "price",
                                     "two\r\nlines");

  const std::string saved = SaveOpenSave(3);
  // Both rows that show the column get the condition; the author's comment
  // is no object's.
  EXPECT_EQ(Count(saved, "%IF( \"$(V_price)\" == \"0\")"), 2u);
  EXPECT_EQ(Count(saved, "<!-- Object 0 End -->"), 2u);
  EXPECT_NE(saved.find("<!-- Object notes Start here -->\r\n"), std::string::npos);
  EXPECT_NE(saved.find("%ELSE\r\n<td align=\"right\">(see) $(V_price)</td>\r\n%ENDIF"),
            std::string::npos)
      << saved;
  // Opened again: the function's page holds the author's lines as they were.
  const CK7QBldFunctionEntry& f1 = *m_macro.Functions().Entry(0);
  EXPECT_EQ(K7QReadFile(f1.page), report);
  ASSERT_EQ(m_macro.PageObjects().GetCount(), 1);
  EXPECT_EQ(m_macro.PageObjects().GetAt(0)->note, "two\r\nlines");
  EXPECT_EQ(m_macro.PageObjects().GetAt(0)->column, "price");
}

// Campaigns of several functions: each function's text stands in front of
// its calls (again after another function's text set the table), one whose
// function no page calls at the end of the report; SQL that the statement
// object cannot rebuild keeps "$(CAMP_TABLE)".
TEST_F(MacroAuthorText, CampaignsOfEveryFunction) {
  AddFunction("f1", "%ROW{\r\n$(V_id)\r\n%}\r\n");
  AddFunction("f2", "%ROW{\r\n$(V_price)\r\n%}\r\n");
  AddFunction("f3", "");
  CK7QBldFunctionBlock& functions = m_macro.Functions();
  functions.SetSqlText(1, "SELECT products.price FROM products  GROUP BY products.price");
  K7QWriteFile(File("m_HTML_INPUT.htm"), "<P>@f2()</P>\r\n");
  m_macro.Input().Set({}, File("m_HTML_INPUT.htm"));
  K7QWriteFile(File("m_HTML_REPORT.htm"), "<P>@f1()</P>\r\n<P>@f2() @f1() @f2()</P>\r\n");
  m_macro.Report().Set({}, File("m_HTML_REPORT.htm"));
  const auto day = CK7QBldCampaignEntry::MakeDate;
  m_macro.Campaigns().Add(day(2030, 1, 1), day(2030, 1, 31), "f1", "products", "sale_products",
                          "one");
  m_macro.Campaigns().Add(day(2030, 2, 1), day(2030, 2, 28), "f2", "products", "sale_products",
                          "two");
  m_macro.Campaigns().Add(day(2030, 3, 1), day(2030, 3, 31), "f3", "products", "sale_products",
                          "three");

  const std::string saved = SaveOpenSave();
  // Input: f2. Report: f1, then f2, f1 and f2 again as the table changes hands.
  EXPECT_EQ(Count(saved, "<!-- CAMP Start f1 -->"), 2u);
  EXPECT_EQ(Count(saved, "<!-- CAMP Start f2 -->"), 3u);
  EXPECT_EQ(Count(saved, "<!-- CAMP Start f3 -->"), 1u);
  EXPECT_LT(saved.find("<!-- CAMP Start f3 -->"), saved.rfind("%}\r\n"));
  EXPECT_GT(saved.find("<!-- CAMP Start f3 -->"), saved.find("%HTML(REPORT){"));
  EXPECT_NE(saved.find("SELECT $(CAMP_TABLE).price FROM $(CAMP_TABLE)  GROUP BY "
                       "$(CAMP_TABLE).price\r\n"),
            std::string::npos)
      << saved;
  // The pages and campaigns are back as they were.
  EXPECT_EQ(K7QReadFile(m_macro.Report().PagePath()),
            "<P>@f1()</P>\r\n<P>@f2() @f1() @f2()</P>\r\n");
  EXPECT_EQ(K7QReadFile(m_macro.Input().PagePath()), "<P>@f2()</P>\r\n");
  const CK7QBldCampaignBlock& campaigns = m_macro.Campaigns();
  ASSERT_EQ(campaigns.GetCount(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(campaigns.GetAt(i)->Function(), "f" + std::to_string(i + 1));
    EXPECT_NE(campaigns.GetAt(i)->CampaignText().find("CAMP_NUMBER, \"" + std::to_string(i + 1)),
              std::string::npos);
  }
  EXPECT_EQ(functions.Entry(functions.FindByName("f2"))->SqlText(nullptr),
            "SELECT products.price FROM products  GROUP BY products.price");
}

// A macro written by hand: SQL over several lines, a comment of several
// lines, a message text with colons and quotes.
TEST_F(MacroAuthorText, HandWrittenMacroKeepsItsText) {
  const std::string macro =
      "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\r\n%}\r\n"
      "%DEFINE{\r\nDATABASE=\"SHOP\"\r\nLOGIN=\"tanaka\"\r\nPASSWORD=\"himitsu\"\r\n%}\r\n"
      "%{\r\nfirst line of the comment\r\nsecond line\r\n%}\r\n"
      "%FUNCTION(RZV_SQL)hand(){\r\n"
      "SELECT name\r\nFROM products\r\n   WHERE price > 10 AND\r\nid < 5\r\n"
      "%MESSAGE{\r\n-803: \"see: \"manual\" p. 3\": exit\r\n%}\r\n"
      "%}\r\n"
      "%HTML(REPORT){\r\n@hand()\r\n%}\r\n";
  K7QWriteFile(File("hand.k7q"), macro);
  ASSERT_EQ(m_doc.Open(File("hand.k7q")), CK7QBldDocCore::OpenResult::Ok);
  EXPECT_EQ(m_ui.Ids(), std::vector<unsigned>{});
  const CK7QBldFunctionEntry& hand = *m_macro.Functions().Entry(0);
  EXPECT_EQ(hand.SqlText(nullptr), "SELECT name FROM products   WHERE price > 10 AND id < 5");
  EXPECT_EQ(hand.comment, "first line of the comment\r\nsecond line");
  ASSERT_EQ(hand.messages.GetCount(), 1);
  EXPECT_EQ(hand.messages.Items()[0].text, "see: \"manual\" p. 3");
  // Saved and opened again, all of it comes back the same.
  ASSERT_TRUE(m_doc.Save(File("hand.k7q")));
  const std::string saved = K7QReadFile(File("hand.k7q"));
  EXPECT_NE(saved.find("%{\r\nfirst line of the comment\r\nsecond line\r\n%}\r\n"),
            std::string::npos)
      << saved;
  ASSERT_EQ(m_doc.Open(File("hand.k7q")), CK7QBldDocCore::OpenResult::Ok);
  ASSERT_TRUE(m_doc.Save(File("hand.k7q")));
  EXPECT_EQ(K7QReadFile(File("hand.k7q")), saved);
  EXPECT_EQ(m_macro.Functions().Entry(0)->messages.Items()[0].text, "see: \"manual\" p. 3");
}

// SQL lines the builder broke at 80 bytes join back exactly.
TEST_F(MacroAuthorText, BrokenSqlLinesJoinBackExactly) {
  CK7QBldSQL sql;
  for (int c = 1; c <= 30; ++c) sql.AddResultItem("products.column_number_" + std::to_string(c));
  sql.AddTable("products");
  sql.AddCondition("products.price BETWEEN 10 AND 200 AND products.name LIKE 'a b c d e f g h'");
  ASSERT_GE(m_macro.Functions().Add(kFunctionBuilderMade, "wide", "", File("m_wide.htm"), sql,
                                    CK7QBldMessageBlock(), kReportKindPlain),
            0);
  const std::string saved = SaveOpenSave();
  EXPECT_GT(Count(saved, ",\r\nproducts.column_number_"), 5u);
  EXPECT_EQ(m_macro.Functions().Entry(0)->SqlText(nullptr), sql.BuildText());
}

// A second function of one name is left out with a message that names it.
TEST_F(MacroAuthorText, SecondFunctionOfOneNameIsReported) {
  AddFunction("twin", "");
  ASSERT_TRUE(m_doc.Save(File("m.k7q")));
  std::string text = K7QReadFile(File("m.k7q"));
  const std::size_t at = text.find("%{\r\n<META name=\"GENERATOR\"", 10);
  const std::size_t end = text.find("%HTML(INPUT)");
  ASSERT_NE(at, std::string::npos);
  std::string twice = text.substr(at, end - at);
  CK7QBldGroceries::ReplaceAll(twice, "twin()", "TWIN()");
  text.insert(end, twice);
  K7QWriteFile(File("m.k7q"), text);
  ASSERT_EQ(m_doc.Open(File("m.k7q")), CK7QBldDocCore::OpenResult::Ok);
  ASSERT_EQ(m_ui.Ids(), std::vector<unsigned>{kIdsDuplicateFunction});
  EXPECT_NE(m_ui.m_shown[0].text.find("\nTWIN"), std::string::npos);
  EXPECT_EQ(m_macro.Functions().GetCount(), 1);
}

// The one definition of a usable name, and the call scanner that reads it back.
TEST(FunctionNames, WhatTheCallScannerReadsBack) {
  const std::pair<std::string, bool> names[] = {
      {"ITEMS", true},
      {"f_1", true},
      {K7QSjis("一覧ソ"), true},
      {"a-b", true},
      {"", false},
      {"a b", false},
      {"a&b", false},
      {"a;b", false},
      {"a'b", false},
      {"a,b", false},
      {"a\"b", false},
      {"a(b", false},
      {"a.b", false},
      {"a/b", false},
      {"a\\b", false},
      {"a%b", false},
      {"a{b", false},
      {"a$b", false},
      {"a@b", false},
      {"a=b", false},
      {"a\tb", false},
      {"HTML_INPUT", false},
      {"html_report", false},
  };
  for (const auto& [name, usable] : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(K7QFunctionName::IsUsable(name), usable);
    EXPECT_EQ(CK7QBldFunctionBlock::IsUsableName(name), usable);
    // A usable name is read back whole from its call, wherever it stands.
    if (!usable || name == "HTML_INPUT" || name == "html_report") continue;
    const std::string text = "<TD>@" + name + "()</TD>";
    EXPECT_EQ(K7QFunctionName::CallNameLength(text, 4), name.size());
  }
  EXPECT_EQ(K7QFunctionName::CallNameLength("@a b()", 0), 0u);
  EXPECT_EQ(K7QFunctionName::CallNameLength("@()", 0), 0u);
  EXPECT_EQ(K7QFunctionName::CallNameLength("a@example.com ()", 1), 0u);
}

}  // namespace
