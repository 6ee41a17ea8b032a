#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "K7QBldCampaignBlock.h"
#include "K7QBldGroceries.h"
#include "K7QBldSQL.h"
#include "K7QTestSupport.h"

namespace {

// The campaign text for function F, number N, dates and tables, written out
// by hand line by line.
std::string CampaignText(const std::string& f, const std::string& n, const std::string& d1,
                         const std::string& d2, const std::string& t1, const std::string& t2) {
  return "<!-- CAMP Start " + f + " -->\n" + "@RZV_ASSIGN(CAMP_NUMBER, \"" + n + "\")\n" +
         "@RZV_ASSIGN(CAMP_START, \"" + d1 + "\")\n" + "@RZV_ASSIGN(CAMP_END, \"" + d2 + "\")\n" +
         "@RZV_ASSIGN(CAMP_TABLE1, \"" + t1 + "\")\n" + "@RZV_ASSIGN(CAMP_TABLE2, \"" + t2 +
         "\")\n" +
         "\n"
         "@RZV_DATE(\"S\", _NOWDATE)\n"
         "%if (($(CAMP_END) >= $(_NOWDATE)) && ($(CAMP_START) <= $(_NOWDATE)))\n"
         "    @RZV_ASSIGN(CAMP_TABLE, CAMP_TABLE2)\n"
         "%else\n"
         "    @RZV_ASSIGN(CAMP_TABLE, CAMP_TABLE1)\n"
         "%endif\n"
         "<!-- CAMP End -->";
}

std::time_t Day(int y, int m, int d) { return CK7QBldCampaignEntry::MakeDate(y, m, d); }

class Campaigns : public ::testing::Test {
 protected:
  CK7QScriptedUi m_ui;
  CK7QBldGroceries m_groceries{m_ui};
  CK7QBldCampaignBlock m_block{m_groceries};
};

TEST_F(Campaigns, TextCarriesDatesNumberAndTables) {
  EXPECT_EQ(m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "F", "T1", "T2", ""), 0);
  EXPECT_EQ(m_block.Add(Day(2001, 12, 31), Day(2001, 12, 31), "G", "A", "B", ""), 1);
  EXPECT_EQ(m_block.GetCampaignText("f"),
            CampaignText("F", "1", "19980401", "19980430", "T1", "T2"));
  // Same day for start and end; the number is the position + 1.
  EXPECT_EQ(m_block.GetCampaignText("G"), CampaignText("G", "2", "20011231", "20011231", "A", "B"));
  EXPECT_EQ(m_block.GetCampaignText("H"), "");

  m_block.Modify(0, Day(1999, 1, 2), Day(1999, 2, 3), "F", "T1", "T3", "");
  EXPECT_EQ(m_block.GetCampaignText("F"),
            CampaignText("F", "1", "19990102", "19990203", "T1", "T3"));
  m_block.Modify(5, Day(1999, 1, 2), Day(1999, 2, 3), "X", "T1", "T3", "");
  EXPECT_EQ(m_block.GetCount(), 2);
}

TEST_F(Campaigns, FindByFunctionAndTableIgnoringCase) {
  m_block.Add(Day(2000, 1, 1), Day(2000, 1, 2), "Sales", "Items", "Sale_Items", "");
  m_block.Add(Day(2000, 1, 1), Day(2000, 1, 2), "Sales", "Shops", "Sale_Shops", "");
  EXPECT_EQ(m_block.Find("SALES", "shops"), 1);
  EXPECT_EQ(m_block.Find("Sales", "Sale_Items"), -1);
  // The first entry of the function gives the call's campaign text.
  EXPECT_NE(m_block.GetCampaignText("sales").find("\"Items\""), std::string::npos);
}

