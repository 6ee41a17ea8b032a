// Opening a macro the builder wrote and saving it again gives the same bytes:
// generated macros with campaigns, page objects, messages before and after
// reports, and functions of both kinds.
#include <gtest/gtest.h>

#include <random>

#include "K7QBldCampaignEntry.h"
#include "MacroTestSupport.h"

namespace {

class MacroRoundTripTest : public CK7QMacroFixture, public ::testing::WithParamInterface<unsigned> {
 protected:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_random); }
  bool Chance(int percent) { return Pick(100) < percent; }

  std::string Word() {
    static const char* words[] = {"alpha", "beta", "shop", "item", "price", "list", "total"};
    return words[Pick(7)];
  }

  std::string PageLine(const std::vector<std::string>& calls) {
    switch (Pick(9)) {
      case 0:
        return calls.empty()
                   ? "<P>none</P>"
                   : "<TD>@" +
                         calls[static_cast<std::size_t>(Pick(static_cast<int>(calls.size())))] +
                         "()</TD>";
      case 1:
        // A call at a line's start, or two calls in a row mid-line.
        return calls.empty() ? ""
               : Chance(50)  ? "@" + calls.front() + "()"
                             : "<P>@" + calls.back() + "() @" + calls.front() + "()</P>";
      case 2:
        return "<P>write to " + Word() + "@example.com ()</P>";
      case 3:
        return "<INPUT type=\"text\" name=\"" + Word() + "\">";
      case 4:
        return K7QSjis("<P>商品の一覧ソ表</P>");
      case 5:
        return "";
      case 6:
        return "  <P>@RZV_DATE() " + Word() + "</P>";
      default:
        return "<P>" + Word() + " " + Word() + "</P>";
    }
  }

  std::string Page(const std::vector<std::string>& calls, int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) text += PageLine(calls) + "\r\n";
    return text;
  }

  CK7QBldMessageBlock Messages() {
    CK7QBldMessageBlock block;
    static const char* codes[] = {"+100", "-803", "+default", "-900"};
    for (int i = Pick(3); i > 0; --i) block.Put(Word() + " " + Word(), codes[Pick(4)], Pick(2));
    block.SetPosition(Pick(2));
    return block;
  }

  void Generate() {
    const int functions = 1 + Pick(5);
    std::vector<std::string> names;
    for (int i = 0; i < functions; ++i) names.push_back("f" + std::to_string(i) + Word());

    for (int i = Pick(4); i > 0; --i)
      m_macro.Define().Add((Chance(30) ? "MY_DATABASE_" : "USER_") + std::to_string(i), Word());
    if (Chance(50)) {
      m_macro.Define().Add("K7Q_IMG_PATH", "/img/");
      m_macro.SetImagePath("/img/");
    }

    K7QWriteFile(File("m_HTML_INPUT.htm"), Page(names, Pick(6)));
    m_macro.Input().Set(Chance(50) ? "input " + Word() : "", File("m_HTML_INPUT.htm"));
    if (Chance(80)) K7QWriteFile(File("m_HTML_REPORT.htm"), Page(names, Pick(8)));
    m_macro.Report().Set(Chance(30) ? "report " + Word() : "", File("m_HTML_REPORT.htm"));
    m_macro.Messages().CopyFrom(Messages());

    for (const std::string& name : names) {
      const bool builderMade = Chance(60);
      const std::string page = File("m_" + name + ".htm");
      CK7QBldSQL sql;
      if (builderMade) {
        for (int c = 1 + Pick(12); c > 0; --c)
          sql.AddResultItem("products.col" + std::to_string(c));
        sql.AddTable("products");
        if (Chance(50)) sql.AddCondition("products.price > 10");
        if (Chance(30))
          sql.AddCondition("products.id = $(key)", sql.Conditions().empty() ? "" : "AND");
        std::string report = "%ROW{\r\n<TR><TD>$(V_id)</TD>\r\n<TD>$(V_price)</TD></TR>\r\n%}\r\n";
        // The object's column second on its line, after a ")", text and
        // blank lines after its row.
        if (Chance(30))
          report = "%ROW{\r\n<TR><TD>$(V_id)</TD><td>(" + Word() +
                   ") $(V_price)</td></TR>\r\n\r\n" + Word() + " after\r\n%}\r\n";
        if (Chance(30)) report = "<TABLE>\r\n" + report + "</TABLE>\r\n";
        if (Chance(20)) report = "<SELECT>\r\n%ROW{\r\n<OPTION>$(V_price)\r\n%}\r\n</SELECT>\r\n";
        K7QWriteFile(page, report);
        if (Chance(50)) {
          m_objects.push_back({Pick(3), name});
        }
        // SQL the statement object cannot rebuild, as the author edited it.
        if (Chance(20))
          m_sqlTexts.emplace_back(name,
                                  "SELECT products.col1 FROM products  GROUP BY products.col1");
        if (Chance(40)) {
          m_macro.Campaigns().Add(CK7QBldCampaignEntry::MakeDate(2000 + Pick(30), 1 + Pick(12), 1),
                                  CK7QBldCampaignEntry::MakeDate(2031, 12, 31), name, "products",
                                  "sale_products", Word());
        }
      } else {
        static const char* texts[] = {
            "SELECT COUNT(*) FROM products", "update products set price = 0", "select a from b",
            "SELECT a, b FROM t WHERE x BETWEEN 1 AND 5 AND y = 2 ORDER BY a DESC"};
        sql.ParseText(texts[Pick(4)]);
        if (Chance(40)) K7QWriteFile(page, "<P>" + Word() + "</P>\r\n<P>$(V_total)</P>\r\n");
      }
      const int index = m_macro.Functions().Add(
          builderMade ? kFunctionBuilderMade : kFunctionAuthor, name,
          Chance(60) ? "about " + Word() : "", page, sql, Messages(), kReportKindPlain);
      ASSERT_GE(index, 0);
      if (!builderMade && sql.IsEmpty()) {
        m_macro.Functions().SetSqlText(index, "update products set price = 0");
      }
      for (const auto& [function, text] : m_sqlTexts) {
        if (function == name) m_macro.Functions().SetSqlText(index, text);
      }
    }
    // Page objects in an order of their own, not the functions'.
    std::shuffle(m_objects.begin(), m_objects.end(), m_random);
    for (const auto& [kind, function] : m_objects) {
      static const char* replacements[] = {"#FF0000", "SALE", "sale.gif"};
      m_macro.PageObjects().AddOrReplace(
          kind, "0", replacements[kind], function, "products", "price",
          Chance(30) ? "note " + Word() + "\r\n" + Word() : "note " + Word());
    }
  }

  std::mt19937 m_random{GetParam()};
  std::vector<std::pair<int, std::string>> m_objects;
  std::vector<std::pair<std::string, std::string>> m_sqlTexts;  // function, its SQL text
};

TEST_P(MacroRoundTripTest, OpenThenSaveGivesTheSameBytes) {
  Generate();
  ASSERT_TRUE(m_doc.Save(File("m.k7q")));
  const std::string saved = K7QReadFile(File("m.k7q"));
  for (int cycle = 0; cycle < 2; ++cycle) {
    ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("m.k7q"))) << "cycle " << cycle;
    ASSERT_TRUE(m_doc.Save(File("m.k7q")));
    ASSERT_EQ(saved, K7QReadFile(File("m.k7q"))) << "seed " << GetParam() << " cycle " << cycle;
  }
  EXPECT_TRUE(m_ui.m_shown.empty());
  m_doc.DeleteWorkingFiles();
  EXPECT_EQ((std::set<std::string>{"SHOP.k7q_pro", "m.k7q"}), FolderFiles());
}

INSTANTIATE_TEST_SUITE_P(Seeds, MacroRoundTripTest, ::testing::Range(1u, 61u));

}  // namespace
