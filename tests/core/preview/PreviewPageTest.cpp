// Pages of hand-written macros, run on a real SQLite database through the
// ODBC runner, compared byte for byte.
#include <chrono>
#include <filesystem>

#include "K7QPreviewText.h"
#include "PreviewTestSupport.h"

namespace {

const char* kShopSql =
    "CREATE TABLE products(id INTEGER PRIMARY KEY, name VARCHAR(40), price DECIMAL(10,2),"
    " note TEXT, photo BLOB);\n"
    "INSERT INTO products VALUES (1, 'Matcha', 480, 'Rich' || char(13, 10) || 'green',"
    " X'474946383961010001'), (2, 'Strawberry', 450, NULL, NULL), (3, 'Soda', 0, 'Cold', NULL),"
    " (4, '抹茶', 500, NULL, NULL);\n"
    "CREATE TABLE sale_products(id INTEGER PRIMARY KEY, name VARCHAR(40), price DECIMAL(10,2),"
    " note TEXT, photo BLOB);\n"
    "INSERT INTO sale_products VALUES (1, 'Matcha sale', 400, NULL, NULL);\n"
    "CREATE TABLE vacant(id INTEGER);\n";

const std::string kGenerator =
    "%{\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\n%}\n";

class PreviewPage : public PreviewFixture {
 protected:
  void SetUp() override {
    PreviewFixture::SetUp();
    ASSERT_TRUE(K7QMakeTestSqlite(kShopSql));
  }
};

}  // namespace

TEST_F(PreviewPage, RowsFillTheReportAndTheLastRowStaysAtHand) {
  const std::string macro =
      MacroHead(kTestDsn) + Crlf(kGenerator +
                                 "%FUNCTION(RZV_SQL)ITEMS(){\n"
                                 "SELECT products.name,products.price FROM products\n"
                                 "%REPORT{\n"
                                 "<TABLE border=\"1\">\n"
                                 "    <TR><TH>Name</TH><TH>Price</TH></TR>\n"
                                 "%ROW{\n"
                                 "    <TR><TD>$(V_name)</TD><TD>$(V_price)</TD></TR>\n"
                                 "%}\n"
                                 "</TABLE>\n"
                                 "%}\n"
                                 "%}\n"
                                 "%HTML(INPUT){\n<P>input</P>\n%}\n"
                                 "%HTML(REPORT){\n"
                                 "<HTML><BODY>\n"
                                 "@ITEMS()\n"
                                 "<P>Last: $(V_products.name) $(V_price)</P>\n"
                                 "</BODY></HTML>\n"
                                 "%}\n");
  EXPECT_EQ(Render(macro, "REPORT"), Crlf("<HTML><BODY>\n"
                                          "<TABLE border=\"1\">\n"
                                          "    <TR><TH>Name</TH><TH>Price</TH></TR>\n"
                                          "    <TR><TD>Matcha</TD><TD>480</TD></TR>\n"
                                          "    <TR><TD>Strawberry</TD><TD>450</TD></TR>\n"
                                          "    <TR><TD>Soda</TD><TD>0</TD></TR>\n"
                                          "    <TR><TD>" +
                                          K7QSjis("抹茶") +
                                          "</TD><TD>500</TD></TR>\n"
                                          "</TABLE>\n"
                                          "\n"
                                          "<P>Last: " +
                                          K7QSjis("抹茶") +
                                          " 500</P>\n"
                                          "</BODY></HTML>\n"));
  EXPECT_TRUE(notes.empty());
  EXPECT_EQ(Render(macro, "input"), Crlf("<P>input</P>\n"));
}