TEST_F(Campaigns, DatesThatAreNoDayAreRefusedWhenEntered) {
  // Year 0 would be written as "-11130"; a five-digit year as nine digits.
  EXPECT_EQ(m_block.Add(Day(0, 1, 1), Day(1998, 4, 30), "F", "T1", "T2", ""), -1);
  EXPECT_EQ(m_block.Add(Day(1998, 4, 1), Day(10000, 1, 1), "F", "T1", "T2", ""), -1);
  EXPECT_EQ(m_block.GetCount(), 0);
  ASSERT_EQ(m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "F", "T1", "T2", ""), 0);
  m_block.Modify(0, Day(-5, 1, 1), Day(1998, 4, 30), "F", "T1", "T2", "");
  EXPECT_EQ(m_block.GetAt(0)->Start(), Day(1998, 4, 1));
  EXPECT_EQ(m_ui.Ids(), (std::vector<unsigned>{kIdsCampaignDateRefused, kIdsCampaignDateRefused,
                                               kIdsCampaignDateRefused}));
}

TEST(CampaignDates, OnlyDaysOfTheCalendar) {
  const std::pair<const char*, bool> cases[] = {
      {"19980401", true},  {"20240229", true},  {"20000229", true},  {"99991231", true},
      {"20240231", false}, {"21000229", false}, {"00000000", false}, {"99999999", false},
      {"19981301", false}, {"19980400", false}, {"09990101", false}, {"1998041", false},
      {"1998 401", false}, {"+1980401", false},
  };
  for (const auto& [text, day] : cases) EXPECT_EQ(CK7QBldCampaignEntry::IsDate(text), day) << text;
}

TEST(CampaignDates, EightDigitsOrTheFallback) {
  const std::time_t now = 1234567;
  EXPECT_EQ(CK7QBldCampaignEntry::FormatDate(Day(1998, 4, 1)), "19980401");
  EXPECT_EQ(CK7QBldCampaignEntry::ParseDate("19980401", now), Day(1998, 4, 1));
  EXPECT_EQ(CK7QBldCampaignEntry::ParseDate("1998041", now), now);
  EXPECT_EQ(CK7QBldCampaignEntry::ParseDate("199804011", now), now);
  EXPECT_EQ(CK7QBldCampaignEntry::ParseDate("1998O401", now), now);
  EXPECT_EQ(CK7QBldCampaignEntry::ParseDate("", now), now);
  EXPECT_EQ(CK7QBldCampaignEntry::ParseDate("20240231", now), now);
}

// --- Saving: the text in front of the calls --------------------------------

bool KnownFunction(std::string_view name) { return name == "F" || name == "G" || name == "H"; }

// The campaign text as the macro carries it: CR LF line ends.
std::string Crlf(std::string text) {
  CK7QBldGroceries::ReplaceAll(text, "\n", "\r\n");
  return text;
}

TEST_F(Campaigns, EveryCampaignFunctionGetsItsTextInFrontOfItsCalls) {
  m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "G", "T1", "T2", "");
  m_block.Add(Day(1999, 1, 1), Day(1999, 1, 31), "H", "U1", "U2", "");
  const std::string g = Crlf(CampaignText("G", "1", "19980401", "19980430", "T1", "T2"));
  const std::string h = Crlf(CampaignText("H", "2", "19990101", "19990131", "U1", "U2"));
  // Not calls of functions: an e-mail address, a library call, an unknown
  // name. The first call gets a line end; G's text sets the table for its
  // first call; F has no campaign; H's first call sets H's table, so the
  // call of G after it sets G's again, while a second call of H in a row
  // needs nothing.
  const std::string section =
      "%HTML(REPORT){\r\n<P>mail a@b.example @RZV_DATE() @X()</P>\r\n<P>@G()</P>\r\n@F()\r\n"
      "@G()@H()@H()<TD>@G()</TD>\r\n%}\r\n";
  EXPECT_EQ(m_block.InsertCampaignText(section, KnownFunction),
            "%HTML(REPORT){\r\n<P>mail a@b.example @RZV_DATE() @X()</P>\r\n<P>\r\n" + g +
                "\r\n@G()</P>\r\n@F()\r\n@G()" + h + "\r\n@H()@H()<TD>" + g +
                "\r\n@G()</TD>\r\n%}\r\n");
}

