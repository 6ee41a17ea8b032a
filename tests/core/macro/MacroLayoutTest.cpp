// The macro file: define, function, input and report sections as saved,
// and the define and page components read back.
#include <gtest/gtest.h>

#include <ostream>

#include "K7QBldCampaignEntry.h"
#include "K7QBldMacroFile.h"
#include "MacroTestSupport.h"

namespace {

const std::string kCrLf = "\r\n";

class MacroLayoutTest : public CK7QMacroFixture {
 protected:
  // The shop macro: a builder-made function with a campaign and a page
  // object, an author's function, pages with an e-mail address and a
  // built-in call, messages after the report.
  void BuildShop() {
    m_macro.Define().Add("K7Q_IMG_PATH", "/img/");
    m_macro.Define().Add("MY_DATABASE_NAME", "shopdb");
    m_macro.SetImagePath("/img/");

    const std::string input = File("shop_HTML_INPUT.htm");
    K7QWriteFile(input,
                 "<FORM action=\"shop.k7q/report\">\r\n<P>mail: info@shop.example</P>\r\n"
                 "<P>today: @RZV_DATE()</P>\r\n<INPUT name=\"q\">\r\n</FORM>\r\n");
    m_macro.Input().Set("entry page", input);
    const std::string report = File("shop_HTML_REPORT.htm");
    K7QWriteFile(report, "<P>Products</P>\r\n<TABLE>@f1()</TABLE>\r\n<P>@f1()</P>\r\n");
    m_macro.Report().Set({}, report);
    m_macro.Messages().Put("none", "+100", kMessageActionContinue);

    const std::string page = File("shop_f1.htm");
    K7QWriteFile(page, "%ROW{\r\n<TR><TD>$(V_id)</TD>\r\n<TD>$(V_price)</TD></TR>\r\n%}\r\n");
    CK7QBldSQL sql;
    sql.AddResultItem("products.id");
    sql.AddResultItem("products.price");
    sql.AddTable("products");
    CK7QBldMessageBlock messages;
    messages.Put("dup", "-803", kMessageActionExit);
    messages.SetPosition(kMessagePositionAfterReport);
    ASSERT_EQ(0, m_macro.Functions().Add(kFunctionBuilderMade, "f1", "products list", page, sql,
                                         messages, kReportKindTable));

    CK7QBldSQL count;
    ASSERT_TRUE(count.ParseText("SELECT COUNT(*) FROM products"));
    CK7QBldMessageBlock empty;
    empty.Put("empty", "+100", kMessageActionContinue);
    ASSERT_EQ(1, m_macro.Functions().Add(kFunctionAuthor, "g", "count", File("shop_g.htm"), count,
                                         empty, kReportKindTable));

    m_macro.PageObjects().AddOrReplace(kPageObjectText, "0", "FREE", "f1", "products", "price",
                                       "n");
    m_macro.Campaigns().Add(CK7QBldCampaignEntry::MakeDate(1998, 4, 1),
                            CK7QBldCampaignEntry::MakeDate(1998, 4, 30), "f1", "products",
                            "sale_products", "spring");
  }
};

TEST_F(MacroLayoutTest, SavedMacroMatchesTheHandWrittenFile) {
  BuildShop();
  ASSERT_TRUE(m_doc.Save(File("shop.k7q")));
  EXPECT_EQ(K7QMacroData("shop.k7q"), K7QReadFile(File("shop.k7q")));
  EXPECT_TRUE(m_ui.m_shown.empty());
  // The components are gone; the pages stay until the document closes.
  EXPECT_EQ((std::set<std::string>{"SHOP.k7q_pro", "shop.k7q", "shop_HTML_INPUT.htm",
                                   "shop_HTML_REPORT.htm", "shop_f1.htm"}),
            FolderFiles());
}

// The same macro as this builder writes it (CR LF throughout) and as an
// earlier builder wrote it (bare line feeds in the campaign text, the break
// in front of the first call and the page object's condition): each opens
// into the same parts and saves back to its own bytes.
class MacroLayoutOpenTest : public MacroLayoutTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(MacroLayoutOpenTest, HandWrittenMacroOpensIntoItsParts) {
  const std::string file = GetParam();
  K7QWriteFile(File("shop.k7q"), K7QMacroData(file));
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("shop.k7q")));
  EXPECT_TRUE(m_ui.m_shown.empty());

  const auto& vars = m_macro.Define().Variables();
  ASSERT_EQ(2u, vars.size());
  EXPECT_EQ((CK7QBldDefineBlock::Variable{"MY_DATABASE_NAME", "shopdb"}), vars[1]);
  EXPECT_EQ("/img/", m_macro.ImagePath());
  EXPECT_EQ("entry page", m_macro.Input().Comment());
  EXPECT_EQ(
      "<FORM action=\"shop.k7q/report\">\r\n<P>mail: info@shop.example</P>\r\n"
      "<P>today: @RZV_DATE()</P>\r\n<INPUT name=\"q\">\r\n</FORM>\r\n",
      K7QReadFile(m_macro.Input().PagePath()));
  // The campaign text and the line break in front of the call are gone.
  EXPECT_EQ("<P>Products</P>\r\n<TABLE>@f1()</TABLE>\r\n<P>@f1()</P>\r\n",
            K7QReadFile(m_macro.Report().PagePath()));
  ASSERT_EQ(1, m_macro.Messages().GetCount());
  EXPECT_EQ("none", m_macro.Messages().Items()[0].text);
  EXPECT_EQ(K7QStringList{"q"}, m_macro.FormFieldNames());

  const CK7QBldFunctionBlock& functions = m_macro.Functions();
  ASSERT_EQ(2, functions.GetCount());
  const CK7QBldFunctionEntry& f1 = *functions.Entry(0);
  EXPECT_EQ("f1", f1.name);
  EXPECT_EQ(kFunctionBuilderMade, f1.flag);
  EXPECT_EQ("products list", f1.comment);
  // The campaign's table is back in place of the variable.
  EXPECT_EQ("SELECT products.id,products.price FROM products", f1.SqlText(nullptr));
  EXPECT_EQ(kMessagePositionAfterReport, f1.messages.GetPosition());
  // The author's cell is back, the object comment left to the page object list.
  EXPECT_EQ("%ROW{\r\n<TR><TD>$(V_id)</TD>\r\n<TD>$(V_price)</TD></TR>\r\n%}\r\n",
            K7QReadFile(f1.page));
  EXPECT_EQ(File("shop_f1.htm"), f1.page);
  const CK7QBldFunctionEntry& g = *functions.Entry(1);
  EXPECT_EQ(kFunctionAuthor, g.flag);
  EXPECT_EQ("SELECT COUNT(*) FROM products", g.SqlText(nullptr));
  EXPECT_FALSE(K7QFile::Exists(g.page));

  ASSERT_EQ(1, m_macro.Campaigns().GetCount());
  EXPECT_EQ("19980401", CK7QBldCampaignEntry::FormatDate(m_macro.Campaigns().GetAt(0)->Start()));
  EXPECT_EQ("sale_products", m_macro.Campaigns().GetAt(0)->Table2());
  ASSERT_EQ(1, m_macro.PageObjects().GetCount());
  EXPECT_EQ("FREE", m_macro.PageObjects().GetAt(0)->replacement);
  EXPECT_EQ("price", m_macro.PageObjects().GetAt(0)->column);

  // Saving again gives the same bytes.
  ASSERT_TRUE(m_doc.Save(File("again.k7q")));
  EXPECT_EQ(K7QMacroData(file), K7QReadFile(File("again.k7q")));
}