TEST_F(PreviewPage, EmptyResultsShowTheirMessagesOrAnEmptyReport) {
  const std::string functions = Crlf(
      "%FUNCTION(RZV_SQL)NONE(){\n"
      "SELECT id FROM vacant\n"
      "%MESSAGE{\n"
      "+100: \"<P>No rows.</P>\": continue\n"
      "%}\n"
      "%REPORT{\n<TABLE>\n%ROW{\n<TR><TD>$(V_id)</TD></TR>\n%}\n</TABLE>\n%}\n"
      "%}\n"
      "%FUNCTION(RZV_SQL)ALSO_NONE(){\n"
      "SELECT id FROM vacant WHERE id > 5\n"
      "%REPORT{\n<UL>\n%ROW{\n<LI>$(V_id)\n%}\n</UL>\n%}\n"
      "%}\n"
      "%FUNCTION(RZV_SQL)DEFAULTED(){\n"
      "SELECT id FROM vacant\n"
      "%REPORT{\n%ROW{\n$(V_id)\n%}\n%}\n"
      "%MESSAGE{\n"
      "+default: \"<P>Positive.</P>\": continue\n"
      "%}\n"
      "%}\n");
  // Without a message for +100 the report comes out without rows; +default
  // stands for +100; the macro's own block serves every function.
  const std::string page = Crlf(
      "%HTML(REPORT){\n<BODY>\n@NONE()\n@ALSO_NONE()\n@DEFAULTED()\n<P>end</P>\n</BODY>\n%}\n");
  EXPECT_EQ(
      Render(MacroHead(kTestDsn) + functions + page, "REPORT"),
      Crlf("<BODY>\n<P>No rows.</P>\n<UL>\n</UL>\n\n<P>Positive.</P>\n<P>end</P>\n</BODY>\n"));
  // "exit" ends the page where the message stands.
  const std::string exits = Crlf(
      "%HTML(REPORT){\n<BODY>\n<P>before</P>\n@ALSO_NONE()\n<P>after</P>\n</BODY>\n%}\n"
      "%MESSAGE{\n+100: \"<P>Nothing here.</P>\": exit\n%}\n");
  EXPECT_EQ(Render(MacroHead(kTestDsn) + functions + exits, "REPORT"),
            Crlf("<BODY>\n<P>before</P>\n<P>Nothing here.</P>\n"));
  EXPECT_TRUE(notes.empty());
}

TEST_F(PreviewPage, DatabaseErrorsShowTheirMessageOrAMarkedNote) {
  const std::string function = Crlf(
      "%FUNCTION(RZV_ODBC)BROKEN(){\nSELECT nope FROM vacant\n"
      "%REPORT{\n%ROW{\n$(V_nope)\n%}\n%}\n%}\n"
      "%HTML(REPORT){\n<P>@BROKEN()</P>\n%}\n");
  EXPECT_EQ(Render(MacroHead(kTestDsn) + function +
                       Crlf("%MESSAGE{\n-default: \"Database error.\": continue\n%}\n"),
                   "REPORT"),
            Crlf("<P>Database error.</P>\n"));
  const std::string marked = Render(MacroHead(kTestDsn) + function, "REPORT");
  ASSERT_EQ(NoteIds(), std::vector<unsigned>{kIdsPreviewDatabaseError});
  EXPECT_EQ(notes[0].detail.rfind("@BROKEN(): -901 HY000 ", 0), 0u) << notes[0].detail;
  EXPECT_NE(notes[0].detail.find("nope"), std::string::npos) << notes[0].detail;
  EXPECT_EQ(marked.rfind("<P><mark class=\"k7q-preview\"", 0), 0u) << marked;
  EXPECT_NE(marked.find("[1] @BROKEN(): -901 HY000 "), std::string::npos) << marked;
}

