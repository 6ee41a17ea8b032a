// The document's sequences: reset, save, open, rename after Save As and the
// clean-up at close, driven through the scripted prompt.
#include <gtest/gtest.h>

#include "K7QBldCampaignEntry.h"
#include "MacroTestSupport.h"

namespace {

class DocumentSequenceTest : public CK7QMacroFixture {
 protected:
  // A macro with both pages, a builder-made function with a report and an author's one.
  void BuildMacro(const std::string& title) {
    K7QWriteFile(File(title + "_HTML_INPUT.htm"), "<FORM><INPUT name=\"key\"></FORM>\r\n");
    m_macro.Input().Set({}, File(title + "_HTML_INPUT.htm"));
    K7QWriteFile(File(title + "_HTML_REPORT.htm"), "<P>@list()</P>\r\n");
    m_macro.Report().Set({}, File(title + "_HTML_REPORT.htm"));
    K7QWriteFile(File(title + "_list.htm"), "%ROW{\r\n<P>$(V_id)</P>\r\n%}\r\n");
    CK7QBldSQL sql;
    sql.ParseText("SELECT products.id FROM products");
    m_macro.Functions().Add(kFunctionBuilderMade, "list", "", File(title + "_list.htm"), sql,
                            CK7QBldMessageBlock(), kReportKindPlain);
    m_macro.Functions().Add(kFunctionAuthor, "mine", "", File(title + "_mine.htm"), sql,
                            CK7QBldMessageBlock(), 0);
  }
};

TEST_F(DocumentSequenceTest, NothingWithoutAProfile) {
  CK7QBldProfile none(m_groceries);
  CK7QBldMacro macro(m_groceries);
  CK7QBldDocCore doc(macro);
  EXPECT_FALSE(doc.Save(File("x.k7q")));
  EXPECT_TRUE(m_ui.m_shown.empty());
  EXPECT_EQ(CK7QBldDocCore::OpenResult::Failed, doc.Open(File("x.k7q")));
  EXPECT_EQ(std::vector<unsigned>{kIdsNoProfileForOpen}, m_ui.Ids());
  EXPECT_FALSE(K7QFile::Exists(File("x.k7q")));
}

TEST_F(DocumentSequenceTest, CloseLeavesOnlyTheMacroAndTheProfile) {
  BuildMacro("a");
  ASSERT_TRUE(m_doc.Save(File("a.k7q")));
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("a.k7q")));
  EXPECT_TRUE(m_doc.HasFile());
  EXPECT_EQ("a", m_doc.Title());
  EXPECT_TRUE(K7QFile::Exists(File("a_list.htm")));
  K7QWriteFile(File("a_HTML_REPORT.cvt"), "converted\r\n");
  m_doc.DeleteWorkingFiles();
  EXPECT_EQ((std::set<std::string>{"SHOP.k7q_pro", "a.k7q"}), FolderFiles());
}

TEST_F(DocumentSequenceTest, ResetEmptiesEverythingAndDeletesThePages) {
  BuildMacro("a");
  m_macro.Define().Add("V", "1");
  m_macro.FormFieldNames().push_back("key");
  m_macro.LoopNames().push_back("loop");
  m_macro.SetImagePath("/img/");
  m_doc.SetPath(File("a.k7q"));
  m_doc.SetHasFile(true);
  m_doc.SetModified(true);
  m_doc.Reset();
  EXPECT_EQ(0, m_macro.Functions().GetCount());
  EXPECT_EQ(0, m_macro.Define().GetCount());
  EXPECT_TRUE(m_macro.FormFieldNames().empty());
  EXPECT_TRUE(m_macro.LoopNames().empty());
  EXPECT_EQ("/", m_macro.ImagePath());
  EXPECT_FALSE(m_doc.HasFile());
  EXPECT_FALSE(m_doc.IsModified());
  EXPECT_EQ(m_ui.String(kIdsUntitled), m_doc.Title());
  EXPECT_EQ((std::set<std::string>{"SHOP.k7q_pro"}), FolderFiles());
}