TEST_F(Campaigns, FirstCallWithoutCampaignGetsALineEnd) {
  m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "G", "T1", "T2", "");
  EXPECT_EQ(m_block.InsertCampaignText("a\r\n@F()\r\n@G()", KnownFunction),
            "a\r\n\r\n@F()\r\n" + Crlf(CampaignText("G", "1", "19980401", "19980430", "T1", "T2")) +
                "\r\n@G()");
  EXPECT_EQ(m_block.InsertCampaignText("no call @ here", KnownFunction), "no call @ here");
}

TEST_F(Campaigns, OpenTakesOutExactlyWhatTheSavePutIn) {
  m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "G", "T1", "T2", "");
  m_block.Add(Day(1999, 1, 1), Day(1999, 1, 31), "H", "U1", "U2", "");
  const std::string sections[] = {
      "%HTML(INPUT){\r\n<P>@G()</P>\r\n%}\r\n",
      "%HTML(INPUT){\r\n@F()\r\n%}\r\n",
      "%HTML(INPUT){\r\nno calls\r\n%}\r\n",
      "%HTML(INPUT){\r\n@F()@G()\r\n<TD>@H()</TD>@G()\r\n%}\r\n",
  };
  for (const std::string& section : sections) {
    SCOPED_TRACE(section);
    const std::string saved = m_block.InsertCampaignText(section, KnownFunction);
    // The builder's own output has CR LF line ends throughout.
    for (std::size_t lf = saved.find('\n'); lf != std::string::npos; lf = saved.find('\n', lf + 1))
      EXPECT_EQ(saved[lf - 1], '\r');
    CK7QScriptedUi ui;
    CK7QBldGroceries groceries(ui);
    CK7QBldCampaignBlock reopened(groceries);
    std::string restored = reopened.ExtractCampaignsFromText(saved, 0);
    CK7QBldCampaignBlock::RemoveCallBreak(restored, KnownFunction);
    EXPECT_EQ(restored, section);
    EXPECT_EQ(reopened.LineEnd(), "\r\n");
  }
}

// A macro of an earlier builder put a bare line feed (and the campaign
// text with bare line feeds) in front of the first call only: opening and
// saving it gives its bytes back.
TEST_F(Campaigns, EarlierBuildersBareLineFeedsAreKept) {
  const std::string macro = "%HTML(REPORT){\r\n<P>" +
                            CampaignText("G", "1", "19980401", "19980430", "T1", "T2") +
                            "\n@G()</P>\r\n@F()\r\n%}\r\n";
  std::string restored = m_block.ExtractCampaignsFromText(macro, 0);
  EXPECT_EQ(m_block.LineEnd(), "\n");
  EXPECT_TRUE(CK7QBldCampaignBlock::RemoveCallBreak(restored, KnownFunction));
  EXPECT_EQ(restored, "%HTML(REPORT){\r\n<P>@G()</P>\r\n@F()\r\n%}\r\n");
  EXPECT_EQ(m_block.InsertCampaignText(restored, KnownFunction), macro);
  std::string plain = "%HTML(REPORT){\r\n\n@F()\r\n%}\r\n";
  CK7QBldCampaignBlock::RemoveCallBreak(plain, KnownFunction);
  EXPECT_EQ(plain, "%HTML(REPORT){\r\n@F()\r\n%}\r\n");
}

