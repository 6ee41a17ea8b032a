// Pages as real HTML editors leave them, and the author's own text in them:
// what conversion reads, what it keeps and what it refuses (by line).
#include "PageTestSupport.h"

namespace {

class HtmlPages : public PageConverterTest {
 protected:
  CK7QBldPageConverter::Conversion Convert(const std::string& page) {
    CK7QBldPageConverter::Conversion conversion;
    m_ui.m_shown.clear();
    EXPECT_TRUE(m_converter.ConvertText(page, conversion)) << Shown();
    return conversion;
  }
  // The conversion is refused with message `id` naming `line` and `what`.
  void ExpectRefused(const std::string& page, unsigned id, int line, const std::string& what) {
    CK7QBldPageConverter::Conversion conversion;
    m_ui.m_shown.clear();
    EXPECT_FALSE(m_converter.ConvertText(page, conversion));
    ASSERT_EQ(m_ui.Ids(), std::vector<unsigned>{id}) << Shown();
    const std::string& text = m_ui.m_shown[0].text;
    EXPECT_NE(text.find("line " + std::to_string(line) + ": "), std::string::npos) << text;
    EXPECT_NE(text.find(what), std::string::npos) << text;
    EXPECT_EQ(m_ui.m_shown[0].icon, K7QIcon::Stop);
  }
  std::string Shown() const {
    std::string out;
    for (const auto& s : m_ui.m_shown) out += std::to_string(s.id) + ": " + s.text + "\n";
    return out;
  }
};

// --- Markup in any case, order and quoting -----------------------------------

struct MarkupCase {
  const char* rule;
  std::string page;
};

TEST_F(HtmlPages, MarkupAsEditorsWriteItConvertsAsTheBuildersOwn) {
  const std::string canonical = "<P>" + Start("ROW:L") + "<P>" + Tag("ITEMS.NAME", "Tea") + " " +
                                "<K7Q macro=\"$(V_ITEMS.PHOTO)\"><IMG src=\"LOB00000.gif\"></K7Q>" +
                                E + "</P>";
  const CK7QBldPageConverter::Conversion expected = Convert(canonical);
  ASSERT_EQ(expected.functions.size(), 1u);
  const MarkupCase cases[] = {
      {"lower case, single quotes, no quotes, attributes reordered",
       "<p><img height=11 alt='ROW:L' src=k7q_loop_start.gif width=436><P><k7q "
       "macro='$(V_ITEMS.NAME)'><font color=#800080>Tea</font></k7q> <k7q "
       "MACRO=\"$(V_ITEMS.PHOTO)\"><img SRC='LOB00000.gif'></k7q><img width='438' "
       "src='k7q_loop_end.gif' height='10'></p>"},
      {"line breaks inside tags, XHTML's closing slash",
       "<P><IMG\r\n  src=\"k7q_loop_start.gif\"\r\n  alt=\"ROW:L\" /><P><K7Q\r\nmacro\r\n=\r\n"
       "\"$(V_ITEMS.NAME)\"><FONT\tcolor=\"#800080\">Tea</FONT></K7Q> <K7Q "
       "macro=\"$(V_ITEMS.PHOTO)\">"
       "<IMG src=\"LOB00000.gif\"\r\n/></K7Q><IMG src=\"k7q_loop_end.gif\"/></P>"},
      {"marker images with a folder, quotes escaped by the editor",
       "<P><IMG src=\"images/k7q_loop_start.gif\" alt=&quot;ROW:L&quot;><P><K7Q "
       "macro=&quot;$(V_ITEMS.NAME)&quot;><FONT color=\"#800080\">Tea</FONT></K7Q> <K7Q "
       "macro=\"$(V_ITEMS.PHOTO)\"><IMG src=\"LOB00000.gif\"></K7Q><IMG "
       "src=\"../img/K7Q_LOOP_END.GIF\"></P>"},
  };
  for (const MarkupCase& c : cases) {
    SCOPED_TRACE(c.rule);
    const CK7QBldPageConverter::Conversion conversion = Convert(c.page);
    ASSERT_EQ(conversion.functions.size(), 1u);
    EXPECT_EQ(conversion.functions[0].name, "L");
    EXPECT_EQ(conversion.functions[0].statement, expected.functions[0].statement);
    // The image keeps the author's own tag, with the variable as its file.
    EXPECT_NE(conversion.functions[0].component.find("$(V_PHOTO)"), std::string::npos)
        << conversion.functions[0].component;
    EXPECT_NE(conversion.functions[0].component.find("$(V_NAME) "), std::string::npos);
    EXPECT_EQ(conversion.page.find("K7Q"), std::string::npos) << conversion.page;
  }
}

// An ordinary form field counts, its name anywhere among the attributes.
TEST_F(HtmlPages, FormFieldsAsEditorsWriteThem) {
  const std::string pages[] = {
      "<FORM action=\"x\"><INPUT type=\"text\" name=\"q\"></FORM>",
      "<form action=x><input\r\n type=text\r\n name='q' size=20></form>",
      "<FORM><SELECT name=\"q\"><OPTION>a</OPTION></SELECT></FORM>",
      "<FORM><TEXTAREA name=\"q\"></TEXTAREA><INPUT name=\"r\"></FORM>",
  };
  for (const std::string& page : pages) {
    SCOPED_TRACE(page);
    Convert(page);
    EXPECT_TRUE(m_ui.m_shown.empty()) << Shown();
  }
  K7QStringList components;
  K7QWriteFile(Page(), pages[1]);
  ASSERT_TRUE(m_converter.ConvertAfterEditing(Page(), components));
  EXPECT_EQ(m_macro.FormFieldNames(), K7QStringList{"q"});
}

// --- Text the author typed inside a value tag -----------------------------------

struct TypedCase {
  const char* rule;
  std::string content;  // between the value tag's own tags
  std::string macro;    // what the loop's row shows
};

TEST_F(HtmlPages, TextTypedAfterTheShownValueStays) {
  const std::string yen = K7QSjis("円");
  const TypedCase cases[] = {
      {"nothing typed", "<FONT color=\"#800080\">480.00</FONT>", "$(V_PRICE)"},
      {"a unit after the coloured text", "<FONT color=\"#800080\">480.00</FONT>" + yen,
       "$(V_PRICE)" + yen},
      {"the caret stayed inside the coloured text",
       "<FONT color=\"#800080\">480.00" + yen + "</FONT>", "$(V_PRICE)" + yen},
      {"markup typed after it", "<FONT color=\"#800080\">480.00</FONT><B>NEW</B>",
       "$(V_PRICE)<B>NEW</B>"},
      {"inside and after", "<FONT color=\"#800080\">480.00 " + yen + "</FONT> <B>NEW</B>",
       "$(V_PRICE) " + yen + " <B>NEW</B>"},
      {"rewritten by a tidier", "\n<font color=\n\"#800080\">\n480.00</font>\n", "$(V_PRICE)"},
      {"the coloured text dropped by the editor", "480.00" + yen, "$(V_PRICE)" + yen},
      {"the shown value changed: it was only shown", "<FONT color=\"#800080\">999</FONT>",
       "$(V_PRICE)"},
  };
  for (const TypedCase& c : cases) {
    SCOPED_TRACE(c.rule);
    const auto conversion =
        Convert(Start("ROW:L") + "<K7Q macro=\"$(V_ITEMS.PRICE)\">" + c.content + "</K7Q>" + E);
    ASSERT_EQ(conversion.functions.size(), 1u);
    EXPECT_NE(conversion.functions[0].component.find("%ROW{" + c.macro + "\n%}"), std::string::npos)
        << conversion.functions[0].component;
  }
  // A large text and an image keep what follows them too.
  const auto conversion = Convert(
      Start("ROW:L") + "<K7Q macro=\"$(V_ITEMS.NOTE)\" type=\"CLOB\"><FONT color=\"#800080\">" +
      "Line one<BR>\r\nLine two<BR>\r\n</FONT>(more)</K7Q><K7Q macro=\"$(V_ITEMS.PHOTO)\">" +
      "<IMG src=\"LOB00000.gif\"> photo</K7Q>" + E);
  EXPECT_NE(
      conversion.functions[0].component.find("$(CLOBTYPE)(more)<IMG src=\"$(V_PHOTO)\"> photo\n%}"),
      std::string::npos)
      << conversion.functions[0].component;
}

// --- "&quot;" ----------------------------------------------------------------

TEST_F(HtmlPages, EscapedQuotesAreUndoneInTheCopyOnlyOutsideQuotedValues) {
  const std::string page =
      "<FORM><INPUT name=\"q\" title=\"say &quot;hi&quot;\"></FORM>\r\n"
      "<P>@RZV_DATE(&quot;S&quot;, X)</P>\r\n" +
      Start("ROW:L") + Tag("ITEMS.NAME", "Tea") +
      " <A href=&quot;x?$(V_ITEMS.CODE)&quot;>go</A> &quot;" + E + "\r\n";
  K7QWriteFile(Page(), page);
  K7QStringList components;
  ASSERT_TRUE(m_converter.ConvertAfterEditing(Page(), components, false));
  // The author's page is never rewritten.
  EXPECT_EQ(K7QReadFile(Page()), page);
  EXPECT_EQ(K7QReadFile(Converted()),
            "<FORM><INPUT name=\"q\" title=\"say &quot;hi&quot;\"></FORM>\r\n"
            "<P>@RZV_DATE(\"S\", X)</P>\r\n@L()\r\n");
  ASSERT_EQ(components.size(), 1u);
  EXPECT_NE(K7QReadFile(components[0]).find("$(V_NAME) <A href=\"x?$(V_CODE)\">go</A> \""),
            std::string::npos)
      << K7QReadFile(components[0]);
}

// --- Refused, with the line where the trouble stands ------------------------

struct RefusedCase {
  const char* rule;
  std::string page;
  unsigned id;
  int line;
  std::string what;  // quoted in the message
};

TEST_F(HtmlPages, RefusedPagesNameWhatAndWhere) {
  const std::string row = Tag("ITEMS.NAME", "Tea");
  const std::string head = "<HTML>\r\n<BODY>\r\n";  // the trouble is on line 3 or later
  const RefusedCase cases[] = {
      {"a start marker without its loop name",
       head + "<IMG src=\"k7q_loop_start.gif\" height=\"11\">" + row + E, kIdsLoopMarkerUnreadable,
       3, "k7q_loop_start.gif"},
      {"a start marker of no known kind", head + Start("LIST:L") + row + E,
       kIdsLoopMarkerUnreadable, 3, "LIST:L"},
      {"a loop commented out", head + "<P>x</P>\r\n<!-- " + Start("ROW:L") + row + E + " -->",
       kIdsLoopMarkerUnreadable, 4, "k7q_loop_start.gif"},
      {"a marker image named in a script",
       head + "<SCRIPT>\r\nvar m = \"k7q_loop_end.gif\";\r\n</SCRIPT>\r\n" + Start("ROW:L") + row +
           E,
       kIdsLoopMarkerUnreadable, 4, "k7q_loop_end.gif"},
      {"a value tag without its variable",
       head + Start("ROW:L") + "\r\n<K7Q><FONT>x</FONT></K7Q>" + E, kIdsValueTagUnreadable, 4,
       "<K7Q>"},
      {"a value tag whose variable is no variable",
       head + Start("ROW:L") + "<K7Q macro=\"Tea\">Tea</K7Q>" + E, kIdsValueTagUnreadable, 3,
       "macro=\"Tea\""},
      {"a value tag inside an attribute",
       head + Start("ROW:L") + row + "<A title='<K7Q macro=\"$(V_ITEMS.CODE)\">'>x</A>" + E,
       kIdsValueTagUnreadable, 3, "<K7Q"},
      {"a loop whose value tags the editor dropped",
       head + "<P>\r\n" + Start("TABLE:ITEMS") + "<TABLE><TR><TD><FONT>Tea</FONT></TD></TR>" +
           "</TABLE>" + E,
       kIdsLoopWithoutColumns, 4, "ITEMS"},
      {"a form without a named field",
       head + "<P>x</P>\r\n<FORM action=\"/cgi/find\"><INPUT type=\"submit\"></FORM>",
       kIdsFormWithoutField, 4, "<FORM action=\"/cgi/find\">"},
      {"one column name of two tables in a loop",
       head + Start("ROW:BOTH") + Tag("ITEMS.NAME", "Tea") + Tag("SHOPS.NAME", "Kanda") + E,
       kIdsColumnNameTwice, 3, "BOTH: ITEMS.NAME, SHOPS.NAME"},
      {"a style that closes a section",
       head + "<STYLE>\r\ntd {width:50%}\r\n</STYLE>\r\n" + Start("ROW:L") + row + E,
       kIdsPageHoldsSectionKeyword, 4, "%}"},
      {"a loop mentioning an input section",
       head + Start("ROW:L") + row + "\r\nsee %HTML(INPUT) above" + E, kIdsPageHoldsSectionKeyword,
       4, "%HTML(INPUT)"},
      {"a loop mentioning a function section", head + Start("ROW:L") + row + " %FUNCTION" + E,
       kIdsPageHoldsFunction, 3, "%FUNCTION"},
      {"a campaign's comment", head + "<P>\r\n<!-- CAMP End -->" + Start("ROW:L") + row + E,
       kIdsPageHoldsSectionKeyword, 4, "<!-- CAMP End -->"},
      {"a section keyword typed inside a value tag",
       head + Start("ROW:L") + "\r\n<K7Q macro=\"$(V_ITEMS.NAME)\"><FONT>Tea %}</FONT></K7Q>" + E,
       kIdsPageHoldsSectionKeyword, 4, "<K7Q macro"},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.rule);
    ExpectRefused(c.page, c.id, c.line, c.what);
  }
  // The shown value is no text of the author's: a keyword there is dropped
  // with it.
  const auto conversion =
      Convert(Start("ROW:L") + "<K7Q macro=\"$(V_ITEMS.NAME)\"><FONT>50%}</FONT></K7Q>" + E);
  EXPECT_EQ(conversion.functions.size(), 1u);
}