INSTANTIATE_TEST_SUITE_P(Files, MacroLayoutOpenTest,
                         ::testing::Values("shop.k7q", "shop_earlier.k7q"));

TEST_F(MacroLayoutTest, SavedMacroHasNoBareLineFeed) {
  BuildShop();
  ASSERT_TRUE(m_doc.Save(File("shop.k7q")));
  const std::string macro = K7QReadFile(File("shop.k7q"));
  for (std::size_t lf = macro.find('\n'); lf != std::string::npos; lf = macro.find('\n', lf + 1))
    ASSERT_EQ(macro[lf - 1], '\r') << lf;
}

TEST_F(MacroLayoutTest, EmptyLoginAndPasswordWriteNeitherLine) {
  LoadProfile("", "");
  ASSERT_EQ("", m_macro.Profile().Login());
  m_macro.Define().WriteComponent(File("x.k7q_define"), "SHOP", "", "");
  EXPECT_EQ(K7QMacroData("no_login.k7q_define"), K7QReadFile(File("x.k7q_define")));
}

TEST_F(MacroLayoutTest, MissingInputPageStillWritesTheSection) {
  m_macro.Input().Set({}, File("none_HTML_INPUT.htm"));
  m_macro.Input().WriteComponent(kHtmlInput, File("x.k7q_html_input"), {});
  EXPECT_EQ(K7QMacroData("no_page.k7q_html_input"), K7QReadFile(File("x.k7q_html_input")));
}