TEST_F(PreviewPage, CampaignTakesItsTableOnTheDaysOfItsRange) {
  // The report section as the builder writes it: the campaign text, with its
  // own line feeds, in front of the call.
  const std::string macro = MacroHead(kTestDsn) +
                            Crlf(kGenerator +
                                 "%FUNCTION(RZV_SQL)ITEMS(){\n"
                                 "SELECT $(CAMP_TABLE).name FROM $(CAMP_TABLE)\n"
                                 "%REPORT{\n%ROW{\n<LI>$(V_name)\n%}\n%}\n"
                                 "%}\n"
                                 "%HTML(REPORT){\n") +
                            "<UL><!-- CAMP Start ITEMS -->\n"
                            "@RZV_ASSIGN(CAMP_NUMBER, \"1\")\n"
                            "@RZV_ASSIGN(CAMP_START, \"20240501\")\n"
                            "@RZV_ASSIGN(CAMP_END, \"20240531\")\n"
                            "@RZV_ASSIGN(CAMP_TABLE1, \"products\")\n"
                            "@RZV_ASSIGN(CAMP_TABLE2, \"sale_products\")\n"
                            "\n"
                            "@RZV_DATE(\"S\", _NOWDATE)\n"
                            "%if (($(CAMP_END) >= $(_NOWDATE)) && ($(CAMP_START) <= $(_NOWDATE)))\n"
                            "    @RZV_ASSIGN(CAMP_TABLE, CAMP_TABLE2)\n"
                            "%else\n"
                            "    @RZV_ASSIGN(CAMP_TABLE, CAMP_TABLE1)\n"
                            "%endif\n"
                            "<!-- CAMP End -->\n"
                            "@ITEMS()</UL>\r\n%}\r\n";
  const std::string head = "<UL><!-- CAMP Start ITEMS -->\n\n<!-- CAMP End -->\n";
  const std::string sale = head + "<LI>Matcha sale\r\n</UL>\r\n";
  const std::string normal =
      head + "<LI>Matcha\r\n<LI>Strawberry\r\n<LI>Soda\r\n<LI>" + K7QSjis("抹茶") + "\r\n</UL>\r\n";
  const struct {
    const char* today;
    const std::string& expected;
  } cases[] = {
      {"20240430", normal}, {"20240501", sale},  // the first day is inside
      {"20240515", sale},   {"20240531", sale},  // and so is the last
      {"20240601", normal}, {"20230515", normal},
  };
  for (const auto& c : cases) {
    options.today = c.today;
    EXPECT_EQ(Render(macro, "REPORT"), c.expected) << c.today;
    EXPECT_TRUE(notes.empty()) << c.today;
  }
}

TEST_F(PreviewPage, PageObjectsReplaceTheirCellWhereTheValueMatches) {
  // Each kind as macro assembly expands its object comment: the background
  // keeps the cell before the condition, text and image put it behind %ELSE.
  const std::string comment = "\n<!-- Object 0 Start\r\n%d,price,0,%s,note\r\n-->\n";
  const auto object = [&](char kind, const std::string& replacement) {
    std::string text = comment;
    text.replace(text.find("%d"), 2, std::string(1, kind));
    text.replace(text.find("%s"), 2, replacement);
    return text;
  };
  const struct {
    std::string row;       // the row template
    std::string plain;     // Matcha's row (price 480)
    std::string replaced;  // Soda's row (price 0)
  } cases[] = {
      {"<TR><TD>$(V_name)</TD><TD>$(V_price)</TD>" + object('0', "#ff0000") +
           "%IF( \"$(V_price)\" == \"0\")\n<script> document.bgColor='#ff0000';</script>\n"
           "%ENDIF\n<!-- Object 0 End -->\n</TR>\r\n",
       "<TR><TD>Matcha</TD><TD>480</TD>" + object('0', "#ff0000") +
           "<!-- Object 0 End -->\n</TR>\r\n",
       "<TR><TD>Soda</TD><TD>0</TD>" + object('0', "#ff0000") +
           "<script> document.bgColor='#ff0000';</script>\n<!-- Object 0 End -->\n</TR>\r\n"},
      {"<TR><TD>$(V_name)</TD>" + object('1', "FREE") +
           "%IF( \"$(V_price)\" == \"0\")\n<TD>FREE</TD>\n%ELSE\n<TD>$(V_price)</TD>\n%ENDIF\n"
           "<!-- Object 0 End -->\n</TR>\r\n",
       "<TR><TD>Matcha</TD>" + object('1', "FREE") +
           "<TD>480</TD>\n<!-- Object 0 End -->\n</TR>\r\n",
       "<TR><TD>Soda</TD>" + object('1', "FREE") +
           "<TD>FREE</TD>\n<!-- Object 0 End -->\n</TR>\r\n"},
      {"<TR><TD>$(V_name)</TD>" + object('2', "/img/free.gif") +
           "%IF( \"$(V_price)\" == \"0\")\n<TD><IMG src=\"/img/free.gif\"></TD>\n%ELSE\n"
           "<TD>$(V_price)</TD>\n%ENDIF\n<!-- Object 0 End -->\n</TR>\r\n",
       "<TR><TD>Matcha</TD>" + object('2', "/img/free.gif") +
           "<TD>480</TD>\n<!-- Object 0 End -->\n</TR>\r\n",
       "<TR><TD>Soda</TD>" + object('2', "/img/free.gif") +
           "<TD><IMG src=\"/img/free.gif\"></TD>\n<!-- Object 0 End -->\n</TR>\r\n"},
  };
  for (const auto& c : cases) {
    const std::string macro =
        MacroHead(kTestDsn) + Crlf(kGenerator) +
        Crlf(
            "%FUNCTION(RZV_SQL)PRICES(){\nSELECT name,price FROM products WHERE id IN (1, 3)\n"
            "%REPORT{\n<TABLE>\n%ROW{\n") +
        c.row + Crlf("%}\n</TABLE>\n%}\n%}\n%HTML(REPORT){\n@PRICES()\n%}\n");
    EXPECT_EQ(Render(macro, "REPORT"), "<TABLE>\r\n" + c.plain + c.replaced + "</TABLE>\r\n\r\n")
        << c.row;
    EXPECT_TRUE(notes.empty());
  }
}

