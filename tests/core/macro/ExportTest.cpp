#include <gtest/gtest.h>

#include <string>

#include "K7QBldGroceries.h"
#include "K7QBldMacroExport.h"
#include "K7QTestSupport.h"

namespace {

struct ConvertCase {
  const char* rule;
  std::string macro;
  std::string expected;
};

TEST(MacroExport, Converts) {
  const ConvertCase cases[] = {
      {"CR LF pairs become line feeds", "%DEFINE{\r\nA=\"1\"\r\n%}\r\n", "%DEFINE{\nA=\"1\"\n%}\n"},
      {"a line ending in a bare line feed keeps its last character",
       "<P>\r\n\n@F()\r\n%endif\n<!-- CAMP End -->\n@G()",
       "<P>\n\n@F()\n%endif\n<!-- CAMP End -->\n@G()"},
      {"the last piece without a line feed stays", "a\r\nlast\r", "a\nlast\r"},
      {"an empty line of CR LF", "\r\n\r\n", "\n\n"},
      {"only the upper-case command when both are there",
       "%EXEC \"type a\"\r\nCLOBTYPE=%EXEC \"TYPE b\" %EXEC \"TYPE c\"",
       "%EXEC \"type a\"\nCLOBTYPE=%EXEC \"cat b\" %EXEC \"TYPE c\""},
      {"the lower-case command when it is the only one", "X=%EXEC \"type f\"", "X=%EXEC \"cat f\""},
      {"TYPE without %EXEC is text", "TYPE \"TYPE x\"", "TYPE \"TYPE x\""},
      {"the first backslash of each translate argument",
       "@RZV_TRANSLATE(V_A.B,\"\\\",ClobData) $(CLOBTYPE) @RZV_TRANSLATE(V_C,\"x\\y\\z\")",
       "@RZV_TRANSLATE(V_A.B,\"/\",ClobData) $(CLOBTYPE) @RZV_TRANSLATE(V_C,\"x/y\\z\")"},
      {"a translate argument without backslash; one after its ')' is not its own",
       "@RZV_TRANSLATE(V_A,\"x\") \\", "@RZV_TRANSLATE(V_A,\"x\") \\"},
      {"the trail byte of a double-byte character is no backslash",
       K7QSjis("@RZV_TRANSLATE(V_ソ,\"\\\")"), K7QSjis("@RZV_TRANSLATE(V_ソ,\"/\")")},
      {"an unclosed translate call", "@RZV_TRANSLATE(V_A,\"\\", "@RZV_TRANSLATE(V_A,\"/"},
  };
  for (const ConvertCase& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(CK7QBldMacroExport::Convert(c.macro), c.expected);
  }
}

TEST(MacroExport, WritesTheConvertedFile) {
  CK7QTempDir dir;
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  const std::string macro = dir.File("m.k7q");
  const std::string target = dir.File("out.k7q");
  K7QWriteFile(macro, "CLOBTYPE=%EXEC \"TYPE @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"\r\n");
  K7QWriteFile(target, "an older, longer export that must not survive\r\n");
  ASSERT_TRUE(CK7QBldMacroExport::ExportFile(groceries, macro, target));
  EXPECT_EQ(K7QReadFile(target),
            "CLOBTYPE=%EXEC \"cat @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"\n");
  EXPECT_TRUE(ui.m_shown.empty());
}

TEST(MacroExport, MissingMacroIsReportedAsFileError) {
  CK7QTempDir dir;
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  EXPECT_FALSE(
      CK7QBldMacroExport::ExportFile(groceries, dir.File("none.k7q"), dir.File("out.k7q")));
  ASSERT_EQ(ui.m_shown.size(), 1u);
  EXPECT_EQ(ui.m_shown[0].icon, K7QIcon::Stop);
  EXPECT_NE(ui.m_shown[0].text.find("none.k7q"), std::string::npos);
  EXPECT_EQ(K7QReadFile(dir.File("out.k7q")), "");
}

}  // namespace
