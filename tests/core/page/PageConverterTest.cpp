#include "PageTestSupport.h"

namespace {

// --- Validation ---------------------------------------------------------------

struct ValidateCase {
  const char* rule;
  std::string page;
  int code;
};

TEST(PageValidation, Codes) {
  const std::string row = Start("ROW:R") + Tag("ITEMS.NAME", "Tea") + E;
  const std::vector<ValidateCase> cases = {
      {"neither loops nor a form", "<P>plain</P>", 11},
      {"the builder's own form, NAME in capitals", kFormFragment, 0},
      {"name attribute in lower case", "<FORM><INPUT name=\"a1x\"></FORM>", 0},
      {"a form without a named field", "<FORM><INPUT TYPE=\"SUBMIT\"></FORM>", 12},
      {"a start marker without an end", Start("ROW:R") + Tag("ITEMS.NAME", "x"), 1},
      {"an end marker before its start", E + Start("ROW:R") + Tag("ITEMS.NAME", "x"), 1},
      {"overlapping loops", Start("ROW:A") + Start("ROW:B") + Tag("ITEMS.NAME", "x") + E + E, 1},
      {"a marker of no known kind", Start("LIST:R") + Tag("ITEMS.NAME", "x") + E, 13},
      {"a well-formed loop", row, 0},
      {"a value tag without its end", row + "<K7Q macro=\"$(V_ITEMS.CODE)\">", 2},
      {"nested value tags",
       Start("ROW:R") + "<K7Q macro=\"$(V_A.B)\">" + Tag("A.C", "x") + "</K7Q>" + E, 2},
      {"a loop without value tags or form", Start("ROW:R") + "<P>" + E, 2},
      {"an option loop: form and options, no tags",
       Start("OPTION:O") +
           "<FORM><SELECT name=\"s\"><OPTION value=\"$(V_A.B)\">x</OPTION></SELECT>" + "</FORM>" +
           E,
       0},
  };
  for (const ValidateCase& c : cases)
    EXPECT_EQ(CK7QBldPageConverter::ValidatePage(c.page), c.code) << c.rule;
}

// --- Conversion -------------------------------------------------------------

TEST_F(PageConverterTest, ConvertsReportPageByteForByte) {
  K7QStringList components;
  ASSERT_TRUE(Convert(K7QReadFile(kData + "report.htm"), components));
  EXPECT_TRUE(m_ui.Ids().empty());
  EXPECT_EQ(K7QReadFile(Converted()), K7QReadFile(kData + "report.cvt"));
  ASSERT_EQ(components, (K7QStringList{Component("ITEMS"), Component("SHOPLIST"),
                                       Component("NOTES"), Component("PICK")}));
  for (const char* name : {"ITEMS", "SHOPLIST", "NOTES", "PICK"})
    EXPECT_EQ(K7QReadFile(Component(name)), K7QReadFile(kData + "report.k7q_fun_" + name)) << name;
  // The page itself stays as the author left it.
  EXPECT_EQ(K7QReadFile(Page()), K7QReadFile(kData + "report.htm"));
  EXPECT_EQ(m_macro.FormFieldNames(), K7QStringList{"item"});
}

TEST_F(PageConverterTest, BuildersFormFragmentIsAcceptedAndItsFieldCollected) {
  K7QStringList components;
  ASSERT_TRUE(Convert(kFormFragment, components));
  EXPECT_TRUE(m_ui.Ids().empty());
  EXPECT_TRUE(components.empty());
  EXPECT_EQ(m_macro.FormFieldNames(), K7QStringList{"QNAME"});
  EXPECT_EQ(K7QReadFile(Converted()), kFormFragment);
}

TEST_F(PageConverterTest, PageWithoutFormOrLoopConvertsWithWarningOnly) {
  K7QStringList components;
  const std::string page = "<HTML>\r\n<P>Hello</P>\r\n</HTML>\r\n";
  ASSERT_TRUE(Convert(page, components, true));
  ASSERT_EQ(m_ui.m_shown.size(), 1u);
  EXPECT_EQ(m_ui.m_shown[0].id, kIdsNoLoopNorForm);
  EXPECT_EQ(m_ui.m_shown[0].icon, K7QIcon::Exclamation);
  EXPECT_EQ(K7QReadFile(Converted()), page);
  EXPECT_EQ(m_macro.Functions().GetCount(), 0);
}

struct LoopCase {
  const char* rule;
  std::string page;
  std::string convertedPage;
  std::vector<std::pair<std::string, std::string>> components;  // name, whole text
};

TEST_F(PageConverterTest, LoopEdgeCases) {
  const std::vector<LoopCase> cases = {
      {"a repeated column keeps one SELECT item, at its last position",
       Start("ROW:R") + Tag("ITEMS.NAME", "Tea") + " " + Tag("ITEMS.PRICE", "1") + " " +
           Tag("ITEMS.NAME", "Tea") + E,
       "@R()",
       {{"R", kGenerator + "%FUNCTION(RZV_SQL)R() {\nSELECT ITEMS.PRICE,ITEMS.NAME FROM ITEMS\n"
                           "%REPORT{\n\n%ROW{$(V_NAME) $(V_PRICE) $(V_NAME)\n%}\n%}\n%}"}}},
      {"two loops over one table give two functions and two calls",
       "<P>\n" + Start("ROW:A") + Tag("ITEMS.NAME", "Tea") + E + "\n" + Start("ROW:B") +
           Tag("ITEMS.CODE", "7") + E + "\n",
       "<P>\n@A()\n@B()\n",
       {{"A", kGenerator + "%FUNCTION(RZV_SQL)A() {\nSELECT ITEMS.NAME FROM ITEMS\n%REPORT{\n\n"
                           "%ROW{$(V_NAME)\n%}\n%}\n%}"},
        {"B", kGenerator + "%FUNCTION(RZV_SQL)B() {\nSELECT ITEMS.CODE FROM ITEMS\n%REPORT{\n\n"
                           "%ROW{$(V_CODE)\n%}\n%}\n%}"}}},
      {"TABLE:ITEMS names function ITEMS, no blank before the name; tables in first-seen order",
       Start("TABLE:ITEMS") + "<TABLE><TR><TH>h</TH></TR><TR><TD>" + Tag("SHOPS.CITY", "x") +
           "</TD><TD>" + Tag("ITEMS.NAME", "y") + "</TD></TR></TABLE>" + E,
       "@ITEMS()",
       {{"ITEMS", kGenerator +
                      "%FUNCTION(RZV_SQL)ITEMS() {\nSELECT SHOPS.CITY,ITEMS.NAME FROM SHOPS,ITEMS\n"
                      "%REPORT{\n<TABLE><TR><TH>h</TH></TR>\n%ROW{\n<TR><TD>$(V_CITY)</TD><TD>"
                      "$(V_NAME)</TD></TR>\n%}</TABLE>\n%}\n%}"}}},
      {"a table loop without rows repeats its whole body; a body saying ROW: stays a table",
       Start("TABLE:T") + "ROW: " + Tag("ITEMS.NAME", "x") + E,
       "@T()",
       {{"T", kGenerator + "%FUNCTION(RZV_SQL)T() {\nSELECT ITEMS.NAME FROM ITEMS\n%REPORT{\n\n"
                           "%ROW{ROW: $(V_NAME)\n%}\n%}\n%}"}}},
      {"value tags outside loops become variables with their table; images keep their tag",
       "<FORM><INPUT name=\"q1\"></FORM>" + Tag("ITEMS.NAME", "Tea") +
           "<K7Q macro=\"$(V_ITEMS.PHOTO)\"><img SRC=\"a.gif\" alt=\"p\"></K7Q>" +
           "<K7Q macro=\"$(V_ITEMS.NOTE)\" type=\"CLOB\"><FONT>t</FONT></K7Q>",
       "<FORM><INPUT name=\"q1\"></FORM>$(V_ITEMS.NAME)<img SRC=\"$(V_ITEMS.PHOTO)\" alt=\"p\">"
       "@RZV_TRANSLATE(V_ITEMS.NOTE,\"\\\",\"/\",ClobData) $(CLOBTYPE)",
       {}},
  };
  for (const LoopCase& c : cases) {
    SCOPED_TRACE(c.rule);
    K7QStringList components;
    ASSERT_TRUE(Convert(c.page, components));
    EXPECT_EQ(K7QReadFile(Converted()), c.convertedPage);
    ASSERT_EQ(components.size(), c.components.size());
    for (std::size_t i = 0; i < components.size(); ++i) {
      EXPECT_EQ(components[i], Component(c.components[i].first));
      EXPECT_EQ(K7QReadFile(components[i]), c.components[i].second);
      K7QFile::Remove(components[i]);
    }
  }
}

TEST_F(PageConverterTest, OdbcProfileWritesOdbcSection) {
  std::string profile = K7QReadFile(m_dir.File("mini.k7q_pro"));
  profile.replace(profile.find("VQ5"), 3, "ODBC");
  K7QWriteFile(m_dir.File("mini.k7q_pro"), profile);
  ASSERT_TRUE(m_macro.Profile().Read(m_dir.File("mini.k7q_pro")));
  K7QStringList components;
  ASSERT_TRUE(Convert(Start("ROW:ITEMS") + Tag("ITEMS.NAME", "x") + E, components));
  ASSERT_EQ(components.size(), 1u);
  EXPECT_EQ(K7QReadFile(components[0]).substr(kGenerator.size(), 29),
            "%FUNCTION(RZV_ODBC)ITEMS() {\n");
}

struct RefusalCase {
  const char* rule;
  std::string page;
  unsigned id;
  K7QIcon icon;
};

TEST_F(PageConverterTest, RefusedPagesLeaveNothingBehind) {
  // An author's function that a loop must not replace.
  ASSERT_EQ(m_macro.Functions().Add(kFunctionAuthor, "MINE", "", "", CK7QBldSQL(),
                                    CK7QBldMessageBlock(), 0),
            0);
  const std::string row = Tag("ITEMS.NAME", "x");
  const std::string table2 = Start("TABLE:T") + "<TABLE><TR><TD>" + row + "</TD></TR><TR><TD>" +
                             row + "</TD></TR></TABLE>" + E;
  const std::vector<RefusalCase> cases = {
      {"unbalanced markers", Start("ROW:R") + row, kIdsLoopMarkersUnbalanced, K7QIcon::Stop},
      {"overlapping markers", Start("ROW:A") + Start("ROW:B") + row + E + E,
       kIdsLoopMarkersUnbalanced, K7QIcon::Stop},
      {"a form without a named field", "<FORM><INPUT TYPE=\"SUBMIT\"></FORM>", kIdsFormWithoutField,
       K7QIcon::Stop},
      {"unbalanced value tags", Start("ROW:R") + row + "<K7Q macro=\"$(V_A.B)\">" + E,
       kIdsValueTagsUnbalanced, K7QIcon::Stop},
      {"overlapping value tags", Start("ROW:R") + "<K7Q macro=\"$(V_A.B)\">" + row + "</K7Q>" + E,
       kIdsValueTagsUnbalanced, K7QIcon::Stop},
      {"a report block's frame in a loop", Start("ROW:R") + row + "%REPORT{" + E,
       kIdsPageHoldsSectionKeyword, K7QIcon::Stop},
      {"two row templates", table2, kIdsTwoRowTemplates, K7QIcon::Question},
      {"a loop name that leaves the folder", Start("ROW:../evil") + row + E, kIdsUnsafeLoopName,
       K7QIcon::Exclamation},
      {"a loop name given twice", Start("ROW:R") + row + E + Start("ROW:r") + row + E,
       kIdsDuplicateLoopName, K7QIcon::Stop},
      {"a loop named like an author's function", Start("ROW:MINE") + row + E,
       kIdsLoopNamesAuthorFunction, K7QIcon::Stop},
      {"a function's text merged into the page", "%FUNCTION(RZV_SQL)L(){\r\n" + row,
       kIdsPageHoldsFunction, K7QIcon::Stop},
  };
  K7QWriteFile(Converted(), "previous");
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.rule);
    m_ui.m_shown.clear();
    K7QStringList components;
    EXPECT_FALSE(Convert(c.page, components));
    ASSERT_EQ(m_ui.m_shown.size(), 1u);
    EXPECT_EQ(m_ui.m_shown[0].id, c.id);
    EXPECT_EQ(m_ui.m_shown[0].icon, c.icon);
    EXPECT_TRUE(components.empty());
    EXPECT_EQ(K7QReadFile(Converted()), "previous");
    EXPECT_EQ(WorkingFiles(), (std::vector<std::string>{"T_HTML_REPORT.cvt", "T_HTML_REPORT.htm"}));
    EXPECT_EQ(m_macro.Functions().GetCount(), 1);
  }
  // The offending functions are named under the message.
  m_ui.m_shown.clear();
  K7QStringList components;
  EXPECT_FALSE(Convert(table2, components));
  EXPECT_NE(m_ui.m_shown[0].text.find("\n\n    T\n"), std::string::npos);
}