// Sections made at random from calls, e-mail addresses, library calls,
// double-byte text and CR LF lines: what the save puts in, the open takes
// out again, whatever the first call is.
TEST_F(Campaigns, RandomSectionsSurviveSaveAndOpen) {
  m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "G", "T1", "T2", "");
  const std::string pieces[] = {"\r\n",        "<P>", "a@b.example",    "@F()", "@G()", "@X()",
                                "@RZV_DATE()", " ",   K7QSjis("ソ表@"), "@",    "()"};
  std::mt19937 random(1998);
  for (int round = 0; round < 500; ++round) {
    std::string section = "%HTML(REPORT){\r\n";
    const int count = static_cast<int>(random() % 10);
    for (int i = 0; i < count; ++i) section += pieces[random() % std::size(pieces)];
    section += "\r\n%}\r\n";
    SCOPED_TRACE(section);
    const std::string saved = m_block.InsertCampaignText(section, KnownFunction);
    CK7QScriptedUi ui;
    CK7QBldGroceries groceries(ui);
    CK7QBldCampaignBlock reopened(groceries);
    std::string restored = reopened.ExtractCampaignsFromText(saved, 0);
    EXPECT_EQ(CK7QBldCampaignBlock::RemoveCallBreak(restored, KnownFunction), saved != section);
    EXPECT_EQ(restored, section);
    EXPECT_EQ(reopened.GetCount(), saved.find("CAMP Start G") != std::string::npos ? 1 : 0);
  }
}

// --- Opening: campaign blocks out of the macro -----------------------------

TEST_F(Campaigns, ExtractKeepsTextAroundTheBlockAndAddsTheCampaign) {
  const std::string macro = "%HTML(REPORT){\r\n<P>" +
                            CampaignText(" Sales ", "7", "19980401", "19980430", "T1", "T2") +
                            "\n@Sales()</P>\r\n%}\r\n";
  const std::string restore = m_block.ExtractCampaignsFromText(macro, 99);
  EXPECT_EQ(restore, "%HTML(REPORT){\r\n<P>\n@Sales()</P>\r\n%}\r\n");
  ASSERT_EQ(m_block.GetCount(), 1);
  const CK7QBldCampaignEntry* entry = m_block.GetAt(0);
  EXPECT_EQ(entry->Function(), "Sales");
  EXPECT_EQ(entry->Start(), Day(1998, 4, 1));
  EXPECT_EQ(entry->End(), Day(1998, 4, 30));
  EXPECT_EQ(entry->Table1(), "T1");
  EXPECT_EQ(entry->Table2(), "T2");
  // Numbered again by its place in the list.
  EXPECT_NE(entry->CampaignText().find("CAMP_NUMBER, \"1\""), std::string::npos);
}

TEST_F(Campaigns, ExtractReadsMalformedDatesAsNowAndSkipsKnownPairs) {
  const std::time_t now = Day(2020, 6, 15) + 3600;
  std::string second = CampaignText("F", "2", "1998041", "19980430", "T1", "T9");
  const std::string macro = CampaignText("F", "1", "19980401", "19980430", "T1", "T2") + "\n" +
                            second + "\n" +
                            CampaignText("G", "3", "20000101", "2000013", "U1", "U2") + "\n";
  const std::string restore = m_block.ExtractCampaignsFromText(macro, now);
  EXPECT_EQ(restore, "\n\n\n");
  // Each date that is no day is reported with its function and value.
  ASSERT_EQ(m_ui.Ids(), (std::vector<unsigned>{kIdsCampaignDateRead, kIdsCampaignDateRead}));
  EXPECT_NE(m_ui.m_shown[0].text.find("F: CAMP_START \"1998041\""), std::string::npos);
  EXPECT_NE(m_ui.m_shown[1].text.find("G: CAMP_END \"2000013\""), std::string::npos);
  // The second block names the same function and table 1: not added again.
  ASSERT_EQ(m_block.GetCount(), 2);
  EXPECT_EQ(m_block.GetAt(0)->Table2(), "T2");
  EXPECT_EQ(m_block.GetAt(1)->Function(), "G");
  EXPECT_EQ(m_block.GetAt(1)->Start(), Day(2000, 1, 1));
  EXPECT_EQ(m_block.GetAt(1)->End(), now);
}