TEST_F(DocumentSequenceTest, SaveAsMovesTheWorkingPagesToTheNewTitle) {
  BuildMacro("a");
  ASSERT_TRUE(m_doc.Save(File("a.k7q")));
  m_doc.SetPath(File("a.k7q"));
  K7QWriteFile(File("a_HTML_INPUT.cvt"), "converted\r\n");
  K7QWriteFile(File("b_HTML_REPORT.htm"), "stale\r\n");
  ASSERT_TRUE(m_doc.Save(File("b.k7q")));
  ASSERT_TRUE(m_doc.RenameAfterSaveAs(File("b.k7q")));
  EXPECT_EQ("b", m_doc.Title());
  EXPECT_EQ(File("b_HTML_INPUT.htm"), m_macro.Input().PagePath());
  EXPECT_EQ("converted\r\n", K7QReadFile(File("b_HTML_INPUT.cvt")));
  EXPECT_EQ("<P>@list()</P>\r\n", K7QReadFile(File("b_HTML_REPORT.htm")));
  EXPECT_EQ(File("b_list.htm"), m_macro.Functions().Entry(0)->page);
  EXPECT_EQ((std::set<std::string>{"SHOP.k7q_pro", "a.k7q", "b.k7q", "b_HTML_INPUT.htm",
                                   "b_HTML_INPUT.cvt", "b_HTML_REPORT.htm", "b_list.htm"}),
            FolderFiles());
  // The second save took the converted input page.
  EXPECT_NE(std::string::npos, K7QReadFile(File("b.k7q")).find("%HTML(INPUT){\r\nconverted\r\n%}"));
}

TEST_F(DocumentSequenceTest, OpeningAnotherMacroDropsTheFirstOnesParts) {
  BuildMacro("a");
  m_macro.Define().Add("ONLY_A", "1");
  ASSERT_TRUE(m_doc.Save(File("a.k7q")));
  m_doc.Reset();
  K7QWriteFile(File("b_HTML_REPORT.htm"), "<P>b</P>\r\n");
  m_macro.Report().Set({}, File("b_HTML_REPORT.htm"));
  ASSERT_TRUE(m_doc.Save(File("b.k7q")));
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("a.k7q")));
  EXPECT_EQ(2, m_macro.Functions().GetCount());
  EXPECT_EQ(K7QStringList{"key"}, m_macro.FormFieldNames());
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("b.k7q")));
  EXPECT_EQ(0, m_macro.Functions().GetCount());
  EXPECT_EQ(0, m_macro.Define().GetCount());
  EXPECT_TRUE(m_macro.FormFieldNames().empty());
  EXPECT_FALSE(K7QFile::Exists(File("a_list.htm")));
}

TEST_F(DocumentSequenceTest, MismatchAndForeignMacroLeaveNoComponents) {
  BuildMacro("a");
  ASSERT_TRUE(m_doc.Save(File("a.k7q")));
  m_doc.Reset();
  LoadProfile("suzuki", "himitsu");
  EXPECT_EQ(CK7QBldDocCore::OpenResult::Failed, m_doc.Open(File("a.k7q")));
  EXPECT_EQ(std::vector<unsigned>{kIdsLoginMismatch}, m_ui.Ids());
  m_doc.DeleteWorkingFiles();
  EXPECT_EQ((std::set<std::string>{"SHOP.k7q_pro", "a.k7q"}), FolderFiles());

  m_ui.m_shown.clear();
  K7QWriteFile(File("hand.k7q"), "%DEFINE{\r\nDATABASE=\"SHOP\"\r\n%}\r\n%HTML(REPORT){\r\n%}\r\n");
  m_ui.m_answers = {kIdNo};
  EXPECT_EQ(CK7QBldDocCore::OpenResult::PickAnother, m_doc.Open(File("hand.k7q")));
  EXPECT_EQ(std::vector<unsigned>{kIdsNotBuilderMacro}, m_ui.Ids());
  m_doc.DeleteWorkingFiles();
  EXPECT_EQ((std::set<std::string>{"SHOP.k7q_pro", "a.k7q", "hand.k7q"}), FolderFiles());
}