// A name that conversion accepts is one that every reader of the macro
// gives back; the others are refused before anything is written.
TEST_F(HtmlPages, LoopNamesThatCannotBeReadBackAreRefused) {
  for (const std::string name :
       {"", "A B", "A&B", "A;B", "A'B", "A,B", "A&quot;B", "A<B", "A=B", "A@B", "A.B", "A%B", "A{B",
        "A$B", "A/B", "A\\B", "A\tB", "html_input"}) {
    SCOPED_TRACE(name);
    CK7QBldPageConverter::Conversion conversion;
    m_ui.m_shown.clear();
    EXPECT_FALSE(
        m_converter.ConvertText(Start("ROW:" + name) + Tag("ITEMS.NAME", "Tea") + E, conversion));
    EXPECT_EQ(m_ui.Ids(), std::vector<unsigned>{kIdsUnsafeLoopName});
  }
  for (const std::string& name :
       std::vector<std::string>{"L1", "ITEMS_2", K7QSjis("一覧ソ"), "a-b", "x:y"}) {
    SCOPED_TRACE(name);
    const auto conversion = Convert(Start("ROW:" + name) + Tag("ITEMS.NAME", "Tea") + E);
    ASSERT_EQ(conversion.functions.size(), 1u);
    EXPECT_EQ(conversion.page, "@" + name + "()");
  }
}