// A date that is no day of the calendar is reported and read as today,
// never kept as another day or written back as "-11130".
TEST_F(Campaigns, ExtractDatesThatAreNoDayGiveTodayWithAMessage) {
  const std::time_t now = Day(2020, 6, 15) + 3600;
  for (const char* bad : {"1998041", "00000000", "20240231", "99999999"}) {
    SCOPED_TRACE(bad);
    CK7QScriptedUi ui;
    CK7QBldGroceries groceries(ui);
    CK7QBldCampaignBlock block(groceries);
    block.ExtractCampaignsFromText(CampaignText("F", "1", bad, "19980430", "T1", "T2"), now);
    ASSERT_EQ(block.GetCount(), 1);
    EXPECT_EQ(block.GetAt(0)->Start(), now);
    EXPECT_EQ(block.GetAt(0)->End(), Day(1998, 4, 30));
    EXPECT_NE(block.GetCampaignText("F").find("CAMP_START, \"20200615\""), std::string::npos);
    EXPECT_EQ(ui.Ids(), std::vector<unsigned>{kIdsCampaignDateRead});
  }
}

TEST_F(Campaigns, ExtractCarriesValuesIntoTheNextBlockAndReadsItsComment) {
  const std::string macro = CampaignText("F", "1", "19980401", "19980430", "T1", "T2") +
                            "<!-- CAMP Start G -->\r\n<!-- for the sale -->\r\n"
                            "@RZV_ASSIGN(CAMP_TABLE1, \"U1\")\r\n<!-- CAMP End -->tail";
  EXPECT_EQ(m_block.ExtractCampaignsFromText(macro, 5), "tail");
  ASSERT_EQ(m_block.GetCount(), 2);
  const CK7QBldCampaignEntry* g = m_block.GetAt(1);
  EXPECT_EQ(g->Table1(), "U1");
  EXPECT_EQ(g->Table2(), "T2");
  EXPECT_EQ(g->Start(), Day(1998, 4, 1));
  EXPECT_EQ(g->Comment(), "for the sale");
}

TEST_F(Campaigns, UnclosedBlockStaysAsText) {
  const std::string macro = "<P><!-- CAMP Start F -->\r\n@RZV_ASSIGN(CAMP_TABLE1, \"T\")\r\n";
  EXPECT_EQ(m_block.ExtractCampaignsFromText(macro, 0), macro);
  EXPECT_EQ(m_block.GetCount(), 0);
}

TEST_F(Campaigns, ExtractFileKeepsBytesAndFailsOnlyForAMissingMacro) {
  CK7QTempDir dir;
  const std::string macro = dir.File("m.k7q");
  const std::string restore = dir.File("m.k7q_restore");
  EXPECT_FALSE(m_block.ExtractCampaigns(macro, restore));
  EXPECT_TRUE(m_ui.m_shown.empty());
  K7QWriteFile(macro, "%{\r\nx\r\n%}\r\n<P>" +
                          CampaignText("F", "1", "19980401", "19980430", "T1", "T2") +
                          "\n@F()\r\nlast");
  ASSERT_TRUE(m_block.ExtractCampaigns(macro, restore));
  EXPECT_EQ(K7QReadFile(restore), "%{\r\nx\r\n%}\r\n<P>\n@F()\r\nlast");
  EXPECT_EQ(m_block.GetCount(), 1);
}

// --- Opening: the real table back into the SQL lines -----------------------

const std::string kPrefix = "%FUNCTION(RZV_SQL)";