TEST_F(MacroLayoutTest, ConvertedPageIsPreferredAndCarriageReturnsLeaveTheComment) {
  K7QWriteFile(File("t_HTML_REPORT.htm"), "page\r\n");
  K7QWriteFile(File("t_HTML_REPORT.cvt"), "converted\r\n");
  m_macro.Report().Set("two\r\nlines", File("t_HTML_REPORT.htm"));
  m_macro.Report().WriteComponent(kHtmlReport, File("x"), "%MESSAGE{\n+100: \"a\": exit\n%}\n");
  EXPECT_EQ(
      "%{\r\ntwo\r\nlines\r\n%}\r\n%HTML(REPORT){\r\nconverted\r\n%}\r\n"
      "%MESSAGE{\r\n+100: \"a\": exit\r\n%}\r\n",
      K7QReadFile(File("x")));
}

// Reading the define section: the connection lines are checked by name.
struct DefineCase {
  const char* rule;
  std::string lines;  // inside "%DEFINE{"
  bool generator;
  std::vector<int> answers;
  CK7QBldDefineBlock::ReadResult result;
  std::vector<unsigned> shown;
  std::size_t variables;
};

// Test names carry the rule, not the case's bytes (which differ from build to build).
void PrintTo(const DefineCase& c, std::ostream* os) { *os << c.rule; }

class DefineReadTest : public CK7QMacroFixture, public ::testing::WithParamInterface<DefineCase> {};

TEST_P(DefineReadTest, ChecksTheProfileAndTheGenerator) {
  const DefineCase& c = GetParam();
  std::string text = c.generator ? "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 "
                                   "for Windows\">\r\n%}\r\n"
                                 : "%{\r\nhand made\r\n%}\r\n";
  text += "%DEFINE{\r\n" + c.lines + "%}\r\n";
  K7QWriteFile(File("t.k7q_define"), text);
  m_ui.m_answers.assign(c.answers.begin(), c.answers.end());
  std::string imagePath = "/";
  EXPECT_EQ(c.result, m_macro.Define().ReadComponent(File("t.k7q_define"), m_macro.Profile(), m_ui,
                                                     imagePath))
      << c.rule;
  EXPECT_EQ(c.shown, m_ui.Ids()) << c.rule;
  EXPECT_EQ(c.variables, m_macro.Define().Variables().size()) << c.rule;
  EXPECT_FALSE(K7QFile::Exists(File("t.k7q_define"))) << c.rule;
}

