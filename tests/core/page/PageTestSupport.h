#pragma once

// What the page tests share: the markup the database sheet drops, a
// profile folder with a converter over it, random pages of every loop kind,
// and the round trip of a page through a saved and reopened macro.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "K7QBldDocCore.h"
#include "K7QBldFile.h"
#include "K7QBldMacro.h"
#include "K7QBldPageConverter.h"
#include "K7QTestSupport.h"

namespace {

const std::string kData = std::string(K7Q_TEST_DATA_DIR) + "/core/data/pages/";

const std::string S = "<IMG src=\"k7q_loop_start.gif\" alt=\"";
const std::string E = "<IMG src=\"k7q_loop_end.gif\" height=\"10\" width=\"438\">";

inline std::string Start(const std::string& kindAndName) {
  return S + kindAndName + "\" height=\"11\" width=\"436\">";
}
inline std::string Tag(const std::string& variable, const std::string& shown) {
  return "<K7Q macro=\"$(V_" + variable + ")\"><FONT color=\"#800080\">" + shown + "</FONT></K7Q>";
}
const std::string kGenerator =
    "%{\n<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">\n%}\n";

// The input-form fragment exactly as the repeat controls write it.
const std::string kFormFragment =
    "<FORM method=\"GET\" action=\"/cgi-bin/k7q/shop.k7q/report\">\n"
    "    <INPUT NAME=\"QNAME\" SIZE=\"20\">\n"
    "    <INPUT TYPE=\"SUBMIT\" VALUE=\"Send\">\n"
    "    <INPUT TYPE=\"RESET\" VALUE=\"Reset\">\n"
    "</FORM>";

class PageConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"mini.k7q_pro", "LOB00000.gif", "LOB00001.txt"})
      K7QFile::CopyBinary(kData + "profile/" + name, m_dir.File(name));
    ASSERT_TRUE(m_macro.Profile().Read(m_dir.File("mini.k7q_pro")));
  }

  std::string Page() const { return m_dir.File("T_HTML_REPORT.htm"); }
  std::string Converted() const { return m_dir.File("T_HTML_REPORT.cvt"); }
  std::string Component(const std::string& name) const {
    return m_dir.File("T_HTML_REPORT.k7q_fun_" + name);
  }
  // The files of the folder other than the profile's.
  std::vector<std::string> WorkingFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(m_dir.Path())) {
      const std::string n = e.path().filename().string();
      if (n != "mini.k7q_pro" && n.rfind("LOB", 0) != 0) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
  }
  bool Convert(const std::string& page, K7QStringList& components, bool read = false) {
    K7QWriteFile(Page(), page);
    return m_converter.ConvertAfterEditing(Page(), components, read);
  }

  CK7QTempDir m_dir;
  CK7QScriptedUi m_ui;
  CK7QBldGroceries m_groceries{m_ui};
  CK7QBldMacro m_macro{m_groceries};
  CK7QBldPageConverter m_converter{m_macro};
};

// Random pages from the fragments the database sheet drops: loops of every
// kind holding value tags, images, large texts, anchors and hidden fields with
// row variables, header and footer rows, option lists; forms and value tags
// outside loops; CP932 text; CR LF or LF line ends. A loop never mixes two
// columns of the same name from different tables: the row template names a
// column without its table, so such a loop cannot be told apart again.
class CRandomPage {
 public:
  explicit CRandomPage(unsigned seed) : m_random(seed) {}

  std::string Make() {
    m_nl = Pick(2) ? "\r\n" : "\n";
    std::string page = "<HTML><BODY>" + m_nl;
    const int loops = 1 + Pick(4);
    for (int i = 0; i < loops; ++i) {
      page += Text() + m_nl;
      if (Pick(4) == 0) page += Tag(Column(kOutside)) + m_nl;
      if (Pick(5) == 0)
        page += "<FORM action=\"/x\"><INPUT name=\"f" + std::to_string(i) + "\"></FORM>" + m_nl;
      page += Loop("L" + std::to_string(i)) + (Pick(2) ? m_nl : std::string());
    }
    return page + "</BODY></HTML>" + m_nl;
  }

 private:
  static constexpr int kOutside = -1;

  int Pick(int n) { return static_cast<int>(m_random() % static_cast<unsigned>(n)); }