TEST_F(Campaigns, RestoreTablesOnlyInSqlLinesOfFunctionsWithCampaign) {
  m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "F", "OLD", "X", "");
  m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "f", "ITEMS", "SALE_ITEMS", "");
  const std::string text =
      "%{\r\n$(CAMP_TABLE)\r\n%}\r\n"
      "%FUNCTION(RZV_SQL)F(){\r\n"
      "SELECT $(CAMP_TABLE).A, $(CAMP_TABLE).B FROM \r\n"
      "$(CAMP_TABLE)\r\n"
      "%MESSAGE{\r\n+100: \"none\": continue\r\n%}\r\n"
      "%REPORT{\r\n<P>$(CAMP_TABLE)</P>\r\n%ROW{\r\n$(CAMP_TABLE)\r\n%}\r\n%}\r\n"
      "%}\r\n"
      "%FUNCTION(RZV_SQL)G(){\n"
      "SELECT A FROM $(CAMP_TABLE)\n"
      "%}";
  // The last campaign of the function names the table; a function without
  // campaign keeps the variable; line ends are kept as they were.
  EXPECT_EQ(m_block.RestoreCampaignTablesInText(text, kPrefix),
            "%{\r\n$(CAMP_TABLE)\r\n%}\r\n"
            "%FUNCTION(RZV_SQL)F(){\r\n"
            "SELECT ITEMS.A, ITEMS.B FROM \r\n"
            "ITEMS\r\n"
            "%MESSAGE{\r\n+100: \"none\": continue\r\n%}\r\n"
            "%REPORT{\r\n<P>$(CAMP_TABLE)</P>\r\n%ROW{\r\n$(CAMP_TABLE)\r\n%}\r\n%}\r\n"
            "%}\r\n"
            "%FUNCTION(RZV_SQL)G(){\n"
            "SELECT A FROM $(CAMP_TABLE)\n"
            "%}");
}

TEST_F(Campaigns, CampaignTablePutBackAndWrittenAgain) {
  m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "F", "ITEMS", "SALE_ITEMS", "");
  const std::string saved = "SELECT $(CAMP_TABLE).NAME,$(CAMP_TABLE).PRICE FROM $(CAMP_TABLE)";
  const std::string restored =
      m_block.RestoreCampaignTablesInText(kPrefix + "F(){\r\n" + saved + "\r\n%}\r\n", kPrefix);
  EXPECT_EQ(restored, kPrefix + "F(){\r\nSELECT ITEMS.NAME,ITEMS.PRICE FROM ITEMS\r\n%}\r\n");

  CK7QBldSQL sql;
  ASSERT_TRUE(sql.ParseText("SELECT ITEMS.NAME,ITEMS.PRICE FROM ITEMS"));
  const CK7QBldSQL::CampaignContext context = m_block.GetCampaignContext("F");
  EXPECT_EQ(sql.BuildText(&context), saved);
  const CK7QBldSQL::CampaignContext other = m_block.GetCampaignContext("G");
  EXPECT_EQ(sql.BuildText(&other), "SELECT ITEMS.NAME,ITEMS.PRICE FROM ITEMS");
}

TEST_F(Campaigns, RestoreFileRewritesInPlace) {
  CK7QTempDir dir;
  m_block.Add(Day(1998, 4, 1), Day(1998, 4, 30), "F", "ITEMS", "SALE_ITEMS", "");
  EXPECT_FALSE(m_block.RestoreCampaignTables(dir.File("missing.k7q_restore"), kPrefix));
  const std::string path = dir.File("m.k7q_restore");
  K7QWriteFile(path, kPrefix + "F(){\r\nSELECT A FROM $(CAMP_TABLE)\r\n%}\r\n");
  ASSERT_TRUE(m_block.RestoreCampaignTables(path, kPrefix));
  EXPECT_EQ(K7QReadFile(path), kPrefix + "F(){\r\nSELECT A FROM ITEMS\r\n%}\r\n");
  EXPECT_EQ(K7QReadFile(dir.File("m.tmp")), "");
}

}  // namespace