TEST_F(PageConverterTest, QuotesEscapedByTheEditorAreRead) {
  std::string page = K7QReadFile(kData + "report.htm");
  std::string escaped;
  // The editor escaped the quotes of the value tags' attributes.
  for (std::size_t i = 0; i < page.size(); ++i) {
    if (page.compare(i, 12, "<K7Q macro=\"") == 0) {
      escaped += "<K7Q macro=&quot;";
      i += 11;
    } else {
      escaped += page[i];
    }
  }
  K7QStringList components;
  ASSERT_TRUE(Convert(escaped, components));
  EXPECT_EQ(K7QReadFile(Converted()), K7QReadFile(kData + "report.cvt"));
  EXPECT_EQ(K7QReadFile(Component("ITEMS")), K7QReadFile(kData + "report.k7q_fun_ITEMS"));
}

// --- Preparation and the round trip -------------------------------------------

TEST_F(PageConverterTest, PreparedPageIsPreparedOnlyOnce) {
  K7QStringList components;
  ASSERT_TRUE(Convert(K7QReadFile(kData + "report.htm"), components, true));
  K7QFile::CopyBinary(Converted(), Page());
  ASSERT_TRUE(m_converter.PrepareForEditing(Page()));
  const std::string once = K7QReadFile(Page());
  EXPECT_EQ(once, K7QReadFile(kData + "report.htm"));
  ASSERT_TRUE(m_converter.PrepareForEditing(Page()));
  EXPECT_EQ(K7QReadFile(Page()), once);
}