TEST_F(DocumentSequenceTest, CampaignOfAnUnsafeFunctionIsRefused) {
  BuildMacro("a");
  m_macro.Campaigns().Add(CK7QBldCampaignEntry::MakeDate(2030, 1, 1),
                          CK7QBldCampaignEntry::MakeDate(2030, 1, 2), "list", "products",
                          "sale_products", "");
  ASSERT_TRUE(m_doc.Save(File("a.k7q")));
  // A hand-edited campaign naming a path.
  std::string text = K7QReadFile(File("a.k7q"));
  CK7QBldGroceries::ReplaceAll(text, "<!-- CAMP Start list -->", "<!-- CAMP Start ../x -->");
  K7QWriteFile(File("a.k7q"), text);
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("a.k7q")));
  EXPECT_EQ(std::vector<unsigned>{kIdsUnsafeCampaignName}, m_ui.Ids());
  EXPECT_EQ(0, m_macro.Campaigns().GetCount());
}

TEST_F(DocumentSequenceTest, MacroWithoutInputSectionOpens) {
  K7QWriteFile(
      File("r.k7q"),
      "%{\r\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\r\n%}\r\n"
      "%DEFINE{\r\nDATABASE=\"SHOP\"\r\nLOGIN=\"tanaka\"\r\nPASSWORD=\"himitsu\"\r\n%}\r\n"
      "%{\r\nreport note\r\n%}\r\n%HTML(REPORT){\r\n<P>r</P>\r\n%}\r\n");
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("r.k7q")));
  EXPECT_EQ("report note", m_macro.Report().Comment());
  EXPECT_EQ("<P>r</P>\r\n", K7QReadFile(m_macro.Report().PagePath()));
  EXPECT_FALSE(K7QFile::Exists(m_macro.Input().PagePath()));
}

TEST_F(DocumentSequenceTest, AFailedOpenLeavesThePartsAndPagesOfTheMacroBefore) {
  BuildMacro("a");
  m_macro.Define().Add("TAX", "8");
  ASSERT_TRUE(m_doc.Save(File("a.k7q")));
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("a.k7q")));
  const std::string saved = K7QReadFile(File("a.k7q"));
  const std::string report = K7QReadFile(m_macro.Report().PagePath());
  const std::set<std::string> files = FolderFiles();

  // Another macro that does not open, then the same macro broken by hand:
  // its pages carry the same names as the ones of the macro open now.
  std::string other = saved;
  CK7QBldGroceries::ReplaceAll(other, "DATABASE=\"SHOP\"", "DATABASE=\"OTHER\"");
  K7QWriteFile(File("b.k7q"), other);
  EXPECT_EQ(CK7QBldDocCore::OpenResult::Failed, m_doc.Open(File("b.k7q")));
  K7QWriteFile(File("a.k7q"), other);
  EXPECT_EQ(CK7QBldDocCore::OpenResult::Failed, m_doc.Open(File("a.k7q")));
  EXPECT_EQ((std::vector<unsigned>{kIdsDatabaseMismatch, kIdsDatabaseMismatch}), m_ui.Ids());

  EXPECT_EQ("a", m_doc.Title());
  EXPECT_EQ(File("a.k7q"), m_doc.Path());
  EXPECT_TRUE(m_doc.HasFile());
  EXPECT_EQ(2, m_macro.Functions().GetCount());
  EXPECT_EQ(0, m_macro.Define().Find("TAX"));
  EXPECT_EQ(K7QStringList{"key"}, m_macro.FormFieldNames());
  EXPECT_EQ(report, K7QReadFile(m_macro.Report().PagePath()));
  std::set<std::string> expected = files;
  expected.insert("b.k7q");
  EXPECT_EQ(expected, FolderFiles());
  // What the document holds is still the macro: saved, it is the file it was.
  ASSERT_TRUE(m_doc.Save(File("a.k7q")));
  EXPECT_EQ(saved, K7QReadFile(File("a.k7q")));
}