const std::string kConnection =
    "DATABASE=\"SHOP\"\r\nLOGIN=\"tanaka\"\r\nPASSWORD=\"himitsu\"\r\n"
    "CLOBTYPE=%EXEC \"TYPE @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"\r\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, DefineReadTest,
    ::testing::Values(DefineCase{"matching connection, variables kept",
                                 kConnection + "A=\"1\"\r\nB=\"x=y\"\r\n",
                                 true,
                                 {},
                                 CK7QBldDefineBlock::ReadResult::Ok,
                                 {},
                                 2},
                      DefineCase{
                          "a variable merely containing the words is a variable",
                          kConnection +
                              "MY_DATABASE=\"other\"\r\nLOGIN_PAGE=\"x\"\r\nOLD_PASSWORD=\"y\"\r\n",
                          true,
                          {},
                          CK7QBldDefineBlock::ReadResult::Ok,
                          {},
                          3},
                      DefineCase{"database mismatch",
                                 "DATABASE=\"OTHER\"\r\n",
                                 true,
                                 {},
                                 CK7QBldDefineBlock::ReadResult::Failed,
                                 {kIdsDatabaseMismatch},
                                 0},
                      DefineCase{"login mismatch",
                                 "DATABASE=\"SHOP\"\r\nLOGIN=\"suzuki\"\r\n",
                                 true,
                                 {},
                                 CK7QBldDefineBlock::ReadResult::Failed,
                                 {kIdsLoginMismatch},
                                 0},
                      DefineCase{"password mismatch",
                                 "DATABASE=\"SHOP\"\r\nPASSWORD=\"x\"\r\n",
                                 true,
                                 {},
                                 CK7QBldDefineBlock::ReadResult::Failed,
                                 {kIdsPasswordMismatch},
                                 0},
                      DefineCase{"no generator, go on",
                                 kConnection,
                                 false,
                                 {kIdYes},
                                 CK7QBldDefineBlock::ReadResult::Ok,
                                 {kIdsNotBuilderMacro},
                                 0},
                      DefineCase{"no generator, pick another",
                                 kConnection,
                                 false,
                                 {kIdNo},
                                 CK7QBldDefineBlock::ReadResult::PickAnother,
                                 {kIdsNotBuilderMacro},
                                 0}));

TEST_F(MacroLayoutTest, ImagePathVariableSetsThePrefix) {
  K7QWriteFile(File("t.k7q_define"),
               "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\r\n"
               "%}\r\n%DEFINE{\r\n" +
                   kConnection + "K7Q_IMG_PATH=\"/pics/\"\r\n%}\r\n");
  std::string imagePath = "/";
  ASSERT_EQ(
      CK7QBldDefineBlock::ReadResult::Ok,
      m_macro.Define().ReadComponent(File("t.k7q_define"), m_macro.Profile(), m_ui, imagePath));
  EXPECT_EQ("/pics/", imagePath);
}

TEST_F(MacroLayoutTest, PageComponentReadsSectionCommentAndMessages) {
  // A page line holding "%}" closes the section: what follows is no page text.
  K7QWriteFile(
      File("t.k7q_html_report"),
      "%{\r\nfirst\r\n%}\r\n%HTML(REPORT){\r\n<P>a</P>\r\n<P>100%}</P>\r\n<P>b</P>\r\n%}\r\n"
      "%MESSAGE{\r\n-803: \"dup\": exit\r\n+100: \"x\": maybe\r\n%}\r\n");
  m_macro.Report().ReadComponent(kHtmlReport, File("t.k7q_html_report"), Folder(), "t",
                                 &m_macro.Messages());
  EXPECT_EQ(File("t_HTML_REPORT.htm"), m_macro.Report().PagePath());
  EXPECT_EQ("<P>a</P>\r\n", K7QReadFile(File("t_HTML_REPORT.htm")));
  EXPECT_EQ("first\r\n<P>b</P>", m_macro.Report().Comment());
  // The message section right after the report's "%}" is read; an unknown action is ignored.
  ASSERT_EQ(1, m_macro.Messages().GetCount());
  EXPECT_EQ("-803", m_macro.Messages().Items()[0].code);
  EXPECT_FALSE(K7QFile::Exists(File("t.k7q_html_report")));
}

