#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "K7QTestSupport.h"

namespace {

// Runs the built k7q with `args` (no shell) and gives its exit status.
int RunK7qExport(const std::vector<std::string>& args) { return K7QRunK7q(args, {}, "/dev/null"); }

TEST(ExportCli, WritesTheConvertedCopy) {
  CK7QTempDir dir;
  const std::string macro = dir.File("m.k7q");
  const std::string out = dir.File("m_unix.k7q");
  K7QWriteFile(
      macro,
      "%DEFINE{\r\nCLOBTYPE=%EXEC \"TYPE @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"\r\n%}\r\n"
      "<P>\n@F()</P>\r\n"
      "@RZV_TRANSLATE(V_T.C,\"\\\",ClobData) $(CLOBTYPE)");
  ASSERT_EQ(RunK7qExport({"export", macro, "-o", out}), 0);
  EXPECT_EQ(K7QReadFile(out),
            "%DEFINE{\nCLOBTYPE=%EXEC \"cat @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"\n%}\n"
            "<P>\n@F()</P>\n"
            "@RZV_TRANSLATE(V_T.C,\"/\",ClobData) $(CLOBTYPE)");
}

TEST(ExportCli, ExitStatuses) {
  CK7QTempDir dir;
  const std::string macro = dir.File("m.k7q");
  K7QWriteFile(macro, "x\r\n");
  EXPECT_EQ(RunK7qExport({"export", dir.File("missing.k7q"), "-o", dir.File("o.k7q")}), 1);
  EXPECT_EQ(RunK7qExport({"export", macro}), 2);
  EXPECT_EQ(RunK7qExport({"export", macro, "-o"}), 2);
  EXPECT_EQ(RunK7qExport({"export", macro, "-o", macro}), 2);
  // The same file spelled another way, or through a link, is still the macro.
  EXPECT_EQ(RunK7qExport({"export", macro, "-o", dir.Path() + "/./m.k7q"}), 2);
  std::filesystem::create_symlink(macro, dir.File("link.k7q"));
  EXPECT_EQ(RunK7qExport({"export", dir.File("link.k7q"), "-o", macro}), 2);
  EXPECT_EQ(RunK7qExport({"export", macro, "other.k7q", "-o", dir.File("o.k7q")}), 2);
  EXPECT_EQ(K7QReadFile(macro), "x\r\n");
}

}  // namespace
