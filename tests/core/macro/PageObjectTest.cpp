#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "K7QBldDDBlock.h"
#include "K7QBldGroceries.h"
#include "K7QTestSupport.h"

namespace {

class PageObjects : public ::testing::Test {
 protected:
  CK7QScriptedUi m_ui;
  CK7QBldGroceries m_groceries{m_ui};
  CK7QBldDDBlock m_block{m_groceries};
};

TEST_F(PageObjects, OneObjectPerFunctionIgnoringCase) {
  EXPECT_EQ(m_block.AddOrReplace(0, "1", "#FF0000", "Items", "ITEMS", "PRICE", ""), 0);
  EXPECT_EQ(m_block.AddOrReplace(1, "2", "sold", "Shops", "SHOPS", "NAME", ""), 1);
  EXPECT_EQ(m_block.AddOrReplace(2, "3", "a.gif", "ITEMS", "ITEMS", "PHOTO", "n"), 0);
  ASSERT_EQ(m_block.GetCount(), 2);
  EXPECT_EQ(m_block.GetAt(0)->kind, kPageObjectImage);
  EXPECT_EQ(m_block.GetAt(0)->function, "ITEMS");
  EXPECT_EQ(m_block.Find("shops"), 1);
  EXPECT_EQ(m_block.Find("none"), -1);
  EXPECT_EQ(m_block.GetAt(2), nullptr);
}

TEST_F(PageObjects, CommentNumbersFromZeroAndBuildsTheImagePath) {
  m_block.AddOrReplace(0, "1", "#FF0000", "Items", "ITEMS", "PRICE", "red when 1");
  m_block.AddOrReplace(2, "Y", "a.gif", "Shops", "SHOPS", "OPEN", "");
  EXPECT_EQ(m_block.GetObjectComment("items", "price", "/img/"),
            "<!-- Object 0 Start\n0,price,1,#FF0000,red when 1\n-->");
  EXPECT_EQ(m_block.GetObjectComment("Shops", "OPEN", "/img/"),
            "<!-- Object 1 Start\n2,OPEN,Y,/img/a.gif,\n-->");
  EXPECT_EQ(m_block.GetObjectComment("Shops", "OPEN", "/"),
            "<!-- Object 1 Start\n2,OPEN,Y,/a.gif,\n-->");
  EXPECT_EQ(m_block.GetObjectComment("Shops", "OPEN", "/img"),
            "<!-- Object 1 Start\n2,OPEN,Y,/img/a.gif,\n-->");
  // Another function's report showing the same column is not bound.
  EXPECT_EQ(m_block.GetObjectComment("Shops", "PRICE", "/"), "");
  EXPECT_EQ(m_block.GetObjectComment("Items", "NAME", "/"), "");
}

// A report as the function writer leaves it: the object comment on the line
// after the cell that shows the variable, everything with CR LF.
std::string Component(const std::string& comment) {
  return "%REPORT{\r\n<TR>\r\n<TD>$(V_PRICE)</TD>\r\n" + comment + "\r\n</TR>\r\n%}\r\n";
}

// Every bare line feed as CR LF.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

struct ExpandCase {
  const char* rule;
  std::string comment;
  std::string expanded;
};

TEST(ObjectComments, ExpandAndRevert) {
  const std::string c0 = "<!-- Object 0 Start\r\n0,PRICE,100,#FF0000,cheap\r\n-->";
  const std::string c1 = "<!-- Object 3 Start\r\n1,PRICE,100,SALE!,\r\n-->";
  const std::string c2 = "<!-- Object 1 Start\r\n2,PRICE,0,/img/a.gif,x,y\r\n-->";
  const ExpandCase cases[] = {
      {"kind 0 keeps its cell in front of the condition", c0,
       "%REPORT{\r\n<TR>\r\n<TD>$(V_PRICE)</TD>\n" + c0 +
           "\n%IF( \"$(V_PRICE)\" == \"100\")\n"
           "<script> document.bgColor='#FF0000';</script>\n"
           "%ENDIF\n"
           "<!-- Object 0 End -->\n"
           "\r\n\r\n</TR>\r\n%}\r\n"},
      {"kind 1 moves its cell behind %ELSE", c1,
       "%REPORT{\r\n<TR>\r\n\n" + c1 +
           "\n%IF( \"$(V_PRICE)\" == \"100\")\n"
           "<TD>SALE!</TD>\n"
           "%ELSE\n"
           "<TD>$(V_PRICE)</TD>\n"
           "%ENDIF\n"
           "<!-- Object 3 End -->\n"
           "\r\n\r\n</TR>\r\n%}\r\n"},
      {"kind 2 shows the image, its cell behind %ELSE; a note keeps its comma", c2,
       "%REPORT{\r\n<TR>\r\n\n" + c2 +
           "\n%IF( \"$(V_PRICE)\" == \"0\")\n"
           "<TD><IMG src=\"/img/a.gif\"></TD>\n"
           "%ELSE\n"
           "<TD>$(V_PRICE)</TD>\n"
           "%ENDIF\n"
           "<!-- Object 1 End -->\n"
           "\r\n\r\n</TR>\r\n%}\r\n"},
  };
  for (const ExpandCase& c : cases) {
    SCOPED_TRACE(c.rule);
    const std::string component = Component(c.comment);
    // The builder's line ends, and the bare line feeds of macros that an
    // earlier builder wrote.
    for (const std::string lineEnd : {"\r\n", "\n"}) {
      const std::string expanded = CK7QBldDDBlock::ExpandObjectComments(component, lineEnd);
      EXPECT_EQ(expanded, lineEnd == "\n" ? c.expanded : WithCrLf(c.expanded));

      CK7QScriptedUi ui;
      CK7QBldGroceries groceries(ui);
      CK7QBldDDBlock block(groceries);
      EXPECT_EQ(block.RevertObjectComments(expanded, "Items"), component);
      ASSERT_EQ(block.GetCount(), 1);
      EXPECT_EQ(block.GetAt(0)->function, "Items");
      EXPECT_EQ(block.GetAt(0)->column, "PRICE");
    }
  }
}

TEST(ObjectComments, RevertedObjectsHoldTheCommentsFields) {
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldDDBlock block(groceries);
  const std::string items = CK7QBldDDBlock::ExpandObjectComments(
      Component("<!-- Object 1 Start\r\n2,PRICE,0,/img/a.gif,x,y\r\n-->"));
  const std::string shops = CK7QBldDDBlock::ExpandObjectComments(
      Component("<!-- Object 0 Start\r\n1,PRICE,9,nine,\r\n-->"));
  block.RevertObjectComments(items, "Items");
  block.RevertObjectComments(shops, "Shops");
  block.SortBySavedNumber();
  ASSERT_EQ(block.GetCount(), 2);
  const CK7QBldPageObject* shop = block.GetAt(0);
  EXPECT_EQ(shop->function, "Shops");
  EXPECT_EQ(shop->kind, kPageObjectText);
  EXPECT_EQ(shop->value, "9");
  EXPECT_EQ(shop->replacement, "nine");
  const CK7QBldPageObject* item = block.GetAt(1);
  EXPECT_EQ(item->function, "Items");
  EXPECT_EQ(item->kind, kPageObjectImage);
  // The list keeps the bare file name; the save adds the image path again.
  EXPECT_EQ(item->replacement, "a.gif");
  EXPECT_EQ(item->note, "x,y");
  EXPECT_EQ(block.GetObjectComment("Items", "PRICE", "/img/"),
            "<!-- Object 1 Start\n2,PRICE,0,/img/a.gif,x,y\n-->");
}

TEST(ObjectComments, TextWithoutUsableCommentsIsUnchanged) {
  const std::string texts[] = {
      "%REPORT{\r\n<TD>$(V_A)</TD>\r\n%}\r\n",
      // Not an object's start, or a kind the builder never writes.
      "<TD>x</TD><!-- Object 0 End -->\r\n",
      "<TD>x</TD><!-- Object 0 Start\r\n7,A,1,R,\r\n-->\r\n",
      "<TD>x</TD><!-- Object 0 Start\r\n1,A,1\r\n-->\r\n",
      // No closing "-->".
      "<TD>x</TD><!-- Object 0 Start\r\n1,A,1,R,",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(CK7QBldDDBlock::ExpandObjectComments(text), text);
  }
}

TEST(ObjectComments, NoCompleteCellBeforeTheComment) {
  const std::string comment = "<!-- Object 0 Start\r\n1,A,1,R,\r\n-->";
  const std::string component = "<TD>$(V_A)\r\n" + comment + "\r\nrest";
  const std::string expanded = CK7QBldDDBlock::ExpandObjectComments(component);
  EXPECT_EQ(expanded, WithCrLf("<TD>$(V_A)\r\n\n" + comment +
                               "\n%IF( \"$(V_A)\" == \"1\")\n<TD>R</TD>\n%ELSE\n\n%ENDIF\n"
                               "<!-- Object 0 End -->\n\r\nrest"));
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldDDBlock block(groceries);
  EXPECT_EQ(block.RevertObjectComments(expanded, "F"), component);
}

TEST_F(PageObjects, ExpandsComponentFileInPlace) {
  CK7QTempDir dir;
  const std::string path = dir.File("M.k7q_fun_Items");
  const std::string comment = "<!-- Object 0 Start\r\n0,PRICE,1,#00FF00,\r\n-->";
  K7QWriteFile(path, Component(comment));
  ASSERT_TRUE(m_block.ExpandObjectCommentsInFile(path));
  EXPECT_EQ(K7QReadFile(path), CK7QBldDDBlock::ExpandObjectComments(Component(comment)));
  EXPECT_EQ(K7QReadFile(dir.File("M.tmp")), "");

  const std::string plain = dir.File("M.k7q_fun_Plain");
  K7QWriteFile(plain, "%{\r\n%}\r\n");
  EXPECT_TRUE(m_block.ExpandObjectCommentsInFile(plain));
  EXPECT_EQ(K7QReadFile(plain), "%{\r\n%}\r\n");

  EXPECT_FALSE(m_block.ExpandObjectCommentsInFile(dir.File("missing")));
  ASSERT_EQ(m_ui.m_shown.size(), 1u);
  EXPECT_EQ(m_ui.m_shown[0].icon, K7QIcon::Stop);
}

// Reports shaped as the function writer leaves them (the comment on the
// lines after each line showing the bound variable, CR LF everywhere), made
// at random with blank lines, cells in any letter case and the variable
// second on its line: expanding and reverting gives the same bytes.
std::vector<std::string> PageLines(const std::string& text) {
  std::vector<std::string> lines;
  bool inComment = false;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t lf = text.find('\n', start);
    if (lf == std::string::npos) lf = text.size();
    std::string line = text.substr(start, lf - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = lf + 1;
    // The function reader drops object comments the same way.
    if (inComment || line.rfind("<!-- Object ", 0) == 0) {
      inComment = line.find("-->") == std::string::npos;
      continue;
    }
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

TEST(ObjectComments, RandomReportsRevertToTheirText) {
  const char* const plain[] = {"<TR>", "</TR>", "<TD>x</TD>", "text", "<TABLE>"};
  const char* const bound[] = {"<TD>$(V_A)</TD>", "<TR><TD>1</TD><TD>$(V_A)</TD>", "$(V_A) bare",
                               "<TD><B>$(V_A)</B></TD></TR>",
                               "<td>$(V_B)</td><td class=\"n\">(x) $(V_A)</td>x"};
  std::mt19937 random(20261208);
  for (int round = 0; round < 400; ++round) {
    const bool blankLines = round % 2 == 1;
    const std::string comment = "<!-- Object " + std::to_string(random() % 3) + " Start\r\n" +
                                std::to_string(random() % 3) + ",A,1,R,n\r\n-->";
    std::string report = "%REPORT{\r\n";
    const int lines = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < lines; ++i) {
      if (blankLines && random() % 4 == 0) report += "\r\n";
      if (random() % 3 == 0) {
        report += bound[random() % std::size(bound)];
        report += "\r\n" + comment + "\r\n";
      } else {
        report += plain[random() % 5];
        report += "\r\n";
      }
    }
    report += "%}\r\n";
    SCOPED_TRACE(report);

    CK7QScriptedUi ui;
    CK7QBldGroceries groceries(ui);
    CK7QBldDDBlock block(groceries);
    const std::string reverted =
        block.RevertObjectComments(CK7QBldDDBlock::ExpandObjectComments(report), "F");
    EXPECT_EQ(reverted, report);
    EXPECT_EQ(PageLines(reverted), PageLines(report));
  }
}

}  // namespace

namespace {

TEST(ObjectChecks, FieldsTheCommentCannotCarryAreRefused) {
  struct Case {
    const char* rule;
    int kind;
    std::string value, replacement, note;
    unsigned refused;
  };
  const Case cases[] = {
      {"comma in the text", kPageObjectText, "1", " sold out, ", "a, b", kIdsObjectTextRefused},
      {"all can go", kPageObjectText, "1", " sold out ", "a, b \"c\"", 0},
      {"comma splits the value", kPageObjectText, "1,2", "x", "", kIdsObjectValueRefused},
      {"quote breaks the condition", kPageObjectText, "a\"b", "x", "", kIdsObjectValueRefused},
      {"--> ends the comment", kPageObjectText, "a-->", "x", "", kIdsObjectValueRefused},
      {"line break in the value", kPageObjectText, "a\nb", "x", "", kIdsObjectValueRefused},
      {"--> in the text", kPageObjectText, "1", "x-->", "", kIdsObjectTextRefused},
      {"line break in the text", kPageObjectText, "1", "x\r\ny", "", kIdsObjectTextRefused},
      {"quote in a text is fine", kPageObjectText, "1", "it's \"new\"", "", 0},
      {"single quote ends the script string", kPageObjectBackground, "1", "/img/it's.gif", "",
       kIdsObjectPathRefused},
      {"comma in a path", kPageObjectBackground, "1", "/img/a,b.gif", "", kIdsObjectPathRefused},
      {"colour", kPageObjectBackground, "1", "#FF0000", "", 0},
      {"--> in the note", kPageObjectImage, "1", "a.gif", "x --> y", kIdsObjectNoteRefused},
      {"line break in the note", kPageObjectImage, "1", "a.gif", "x\ny", kIdsObjectNoteRefused},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CK7QBldDDBlock::CheckFields(c.kind, c.value, c.replacement, c.note), c.refused)
        << c.rule;
  }
}

TEST(ObjectChecks, ImageFileNames) {
  const std::pair<const char*, bool> names[] = {
      {".gif", false},  // four characters: a bare extension
      {"a.gif", true},  // longer than four
      {"ab,c.gif", false},   {"a;b.jpg", false},    {"a\"b.bmp", false}, {"a\\b.gif", false},
      {"photo.png", false},  {"photo.jpg", true},   {"PHOTO.JPG", true}, {"icon.Bmp", true},
      {"photo.jpeg", false}, {"photo.gif ", false},
  };
  for (const auto& [name, ok] : names) EXPECT_EQ(CK7QBldDDBlock::IsImageFileName(name), ok) << name;
}

TEST(ObjectComments, TextAndNoteKeepTheirBlanksThroughSaveAndOpen) {
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldDDBlock written(groceries);
  written.AddOrReplace(kPageObjectText, "9", "  ", "Items", "ITEMS", "PRICE", " note, with comma ");
  const std::string comment = written.GetObjectComment("Items", "PRICE", "/");
  const std::string expanded = CK7QBldDDBlock::ExpandObjectComments(WithCrLf(Component(comment)));
  EXPECT_NE(expanded.find("<TD>  </TD>"), std::string::npos);
  CK7QBldDDBlock read(groceries);
  EXPECT_EQ(read.RevertObjectComments(expanded, "Items"), WithCrLf(Component(comment)));
  ASSERT_EQ(read.GetCount(), 1);
  EXPECT_EQ(read.GetAt(0)->replacement, "  ");
  EXPECT_EQ(read.GetAt(0)->note, " note, with comma ");
  EXPECT_EQ(read.GetObjectComment("Items", "PRICE", "/"), comment);
}

}  // namespace