TEST_F(MacroLayoutTest, SplitKeepsFunctionNameOfTheHeaderAndTheAuthorsComment) {
  // A ")" in the comment, and an author's function right after the define section.
  K7QWriteFile(
      File("m.rst"),
      "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\r\n%}\r\n"
      "%DEFINE{\r\nDATABASE=\"SHOP\"\r\n%}\r\n"
      "%{\r\nsee (notes) here\r\n%}\r\n%FUNCTION(RZV_SQL)  total (){\r\nSELECT a FROM t\r\n%}\r\n"
      "%{\r\nabout the page\r\n%}\r\n%HTML(INPUT){\r\nx\r\n%}\r\n%HTML(REPORT){\r\n%}\r\n");
  CK7QBldMacroFile file(m_groceries);
  CK7QBldMacroFile::SplitResult parts;
  ASSERT_TRUE(
      file.Split(File("m.rst"), Folder(), "m", m_macro.PageObjects(), m_macro.Functions(), parts));
  EXPECT_EQ(K7QStringList{"total"}, parts.order);
  EXPECT_EQ(K7QStringList{File("m.k7q_fun_total")}, parts.others);
  EXPECT_TRUE(parts.builderMade.empty());
  EXPECT_EQ(
      "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\r\n%}\r\n"
      "%DEFINE{\r\nDATABASE=\"SHOP\"\r\n%}\r\n",
      K7QReadFile(parts.definePath));
  EXPECT_EQ(
      "%{\r\nsee (notes) here\r\n%}\r\n%FUNCTION(RZV_SQL)  total (){\r\nSELECT a FROM t\r\n%}",
      K7QReadFile(parts.others[0]));
  EXPECT_EQ("%{\r\nabout the page\r\n%}\r\n%HTML(INPUT){\r\nx\r\n%}", K7QReadFile(parts.inputPath));
  EXPECT_EQ("%HTML(REPORT){\r\n%}\r\n", K7QReadFile(parts.reportPath));
}

TEST_F(MacroLayoutTest, UnsafeFunctionNameIsRefusedAndNothingLeavesTheFolder) {
  K7QWriteFile(
      File("m.rst"),
      "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\r\n%}\r\n"
      "%DEFINE{\r\nDATABASE=\"SHOP\"\r\n%}\r\n"
      "%{\r\n%}\r\n%FUNCTION(RZV_SQL)../../evil(){\r\nSELECT a FROM t\r\n%}\r\n"
      "%{\r\n%}\r\n%FUNCTION(RZV_SQL)ok(){\r\nSELECT b FROM t\r\n%}\r\n"
      "%HTML(REPORT){\r\n%}\r\n");
  CK7QBldMacroFile file(m_groceries);
  CK7QBldMacroFile::SplitResult parts;
  ASSERT_TRUE(
      file.Split(File("m.rst"), Folder(), "m", m_macro.PageObjects(), m_macro.Functions(), parts));
  EXPECT_EQ(std::vector<unsigned>{kIdsUnsafeFunctionName}, m_ui.Ids());
  EXPECT_EQ(K7QStringList{"ok"}, parts.order);
  EXPECT_FALSE(K7QFile::Exists(m_dir.Path() + "/../evil"));
}

}  // namespace

// A failed open reads into the parts before it is refused; the macro open
// before keeps its own line ends, so saving it still gives its bytes back.
TEST_F(MacroLayoutTest, AFailedOpenKeepsTheLineEndsOfTheMacroBefore) {
  const std::string earlier = K7QMacroData("shop_earlier.k7q");
  K7QWriteFile(File("shop.k7q"), earlier);
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("shop.k7q")));
  std::string other = K7QMacroData("shop.k7q");
  CK7QBldGroceries::ReplaceAll(other, "DATABASE=\"SHOP\"", "DATABASE=\"OTHER\"");
  K7QWriteFile(File("other.k7q"), other);
  EXPECT_EQ(CK7QBldDocCore::OpenResult::Failed, m_doc.Open(File("other.k7q")));
  ASSERT_TRUE(m_doc.Save(File("shop.k7q")));
  EXPECT_EQ(earlier, K7QReadFile(File("shop.k7q")));
}
