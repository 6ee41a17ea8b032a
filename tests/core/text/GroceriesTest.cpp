#include "K7QBldGroceries.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QFaultInjection.h"
#include "K7QTestSupport.h"

namespace {

using G = CK7QBldGroceries;

struct SplitCase {
  const char* rule;
  std::string text;
  char separator;
  bool escape;
  int count;
  K7QStringList fields;
};

TEST(SplitString, FieldsEscapesAndTrimming) {
  const std::string so = K7QSjis("ソ");  // 0x83 0x5C: its trail byte looks like a backslash
  const SplitCase cases[] = {
      {"fields are trimmed, outer blanks too", "  a : b  ", ':', false, 2, {"a", "b"}},
      {"an escaped separator stays in the field", "x\\:y:z", ':', true, 2, {"x:y", "z"}},
      {"without escape the backslash is text", "x\\:y:z", ':', false, 3, {"x\\", "y", "z"}},
      {"no separator gives one field", "abc", ':', false, 1, {"abc"}},
      {"empty fields count", "a::b", ':', false, 3, {"a", "", "b"}},
      {"a trailing separator gives an empty last field", "a:", ':', false, 2, {"a", ""}},
      {"a double-byte trail byte is no escape", so + ":b", ':', true, 2, {so, "b"}},
      {"a double-byte trail byte is no separator", "a" + so + "b", '\\', false, 1, {"a" + so + "b"}},
      {"text before an escape is kept untrimmed, the rest is trimmed", "a \\: b", ':', true, 1, {"a :b"}},
  };
  for (const auto& c : cases) {
    K7QStringList list{"stale"};
    EXPECT_EQ(G::SplitString(c.text, list, c.separator, c.escape), c.count) << c.rule;
    EXPECT_EQ(list, c.fields) << c.rule;
  }
}

TEST(SplitString, EmptyTextLeavesTheList) {
  K7QStringList list{"kept", "too"};
  EXPECT_EQ(G::SplitString("", list, ':', false), 0);
  EXPECT_EQ(list, (K7QStringList{"kept", "too"}));
}

TEST(TextRewrites, RemoveReplaceCollapseTail) {
  std::string t = "a\"b\r\"c";
  EXPECT_EQ(G::RemoveChars(t, "\"\r"), 3);
  EXPECT_EQ(t, "abc");
  std::string empty;
  EXPECT_EQ(G::RemoveChars(empty, "x"), 0);

  // A replacement is never rescanned.
  std::string camp = "$(CAMP_TABLE).$(CAMP_TABLE)";
  G::ReplaceAll(camp, "$(CAMP_TABLE)", "T");
  EXPECT_EQ(camp, "T.T");
  std::string grow = "aa";
  G::ReplaceAll(grow, "a", "aa");
  EXPECT_EQ(grow, "aaaa");
  std::string quote = "&quot;&quot;quot;";
  G::ReplaceAll(quote, "&quot;", "\"");
  EXPECT_EQ(quote, "\"\"quot;");

  std::string slashes = "a///b//";
  G::CollapseRepeats(slashes, '/');
  EXPECT_EQ(slashes, "a/b/");

  EXPECT_EQ(G::TailAfterSecondField("V_ITEM_PRICE_YEN"), "PRICE_YEN");
  EXPECT_EQ(G::TailAfterSecondField("V_ITEM"), "");
  EXPECT_EQ(G::TailAfterSecondField("V_ITEM_PRICE"), "PRICE");
}

TEST(FileNames, BaseNamesAndExtensions) {
  EXPECT_EQ(G::GetFileBaseName("/pages/shop.htm"), "shop");
  EXPECT_EQ(G::GetFileBaseName("shop.htm"), "");          // no folder
  EXPECT_EQ(G::GetFileBaseName("/a.b/file"), "");         // the dot is in the folder
  EXPECT_EQ(G::GetFileBaseName("/pages/noext"), "noext");
  EXPECT_EQ(G::GetFileBaseName("/pages/" + K7QSjis("ソ") + ".htm"), K7QSjis("ソ"));

  EXPECT_EQ(G::ChangeExtension("/x/page.HTM", "htm", "cvt"), "/x/page.cvt");
  EXPECT_EQ(G::ChangeExtension("page.txt", "htm", "cvt"), "");
  EXPECT_EQ(G::ChangeExtension(".htm", "htm", "cvt"), "");

  EXPECT_EQ(G::TemporaryName("/site/page.htm"), "/site/page.tmp");
  EXPECT_EQ(G::TemporaryName("/my.dir/page"), "/my.tmp");
}

TEST(Colours, SwapRedBlueAndParse) {
  EXPECT_EQ(G::SwapRedBlue(0xFF), 0xFF0000u);
  EXPECT_EQ(G::SwapRedBlue(0xFF0000), 0xFFu);
  EXPECT_EQ(G::SwapRedBlue(0xFF00), 0xFF00u);
  EXPECT_EQ(G::SwapRedBlue(0xAB123456), 0x563412u);  // high bits dropped
  EXPECT_EQ(G::ParseColor("0x800080", 0), 0x800080u);
  EXPECT_EQ(G::ParseColor("ffffff", 0), 0xFFFFFFu);
  EXPECT_EQ(G::ParseColor("0xZZ", 7), 7u);
}

TEST(UserVariableName, ReservedPrefixesWarn) {
  CK7QScriptedUi ui;
  G g(ui);
  EXPECT_TRUE(g.CheckUserVariableName("v_x"));
  EXPECT_TRUE(g.CheckUserVariableName("V"));
  EXPECT_TRUE(g.CheckUserVariableName("PRICE"));
  EXPECT_TRUE(ui.m_shown.empty());
  EXPECT_FALSE(g.CheckUserVariableName("V_"));
  EXPECT_FALSE(g.CheckUserVariableName("N_COUNT"));
  ASSERT_EQ(ui.Ids(), (std::vector<unsigned>{62368, 62368}));
  EXPECT_EQ(ui.m_shown[0].icon, K7QIcon::Exclamation);
  EXPECT_FALSE(ui.m_shown[0].text.empty());
}

TEST(UnescapeQuotesInFile, RewritesBesideAndKeepsLines) {
  CK7QScriptedUi ui;
  G g(ui);
  CK7QTempDir dir;
  const std::string page = dir.File("page.htm");
  K7QWriteFile(page, "<a href=&quot;x&quot;>\r\n&amp;quot;\nlast");
  EXPECT_TRUE(g.UnescapeQuotesInFile(page));
  EXPECT_EQ(K7QReadFile(page), "<a href=\"x\">\r\n&amp;quot;\r\nlast\r\n");
  EXPECT_FALSE(K7QFile::Exists(dir.File("page.tmp")));
  EXPECT_FALSE(g.UnescapeQuotesInFile(dir.File("missing.htm")));
  EXPECT_TRUE(ui.m_shown.empty());
}

TEST(UnescapeQuotesInFile, AFailedWriteKeepsTheOldFile) {
  CK7QScriptedUi ui;
  G g(ui);
  CK7QTempDir dir;
  const std::string page = dir.File("page.htm");
  K7QWriteFile(page, "&quot;keep&quot;\r\n");
  CK7QFaults faults;
  faults.FailNth(K7QFile::Call::Write, 1, ENOSPC);
  EXPECT_FALSE(g.UnescapeQuotesInFile(page));
  EXPECT_EQ(K7QReadFile(page), "&quot;keep&quot;\r\n");
  ASSERT_EQ(ui.m_shown.size(), 1u);
  EXPECT_EQ(ui.m_shown[0].icon, K7QIcon::Stop);
}

TEST(Reports, TextsAsShown) {
  CK7QScriptedUi ui;
  G g(ui);
  g.ReportError("/src/k7qbld/K7QBldCampaign.cpp", 42);
  g.ReportMemoryException(std::bad_alloc(), "/src/core/K7QBldDDBlock.cpp", 7);
  g.ReportFileException(CK7QBldFileException(CK7QBldFileException::fileNotFound, 2, "/p/a.k7q"),
                        "/src/core/K7QBldDoc.cpp", 99);
  g.ReportFileException(CK7QBldFileException(CK7QBldFileException::diskFull, 28, ""), "Doc.cpp", 1);
  ASSERT_EQ(ui.m_shown.size(), 4u);
  const auto s = [&ui](unsigned id) { return ui.String(id); };
  EXPECT_EQ(ui.m_shown[0].text,
            s(62378) + "\n" + s(62389) + " : K7QBldCampaign.cpp\n" + s(62390) + " : 42");
  EXPECT_EQ(ui.m_shown[1].text,
            s(62386) + "\n" + s(62383) + " : K7QBldDDBlock.cpp\n" + s(62384) + " : 7");
  EXPECT_EQ(ui.m_shown[2].text, s(62385) + "\n" + s(62380) + " : 2\n" + s(62381) + " : 2\n" +
                                    s(62382) + " : /p/a.k7q\n" + s(62383) + " : K7QBldDoc.cpp\n" +
                                    s(62384) + " : 99");
  // No file name: string 62387 stands in; a path without folder is the module itself.
  EXPECT_NE(ui.m_shown[3].text.find(s(62382) + " : " + s(62387) + "\n"), std::string::npos);
  EXPECT_NE(ui.m_shown[3].text.find(s(62383) + " : Doc.cpp\n"), std::string::npos);
  for (const auto& shown : ui.m_shown) {
    EXPECT_EQ(shown.icon, K7QIcon::Stop);
    EXPECT_EQ(shown.buttons, K7QButtons::Ok);
  }
  EXPECT_FALSE(s(62378).empty());
}

}  // namespace