TEST_F(DocumentSequenceTest, AMacroThatCannotBeReadIsNamedInTheReport) {
  EXPECT_EQ(CK7QBldDocCore::OpenResult::Failed, m_doc.Open(File("missing.k7q")));
  ASSERT_EQ(1u, m_ui.m_shown.size());
  EXPECT_NE(std::string::npos, m_ui.m_shown[0].text.find(File("missing.k7q")));
  EXPECT_EQ((std::set<std::string>{"SHOP.k7q_pro"}), FolderFiles());
}

TEST_F(DocumentSequenceTest, TitlesAreFileNamesCutAsBytes) {
  const std::pair<const char*, const char*> cases[] = {
      {"/p/a.k7q", "a"},           {"/p/a.b.k7q", "a.b"}, {"/p.d/a", "a"},
      {"/p/売上.k7q", "売上"},  // UTF-8: the byte before the dot is no lead byte
      {"/p/ソース.k7q", "ソース"},
  };
  for (const auto& [path, title] : cases) EXPECT_EQ(title, CK7QBldDocCore::TitleOf(path)) << path;

  // A macro of that name saves and opens with all of its functions.
  BuildMacro("売上");
  ASSERT_TRUE(m_doc.Save(File("売上.k7q")));
  m_doc.Reset();
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("売上.k7q")));
  EXPECT_EQ("売上", m_doc.Title());
  EXPECT_EQ(2, m_macro.Functions().GetCount());
  EXPECT_EQ(File("売上_list.htm"), m_macro.Functions().Entry(0)->page);
  EXPECT_TRUE(m_ui.m_shown.empty());
}

TEST_F(DocumentSequenceTest, TheBuildersOwnFilesAreKnownWhateverTheSpelling) {
  BuildMacro("a");
  ASSERT_TRUE(m_doc.Save(File("a.k7q")));
  ASSERT_EQ(CK7QBldDocCore::OpenResult::Ok, m_doc.Open(File("a.k7q")));
  std::filesystem::create_symlink(File("a_HTML_REPORT.htm"), File("link.htm"));
  const std::pair<std::string, bool> cases[] = {
      {File("a_HTML_REPORT.htm"), true},             // a working page
      {m_dir.Path() + "/./a_HTML_INPUT.htm", true},  // spelled another way
      {File("link.htm"), true},                      // through a link
      {File("a_list.htm"), true},                    // a function page
      {File("a_HTML_REPORT.cvt"), true},             // a converted page, not there yet
      {File("x.k7q_define"), true},    // a save there writes its define component over itself
      {File("x.k7q_fun_list"), true},  // ... or a function's
      {File("k.k7q"), false},
      {File("x.k7q"), false},
      {File(".k7q.lock"), true},  // the folder's lock
      {File("a.k7q"), false},     // the macro itself may be saved again
  };
  for (const auto& [path, own] : cases) EXPECT_EQ(own, m_doc.IsOwnFile(path)) << path;
  EXPECT_TRUE(CK7QBldDocCore::SameFile(
      File("a.k7q"),
      m_dir.Path() + "/../" + std::filesystem::path(m_dir.Path()).filename().string() + "/a.k7q"));
  EXPECT_FALSE(CK7QBldDocCore::SameFile(File("a.k7q"), File("b.k7q")));
}

TEST_F(DocumentSequenceTest, AStaleConvertedPageAtTheNewTitleIsNotSaved) {
  BuildMacro("a");
  ASSERT_TRUE(m_doc.Save(File("a.k7q")));
  m_doc.SetPath(File("a.k7q"));
  // Left from an earlier session: it would be saved instead of the page.
  K7QWriteFile(File("b_HTML_REPORT.cvt"), "stale\r\n");
  ASSERT_TRUE(m_doc.Save(File("b.k7q")));
  ASSERT_TRUE(m_doc.RenameAfterSaveAs(File("b.k7q")));
  EXPECT_FALSE(K7QFile::Exists(File("b_HTML_REPORT.cvt")));
  ASSERT_TRUE(m_doc.Save(File("b.k7q")));
  EXPECT_EQ(std::string::npos, K7QReadFile(File("b.k7q")).find("stale"));
}

}  // namespace