// 62366 is a warning for a page that really has neither loops nor a form;
// a page whose loop cannot be read is refused instead of converted as text.
TEST_F(HtmlPages, NoLoopNorFormOnlyWhenThereIsNone) {
  Convert("<P>" + Tag("ITEMS.NAME", "Tea") + "</P>");
  EXPECT_EQ(m_ui.Ids(), std::vector<unsigned>{kIdsNoLoopNorForm});
  ExpectRefused("<P><IMG src=\"k7q_loop_start.gif\"></P>", kIdsLoopMarkerUnreadable, 1,
                "k7q_loop_start.gif");
}

// --- Author text with the frame of a section, generated ------------------------

// Pages made at random from loops and text, with pieces of the author's text
// in the text, in loops and typed into value tags; some pieces hold what a
// macro reader takes for a section's frame. Such a page is refused naming
// the first piece's line; any other one survives conversion, saving,
// opening, preparing and converting again unchanged, its pieces in the macro.
class PageAuthorText : public PageRoundTrip {};

TEST_F(PageAuthorText, SectionKeywordsAreRefusedOtherTextSurvives) {
  struct Piece {
    std::string text;
    bool keyword;
  };
  const std::vector<Piece> keywords = {
      {"td {width:50%}", true}, {"see %HTML(INPUT)", true},
      {"%FUNCTION call", true}, {"a %{ b", true},
      {"100 %}", true},         {"%ROW{", true},
      {"%REPORT{ x", true},     {"%MESSAGE{", true},
      {"%DEFINE{", true},       {"<!-- CAMP Start F -->", true},
  };
  const std::vector<Piece> others = {
      {"50% off", false},  {"%IF(x) ok %ENDIF", false}, {"<!-- note -->", false},
      {"a: \"b\"", false}, {K7QSjis("円"), false},      {"<B>NEW</B>", false},
      {"% {", false},      {"{width:50% }", false},
  };
  std::mt19937 random(13);
  const auto pick = [&random](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  // A keyword at one place in ten: pages with and without one both come often.
  const auto piece = [&]() -> const Piece& {
    return pick(10) == 0 ? keywords[pick(keywords.size())] : others[pick(others.size())];
  };
  int refused = 0;
  int survived = 0;
  for (int round = 0; round < 60; ++round) {
    std::string page = "<HTML><BODY>\r\n";
    int firstKeywordLine = 0;
    std::vector<std::string> kept;
    const auto line = [&page] {
      return 1 + static_cast<int>(std::count(page.begin(), page.end(), '\n'));
    };
    const auto place = [&](const Piece& piece, int atLine) {
      if (piece.keyword && firstKeywordLine == 0) firstKeywordLine = atLine;
      if (!piece.keyword) kept.push_back(piece.text);
    };
    bool typedKeyword = false;  // a keyword typed into a value tag is found after the others
    int typedLine = 0;
    for (int block = 0; block < 4; ++block) {
      const Piece& text = piece();
      if (pick(3) == 0) {
        place(text, line());
        page += "<P>" + text.text + "</P>\r\n";
      }
      const std::string name = "L" + std::to_string(block);
      page += Start("ROW:" + name) + "\r\n<P>";
      const Piece& typed = piece();
      const bool typeIt = pick(2) == 0;
      if (typeIt && typed.keyword && !typedKeyword) {
        typedKeyword = true;
        typedLine = line();
      }
      if (typeIt && !typed.keyword) kept.push_back(typed.text);
      page += "<K7Q macro=\"$(V_ITEMS.NAME)\"><FONT color=\"#800080\">Tea" +
              std::string(typeIt ? typed.text : "") + "</FONT></K7Q>";
      if (pick(2) == 0) {
        const Piece& inLoop = piece();
        place(inLoop, line());
        page += " " + inLoop.text;
      }
      page += "\r\n" + E + "\r\n";
    }
    page += "</BODY></HTML>\r\n";
    SCOPED_TRACE(page);

    CK7QBldPageConverter::Conversion conversion;
    m_ui.m_shown.clear();
    const bool converted = m_converter.ConvertText(page, conversion);
    if (firstKeywordLine != 0 || typedKeyword) {
      EXPECT_FALSE(converted);
      ASSERT_EQ(m_ui.m_shown.size(), 1u);
      const unsigned id = m_ui.m_shown[0].id;
      EXPECT_TRUE(id == kIdsPageHoldsSectionKeyword || id == kIdsPageHoldsFunction) << id;
      const int expectedLine = firstKeywordLine != 0 ? firstKeywordLine : typedLine;
      EXPECT_NE(m_ui.m_shown[0].text.find("line " + std::to_string(expectedLine) + ": "),
                std::string::npos)
          << m_ui.m_shown[0].text;
      ++refused;
      continue;
    }
    ASSERT_TRUE(converted) << m_ui.m_shown[0].text;
    ++survived;
    Check(kFormFragment, page);
    for (const std::string& piece : kept)
      EXPECT_NE(m_first.find(piece), std::string::npos) << piece;
    if (HasFailure()) return;
  }
  // Both ways were taken often enough to tell.
  EXPECT_GE(refused, 10);
  EXPECT_GE(survived, 10);
}

}  // namespace