TEST_F(Campaigns, CommentRidesInItsOwnBlockAndComesBack) {
  m_block.Add(Day(2030, 1, 1), Day(2030, 1, 31), "F", "T1", "T2", "winter, sale");
  m_block.Add(Day(2030, 2, 1), Day(2030, 2, 28), "G", "U1", "U2", "");
  std::string withComment = CampaignText("F", "1", "20300101", "20300131", "T1", "T2");
  withComment.insert(withComment.find('\n') + 1, "<!-- winter, sale -->\n");
  EXPECT_EQ(m_block.GetCampaignText("F"), withComment);
  // Without a comment the block is the bare fourteen lines.
  EXPECT_EQ(m_block.GetCampaignText("G"),
            CampaignText("G", "2", "20300201", "20300228", "U1", "U2"));

  CK7QBldCampaignBlock read(m_groceries);
  read.ExtractCampaignsFromText(
      m_block.GetCampaignText("F") + "\r\n" + m_block.GetCampaignText("G"), 5);
  ASSERT_EQ(read.GetCount(), 2);
  EXPECT_EQ(read.GetAt(0)->Comment(), "winter, sale");
  // The comment of the block before is not carried over as the dates are.
  EXPECT_EQ(read.GetAt(1)->Comment(), "");
  EXPECT_EQ(read.GetAt(1)->CampaignText(), m_block.GetAt(1)->CampaignText());
}

TEST(CampaignChecks, CommentsAndOverlaps) {
  const std::pair<const char*, bool> comments[] = {
      {"", true},      {"a, b \"c\" <b>", true}, {"ends -->", false}, {"two\nlines", false},
      {"cr\r", false}, {"a -- b", true},
  };
  for (const auto& [comment, usable] : comments)
    EXPECT_EQ(CK7QBldCampaignEntry::IsUsableComment(comment), usable) << comment;
  struct Case {
    int s1, e1, s2, e2;
    bool overlap;
  };
  // Days of March 2030; both ends of a range are included.
  const Case ranges[] = {
      {1, 10, 11, 20, false}, {1, 10, 10, 20, true}, {5, 6, 1, 31, true},
      {11, 20, 1, 10, false}, {3, 3, 3, 3, true},
  };
  for (const Case& c : ranges) {
    EXPECT_EQ(CK7QBldCampaignEntry::Overlap(Day(2030, 3, c.s1), Day(2030, 3, c.e1),
                                            Day(2030, 3, c.s2), Day(2030, 3, c.e2)),
              c.overlap)
        << c.s1 << "-" << c.e1 << " / " << c.s2 << "-" << c.e2;
  }
}

TEST_F(Campaigns, DatesFarAheadAreStoredWithoutOverflow) {
  ASSERT_EQ(m_block.Add(Day(2100, 2, 28), Day(2126, 12, 31), "F", "T1", "T2", ""), 0);
  EXPECT_NE(m_block.GetCampaignText("F").find("CAMP_START, \"21000228\""), std::string::npos);
  EXPECT_NE(m_block.GetCampaignText("F").find("CAMP_END, \"21261231\""), std::string::npos);
}

TEST_F(Campaigns, RemoveIfNumbersTheRestAnew) {
  m_block.Add(Day(2030, 1, 1), Day(2030, 1, 2), "A", "T", "U", "");
  m_block.Add(Day(2030, 1, 1), Day(2030, 1, 2), "B", "T", "U", "");
  m_block.Add(Day(2030, 1, 1), Day(2030, 1, 2), "C", "T", "U", "note");
  m_block.RemoveIf([](const CK7QBldCampaignEntry& e) { return e.Function() == "B"; });
  ASSERT_EQ(m_block.GetCount(), 2);
  EXPECT_EQ(m_block.GetAt(1)->Function(), "C");
  EXPECT_NE(m_block.GetCampaignText("C").find("CAMP_NUMBER, \"2\""), std::string::npos);
  EXPECT_NE(m_block.GetCampaignText("C").find("<!-- note -->"), std::string::npos);
}