TEST_F(PageConverterTest, MissingFunctionPageLeavesPageAsItWas) {
  K7QStringList components;
  ASSERT_TRUE(Convert(K7QReadFile(kData + "report.htm"), components, true));
  K7QFile::CopyBinary(Converted(), Page());
  K7QFile::Remove(m_macro.Functions().Entry(m_macro.Functions().FindByName("NOTES"))->page);
  EXPECT_FALSE(m_converter.PrepareForEditing(Page()));
  EXPECT_EQ(K7QReadFile(Page()), K7QReadFile(kData + "report.cvt"));
}

// Pages as an author leaves them: every loop kind, images, large texts,
// anchors with row variables, forms, text in CP932 (the trail byte of "ソ" is
// a backslash), pages with LF line ends.
std::vector<std::pair<std::string, std::string>> RoundTripPages() {
  const std::string so = K7QSjis("ソフト");
  return {
      {K7QReadFile(kData + "input.htm"), K7QReadFile(kData + "report.htm")},
      {kFormFragment,
       "<P>" + so + "</P>\n" + Start("TABLE:LIST") + "\n<TABLE>\n<TR><TH>" + so +
           "</TH></TR>\n<TR><TD><A href=\"item?code=$(V_ITEMS.CODE)&amp;s=1\">" +
           Tag("ITEMS.NAME", "Tea") + "</A></TD>\n<TD>" +
           "<K7Q macro=\"$(V_ITEMS.PHOTO)\"><IMG SRC=\"LOB00000.gif\"></K7Q></TD></TR>\n"
           "<TR><TD>total</TD></TR>\n</TABLE>\n" +
           E + "\n" + Start("ROW:CITIES") + Tag("SHOPS.CITY", "Tokyo") + "," +
           "<INPUT TYPE=\"hidden\" VALUE=\"$(V_SHOPS.NAME)\">" + E + "\n" + Tag("ITEMS.CODE", "7") +
           "\n"},
  };
}