  // Column pools that never repeat a column name.
  std::string Column(int pool) {
    static const std::vector<std::vector<std::string>> pools = {
        {"ITEMS.NAME", "ITEMS.PRICE", "ITEMS.CODE"},
        {"SHOPS.NAME", "SHOPS.CITY"},
        {"ITEMS.PRICE", "SHOPS.CITY", "ITEMS.CODE"}};
    const auto& p = pools[static_cast<std::size_t>(pool < 0 ? Pick(3) : pool)];
    return p[static_cast<std::size_t>(Pick(static_cast<int>(p.size())))];
  }
  std::string Text() {
    static const std::vector<std::string> texts = {"Price list", K7QSjis("ソフトクリーム"),
                                                   "a &amp; b", K7QSjis("表示"), ""};
    return texts[static_cast<std::size_t>(Pick(static_cast<int>(texts.size())))];
  }
  static std::string Tag(const std::string& column) {
    return "<K7Q macro=\"$(V_" + column + ")\"><FONT color=\"#800080\">x</FONT></K7Q>";
  }
  // One piece of a row: at least one value shows.
  std::string Piece(int pool) {
    const std::string column = Column(pool);
    switch (Pick(7)) {
      case 0:
        return "<A href=\"item?v=$(V_" + column + ")\">" + Tag(column) + "</A>";
      case 1:
        return "<K7Q macro=\"$(V_ITEMS.PHOTO)\"><IMG src=\"p.gif\" width=\"20\"></K7Q>";
      case 2:
        return "<K7Q macro=\"$(V_ITEMS.NOTE)\" type=\"CLOB\"><FONT color=\"#800080\">t<BR>" + m_nl +
               "</FONT></K7Q>";
      case 3:
        return Tag(column) + "<INPUT TYPE=\"hidden\" VALUE=\"$(V_" + column + ")\">";
      case 4:
        return Text() + " " + Tag(column);
      default:
        return Tag(column);
    }
  }
  std::string Row(int pool, const char* cell) {
    std::string row = "<TR>";
    for (int i = Pick(3); i >= 0; --i)
      row += std::string("<") + cell + ">" + Piece(pool) + "</" + cell + ">";
    return row + "</TR>";
  }
  std::string Loop(const std::string& name) {
    const int pool = Pick(2) ? 0 : Pick(2) + 1;  // PHOTO and NOTE belong with ITEMS
    const int piecePool = pool == 1 ? 1 : pool;
    const auto p = [&](int) { return pool == 1 ? Tag(Column(1)) : Piece(piecePool); };
    switch (Pick(3)) {
      case 0: {
        std::string body = Pick(2) ? m_nl : std::string();
        for (int i = Pick(3); i >= 0; --i) body += "<P>" + p(i) + (Pick(2) ? m_nl : std::string());
        // A row loop may repeat a whole small table.
        if (Pick(3) == 0) body += "<TABLE><TR><TD>" + p(0) + "</TD></TR></TABLE>" + m_nl;
        return Start("ROW:" + name) + body + E;
      }
      case 1: {
        std::string body = m_nl + "<TABLE border=\"1\">" + m_nl;
        if (Pick(2)) body += "    <TR><TH>" + Text() + "</TH></TR>" + m_nl;
        body += "    " +
                (pool == 1 ? "<TR><TD>" + Tag(Column(1)) + "</TD></TR>" : Row(piecePool, "TD")) +
                m_nl;
        if (Pick(2)) body += "    <TR><TD>total</TD></TR>" + m_nl;
        return Start("TABLE:" + name) + body + "</TABLE>" + m_nl + E;
      }
      default: {
        std::string options;
        for (int i = Pick(2); i >= 0; --i) {
          const std::string column = Column(pool);
          options += "        <OPTION value=\"$(V_" + column + ")\">" + m_nl + "            $(V_" +
                     column + ")</OPTION>" + m_nl;
        }
        return S + "OPTION:" + name + "\"  height=\"11\" width=\"436\">" + m_nl +
               "<FORM method=\"GET\" action=\"/x\">" + m_nl + "<SELECT name=\"s" + name + "\">" +
               m_nl + options + m_nl + "    </SELECT>" + m_nl + "    </FORM>" + m_nl + "\t" + E;
      }
    }
  }

  std::mt19937 m_random;
  std::string m_nl;
};

class PageRoundTrip : public PageConverterTest {
 protected:
  // Converts both pages as the author left them, saves, opens the macro
  // again, prepares and converts both pages unchanged and saves again: the
  // two macros must be equal. `refine` may change the functions in between.
  void Check(const std::string& input, const std::string& report,
             const std::function<void()>& refine = {}) {
    const std::string macroPath = m_dir.File("T.k7q");
    m_macro.Reset();
    CK7QBldDocCore document(m_macro);
    for (const auto& [side, text] :
         {std::pair{kHtmlInput, input}, std::pair{kHtmlReport, report}}) {
      const std::string page = CK7QBldHTMLBlock::PageName(m_dir.Path(), "T", side);
      K7QWriteFile(page, text);
      (side == kHtmlInput ? m_macro.Input() : m_macro.Report()).Set({}, page);
      K7QStringList components;
      ASSERT_TRUE(m_converter.ConvertAfterEditing(page, components));
    }
    if (refine) refine();
    ASSERT_TRUE(document.Save(macroPath));
    m_first = K7QReadFile(macroPath);

    ASSERT_EQ(document.Open(macroPath), CK7QBldDocCore::OpenResult::Ok);
    for (CK7QBldHTMLBlock* block : {&m_macro.Input(), &m_macro.Report()}) {
      ASSERT_TRUE(m_converter.PrepareForEditing(block->PagePath()));
      m_prepared[block == &m_macro.Input() ? 0 : 1] = K7QReadFile(block->PagePath());
      K7QStringList components;
      ASSERT_TRUE(m_converter.ConvertAfterEditing(block->PagePath(), components));
    }
    ASSERT_TRUE(document.Save(macroPath));
    EXPECT_EQ(K7QReadFile(macroPath), m_first);
    document.DeleteWorkingFiles();
  }

  std::string m_first;
  std::string m_prepared[2];
};

}  // namespace