TEST_F(PreviewPage, NestedConditionsCompareNumbersAsNumbers) {
  const std::string macro = MacroHead(kTestDsn) + Crlf(
                                                      "%HTML(INPUT){\n"
                                                      "%IF($(A) == 1)\n"
                                                      "a is 1\n"
                                                      "  %IF(\"$(B)\" != \"x\")\n"
                                                      "b is not x\n"
                                                      "  %ELSE\n"
                                                      "b is x\n"
                                                      "  %ENDIF\n"
                                                      "%ELSE\n"
                                                      "a is not 1\n"
                                                      "%IF(($(B) > 9) || ($(B) == \"none\"))\n"
                                                      "b above 9\n"
                                                      "%ENDIF\n"
                                                      "%ENDIF\n"
                                                      "%}\n");
  const struct {
    const char* a;
    const char* b;
    const char* expected;
  } cases[] = {
      {"1", "y", "a is 1\nb is not x\n"},       {"1", "x", "a is 1\nb is x\n"},
      {"1.0", "x", "a is 1\nb is x\n"},        // 1.0 is the number 1
      {"01", "y", "a is 1\nb is not x\n"},     // and so is 01
      {"2", "10", "a is not 1\nb above 9\n"},  // 10 > 9 as numbers, not as texts
      {"2", "9.5", "a is not 1\nb above 9\n"},  {"2", "9", "a is not 1\n"},
      {"2", "none", "a is not 1\nb above 9\n"}, {"a", "08", "a is not 1\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Render(macro, "INPUT", {{"A", c.a}, {"B", c.b}}), Crlf(c.expected))
        << c.a << " " << c.b;
    EXPECT_TRUE(notes.empty());
  }
}

TEST_F(PreviewPage, UnknownFunctionsCommandsAndConstructsAreMarkedAndListed) {
  const std::string made = folder.File("made");
  const std::string macro =
      MacroHead(kTestDsn) + Crlf(
                                "%HTML(INPUT){\n"
                                "<HTML><BODY>\n"
                                "<P>@NOPE(1,\"x\") and @RZV_UPPER(\"abc\") and @RZV_UPPER()</P>\n"
                                "%EXEC \"touch " +
                                made +
                                "\"\n"
                                "<P>%BOGUS{ whatever %} done %ELSE</P>\n"
                                "</BODY></HTML>\n"
                                "%}\n");
  const std::string exec = "%EXEC &quot;touch " + made + "&quot;";
  EXPECT_EQ(Render(macro, "INPUT"),
            Crlf("<HTML><BODY>\n<P>" + Mark(1, "@NOPE(1,&quot;x&quot;)") + " and ABC and " +
                 Mark(2, "@RZV_UPPER()") + "</P>\n" + Mark(3, exec) + "\n<P>" +
                 Mark(4, "%BOGUS{ whatever %}") + " done " + Mark(5, "%ELSE") + "</P>\n") +
                Notes({"A function the preview does not know; the call was not run: "
                       "@NOPE(1,&quot;x&quot;)",
                       "The number of arguments does not fit this function: @RZV_UPPER()",
                       "The preview never runs a command (%EXEC): " + exec,
                       "A macro construct the preview does not know; shown as written: %BOGUS{ "
                       "whatever %}",
                       "An %ELSE or %ENDIF without its %IF: %ELSE"}) +
                "</BODY></HTML>\r\n");
  EXPECT_FALSE(std::filesystem::exists(made));
}

TEST_F(PreviewPage, LargeTextsComeFromTheRowOrFromBelowTheFolderOnly) {
  const std::string rows =
      MacroHead(kTestDsn) +
      Crlf(
          "%FUNCTION(RZV_SQL)NOTES(){\nSELECT note FROM products WHERE id <= 3\n"
          "%REPORT{\n%ROW{\n") +
      "<P>@RZV_TRANSLATE(V_note,\"\\\",\"/\",ClobData) $(CLOBTYPE)\r\n" +
      Crlf("%}\n%}\n%}\n%HTML(REPORT){\n@NOTES()\n%}\n");
  EXPECT_EQ(Render(rows, "REPORT"), "<P> Rich\r\ngreen\r\n<P> \r\n<P> Cold\r\n\r\n");
  EXPECT_TRUE(notes.empty());

  // Files: the folder given to the preview is the root; vacant above it.
  const std::string root = folder.File("root");
  std::filesystem::create_directories(root + "/texts");
  K7QWriteFile(root + "/texts/a.txt", "A text");
  K7QWriteFile(root + "/texts/b.txt", "B text");
  K7QWriteFile(folder.File("secret.txt"), "secret");
  std::filesystem::create_symlink("../secret.txt", root + "/link.txt");
  options.folder = root;
  const std::string files =
      MacroHead(kTestDsn) +
      Crlf(
          "%HTML(INPUT){\n"
          "@RZV_ASSIGN(ClobData, \"texts/a.txt\")\n<P>$(CLOBTYPE)</P>\n"
          "@RZV_ASSIGN(ClobData, \"texts\\b.txt\")\n<P>$(CLOBTYPE)</P>\n"
          "@RZV_ASSIGN(ClobData, \"../secret.txt\")\n<P>$(CLOBTYPE)</P>\n"
          "@RZV_ASSIGN(ClobData, \"texts/../../secret.txt\")\n<P>$(CLOBTYPE)</P>\n"
          "@RZV_ASSIGN(ClobData, \"" +
          folder.File("secret.txt") +
          "\")\n<P>$(CLOBTYPE)</P>\n"
          "@RZV_ASSIGN(ClobData, \"link.txt\")\n<P>$(CLOBTYPE)</P>\n"
          "@RZV_ASSIGN(ClobData, \"missing.txt\")\n<P>$(CLOBTYPE)</P>\n"
          "%}\n");
  EXPECT_EQ(
      Render(files, "INPUT"),
      Crlf("<P>A text</P>\n<P>B text</P>\n<P>" + Mark(1, "../secret.txt") + "</P>\n<P>" +
           Mark(2, "texts/../../secret.txt") + "</P>\n<P>" + Mark(3, folder.File("secret.txt")) +
           "</P>\n<P>" + Mark(4, "link.txt") + "</P>\n<P>" + Mark(5, "missing.txt") + "</P>\n") +
          Notes({"Large-text files are read only from below the preview&#39;s folder (no "
                 "absolute path, no ..): ../secret.txt",
                 "Large-text files are read only from below the preview&#39;s folder (no "
                 "absolute path, no ..): texts/../../secret.txt",
                 "Large-text files are read only from below the preview&#39;s folder (no "
                 "absolute path, no ..): " +
                     folder.File("secret.txt"),
                 "Large-text files are read only from below the preview&#39;s folder (no "
                 "absolute path, no ..): link.txt",
                 "The large-text file is missing or cannot be read: missing.txt"}));
}

TEST_F(PreviewPage, FormValuesStayTextAndAreNeverExpanded) {
  const std::string macro = MacroHead(kTestDsn, "GREETING=\"<B>Hello $(Q)</B>\"\nSECRET=\"s3\"\n") +
                            Crlf(
                                "%HTML(INPUT){\n"
                                "<P>$(GREETING)</P>\n"
                                "<INPUT name=\"Q\" value=\"$(Q)\">\n"
                                "@RZV_ASSIGN(COPY, Q)\n"
                                "<P>@RZV_UPPER(COPY)</P>\n"
                                "%}\n");
  EXPECT_EQ(Render(macro, "INPUT", {{"Q", "<i>\"x\"</i>"}}),
            Crlf("<P><B>Hello &lt;i&gt;&quot;x&quot;&lt;/i&gt;</B></P>\n"
                 "<INPUT name=\"Q\" value=\"&lt;i&gt;&quot;x&quot;&lt;/i&gt;\">\n"
                 "<P>&lt;I&gt;&quot;X&quot;&lt;/I&gt;</P>\n"));
  EXPECT_TRUE(notes.empty());
  // A value that looks like a reference is not one; the connection's names are not form fields.
  EXPECT_EQ(Render(macro, "INPUT", {{"Q", "$(SECRET)"}, {"DATABASE", "other"}, {"V_x", "1"}}),
            Crlf("<P><B>Hello $(SECRET)</B></P>\n<INPUT name=\"Q\" value=\"$(SECRET)\">\n"
                 "<P>$(SECRET)</P>\n") +
                Notes({"A form value of this name is not used (it names the connection, a "
                       "command or a column variable): DATABASE",
                       "A form value of this name is not used (it names the connection, a "
                       "command or a column variable): V_x"}));
}

TEST_F(PreviewPage, BuiltInsAndTheirRefusals) {
  const struct {
    const char* call;
    std::string expected;  // "" with a note id: marked
    unsigned note;
  } cases[] = {
      {"@RZV_DATE()", "2024/05/15", 0},
      {"@RZV_DATE(\"S\")", "20240515", 0},
      {"@RZV_DATE(\"d\")", "2024/05/15", 0},
      {"@RZV_DATE(\"X\")", "", kIdsPreviewUnknownDateFormat},
      {"@RZV_LENGTH(\"抹茶ab\")", "4", 0},
      {"@RZV_SUBSTR(\"抹茶ab\", 2, 2)", K7QSjis("茶a"), 0},
      {"@RZV_SUBSTR(\"abc\",0,2)", "", kIdsPreviewNotANumberArgument},
      {"@RZV_UPPER(\"aソb\")", K7QSjis("AソB"), 0},
      {"@RZV_LOWER(\"アB\")", K7QSjis("アb"), 0},  // the second byte of ア is an A
      {"@RZV_TRIM(\"  a b  \")", "a b", 0},
      {"@RZV_ADD(\"1.5\", \"2.25\")", "3.75", 0},
      {"@RZV_SUB(1, 3)", "-2", 0},
      {"@RZV_ADD(\"x\",1)", "", kIdsPreviewNotANumberArgument},
      {"@RZV_TRANSLATE(\"a\\b\\c\", \"\\\", \"/\", T)$(T)", "a/b/c", 0},
      {"@RZV_rGETINIDATA(\"html_path\")|", "|", 0},
      {"@rzv_rgetinidata(\"other\")", "", kIdsPreviewUnknownSetting},
      {"@RZV_ASSIGN(X, \"$(Y)!\")$(X)", "y!", 0},
      {"@RZV_ASSIGN(X, @RZV_UPPER(\"q\"))$(X)", "Q", 0},
  };
  for (const auto& c : cases) {
    const std::string call = K7QSjis(c.call);
    const std::string macro =
        MacroHead(kTestDsn, "Y=\"y\"\n") + "%HTML(INPUT){\r\n" + call + "\r\n%}\r\n";
    const std::string page = Render(macro, "INPUT");
    if (c.note == 0) {
      EXPECT_EQ(page, c.expected + "\r\n") << c.call;
      EXPECT_TRUE(notes.empty()) << c.call;
    } else {
      EXPECT_EQ(NoteIds(), std::vector<unsigned>{c.note}) << c.call;
      EXPECT_EQ(page.rfind(Mark(1, K7QPreviewText::HtmlEscape(call)), 0), 0u) << page;
    }
  }
}

TEST_F(PreviewPage, FunctionsWithoutReportGiveATable) {
  const std::string macro =
      MacroHead(kTestDsn) + Crlf(
                                "%FUNCTION(RZV_SQL)RAW(){\nSELECT id, name, photo FROM products "
                                "WHERE id <= 2\n%}\n%HTML(INPUT){\n@RAW()\n%}\n");
  EXPECT_EQ(Render(macro, "INPUT"),
            Crlf("<TABLE border=\"1\">\n<TR><TH>id</TH><TH>name</TH><TH>photo</TH></TR>\n"
                 "<TR><TD>1</TD><TD>Matcha</TD><TD><IMG src=\"data:image/gif;base64,"
                 "R0lGODlhAQAB\"></TD></TR>\n"
                 "<TR><TD>2</TD><TD>Strawberry</TD><TD></TD></TR>\n</TABLE>\n\n"));
}

TEST_F(PreviewPage, LimitsCutTheRowsAndSayWhere) {
  options.limits.rows = 2;
  const std::string macro =
      MacroHead(kTestDsn) +
      Crlf(
          "%FUNCTION(RZV_SQL)ALL(){\nSELECT name FROM products\n%REPORT{\n%ROW{\n$(V_name)\n%}\n"
          "%}\n%}\n%HTML(REPORT){\n@ALL()\n%}\n");
  EXPECT_EQ(Render(macro, "REPORT"),
            Crlf("Matcha\nStrawberry\n" + Mark(1, "@ALL(): 2") + "\n") +
                Notes({"The row limit was reached; only the rows up to here are shown. Row "
                       "limit: @ALL(): 2"}));
}

TEST_F(PreviewPage, TheTimeLimitStopsAStatementThatRunsOn) {
  options.limits.seconds = 1;
  const std::string macro =
      MacroHead(kTestDsn) +
      Crlf(
          "%FUNCTION(RZV_SQL)ENDLESS(){\nSELECT count(*) FROM (WITH RECURSIVE c(x) AS "
          "(SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c)\n%}\n"
          "%HTML(REPORT){\n<P>@ENDLESS()</P>\n%}\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Render(macro, "REPORT"),
            Crlf("<P>" + Mark(1, "@ENDLESS(): 1") + "</P>\n") +
                Notes({"The statement was stopped at the time limit. Seconds: @ENDLESS(): 1"}));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(PreviewPage, ReaderIssuesAreListedWithEveryPage) {
  const std::string macro =
      Crlf("stray words\n%DEFINE{\nDATABASE=\"" + std::string(kTestDsn) +
           "\"\nno equals sign\n%}\n%ODD{\nx\n%}\n"
           "%FUNCTION(RZV_SQL)F(){\nSELECT 1 AS one\n%MESSAGE{\n+100: \"none\": stop\n12a: "
           "\"x\": exit\n+100 \"no colon\"\n%}\n%}\n"
           "%HTML(INPUT){\nok\n%}\n");
  EXPECT_EQ(Render(macro, "INPUT"),
            Crlf("ok\n") +
                Notes({"Text outside any section; it was ignored: stray words",
                       "A define line that cannot be read (NAME=&quot;VALUE&quot;); it was "
                       "ignored: no equals sign",
                       "A macro construct the preview does not know; shown as written: %ODD{...",
                       "A message line that cannot be read (CODE: &quot;TEXT&quot;: exit or "
                       "continue); it was ignored: +100: &quot;none&quot;: stop",
                       "A message line that cannot be read (CODE: &quot;TEXT&quot;: exit or "
                       "continue); it was ignored: 12a: &quot;x&quot;: exit",
                       "A message line that cannot be read (CODE: &quot;TEXT&quot;: exit or "
                       "continue); it was ignored: +100 &quot;no colon&quot;"}));
}