TEST_F(PageRoundTrip, HandWrittenPages) {
  const auto pages = RoundTripPages();
  {
    SCOPED_TRACE("report page of every loop kind");
    Check(pages[0].first, pages[0].second);
    // Its loops are written as the repeat controls write them and its values
    // show the profile's samples: preparing gives back the author's page.
    EXPECT_EQ(m_prepared[1], pages[0].second);
  }
  {
    SCOPED_TRACE("anchors, hidden fields, footer row; the author's SQL stays");
    Check(pages[1].first, pages[1].second, [this] {
      CK7QBldFunctionBlock& functions = m_macro.Functions();
      const int list = functions.FindByName("LIST");
      ASSERT_GE(list, 0);
      CK7QBldSQL sql = functions.Entry(list)->statement;
      sql.AddCondition("ITEMS.CODE > 3");
      functions.Modify(list, kFunctionBuilderMade, "LIST", "codes above three",
                       functions.Entry(list)->page, sql, CK7QBldMessageBlock(), kReportKindTable);
    });
    EXPECT_NE(m_first.find("WHERE ITEMS.CODE > 3"), std::string::npos);
    EXPECT_NE(m_first.find("codes above three"), std::string::npos);
  }
}

TEST_F(PageRoundTrip, GeneratedPages) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    CRandomPage generator(seed);
    const std::string report = generator.Make();
    Check(kFormFragment, report);
    if (HasFailure()) {
      ADD_FAILURE() << report;
      return;
    }
  }
}

}  // namespace
