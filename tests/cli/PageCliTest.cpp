#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "K7QBldFile.h"
#include "K7QTestSupport.h"

namespace {

const std::string kSamples = std::string(K7Q_SOURCE_DIR) + "/data/tovra/samples/";
const std::string kShopProfile = std::string(K7Q_TEST_DATA_DIR) + "/core/data/profiles/shop/";

// Runs the built k7q with `args` (no shell), its output into files; the exit status.
int RunK7q(const std::vector<std::string>& args, const std::string& out, const std::string& err) {
  return K7QRunK7q(args, out, err);
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::size_t Count(const std::string& text, const std::string& needle) {
  std::size_t n = 0;
  for (std::size_t i = text.find(needle); i != std::string::npos; i = text.find(needle, i + 1)) ++n;
  return n;
}

TEST(PageCli, BuildsTheSamplePagesIntoAMacro) {
  CK7QTempDir dir;
  K7QCopyFixtureFolder(kShopProfile, dir.File("profile"));
  const std::vector<std::string> before = Listing(dir.File("profile"));
  const std::string macro = dir.File("shop.k7q");
  ASSERT_EQ(RunK7q({"build", "--profile", dir.File("profile/shop.k7q_pro"), "--input",
                    kSamples + "shop_input.htm", "--report", kSamples + "shop_report.htm",
                    "--define", "K7Q_IMG_PATH=/img/", "-o", macro},
                   dir.File("out"), dir.File("err")),
            0)
      << K7QReadFile(dir.File("err"));
  EXPECT_EQ(K7QReadFile(dir.File("out")),
            "macro\t" + macro +
                "\nfunction\tPRODUCT_TABLE\nfunction\tCUSTOMER_ROWS\nfunction\tDESCRIPTIONS\n"
                "function\tPRODUCT_OPTIONS\n");
  const std::string text = K7QReadFile(macro);
  for (const char* piece :
       {"K7Q_IMG_PATH=\"/img/\"\r\n",
        "%FUNCTION(RZV_SQL)PRODUCT_TABLE(){\r\nSELECT products.name,products.price,products.photo "
        "FROM products\r\n",
        "<TD><IMG SRC=\"$(V_photo)\"></TD></TR>\r\n%}\r\n</TABLE>",
        "<P><A href=\"mailto:$(V_email)\">$(V_name)</A> $(V_joined)\r\n",
        "@RZV_TRANSLATE(V_description,\"\\\",\"/\",ClobData) $(CLOBTYPE)",
        "        %ROW{\r\n<OPTION value=\"$(V_id)\">\r\n",
        "    <INPUT NAME=\"QNAME\" SIZE=\"20\">\r\n", "\r\n\r\n@PRODUCT_TABLE()\r\n",
        "\r\n@PRODUCT_OPTIONS()\r\n"})
    EXPECT_NE(text.find(piece), std::string::npos) << piece;
  EXPECT_EQ(Count(text, "%ROW{"), 4u);
  EXPECT_EQ(text.find("K7Q macro"), std::string::npos);
  // Nothing of the build is left in the profile folder.
  EXPECT_EQ(Listing(dir.File("profile")), before);
}

TEST(PageCli, RefusedPageFailsWithItsMessage) {
  CK7QTempDir dir;
  // A folder of its own: the build locks the profile's folder while it works.
  K7QCopyFixtureFolder(kShopProfile, dir.File("profile"));
  K7QWriteFile(dir.File("bad.htm"),
               "<IMG src=\"k7q_loop_start.gif\" alt=\"ROW:R\" height=\"11\" width=\"436\">\r\n");
  EXPECT_EQ(RunK7q({"build", "--profile", dir.File("profile/shop.k7q_pro"), "--report",
                    dir.File("bad.htm"), "-o", dir.File("m.k7q")},
                   dir.File("out"), dir.File("err")),
            1);
  EXPECT_NE(K7QReadFile(dir.File("err")).find("k7q: 62360: "), std::string::npos);
  EXPECT_NE(K7QReadFile(dir.File("err")).find("k7q: 62374: "), std::string::npos);
  EXPECT_FALSE(K7QFile::Exists(dir.File("m.k7q")));
  EXPECT_EQ(RunK7q({"build", "--profile", kShopProfile + "shop.k7q_pro"}, dir.File("out"),
                   dir.File("err")),
            2);
  EXPECT_EQ(RunK7q({"page", "convert", dir.File("bad.txt"), "--profile", "p"}, dir.File("out"),
                   dir.File("err")),
            2);
}

TEST(PageCli, ConvertThenPrepareThenConvertGivesTheSameText) {
  CK7QTempDir dir;
  const std::string profile = kShopProfile + "shop.k7q_pro";
  std::filesystem::create_directory(dir.File("a"));
  std::filesystem::create_directory(dir.File("b"));
  K7QFile::CopyBinary(kSamples + "shop_report.htm", dir.File("a/r.htm"));
  ASSERT_EQ(RunK7q({"page", "convert", dir.File("a/r.htm"), "--profile", profile}, dir.File("out"),
                   dir.File("err")),
            0);
  EXPECT_EQ(K7QReadFile(dir.File("out")),
            "converted\t" + dir.File("a/r.cvt") + "\nfunction\t" +
                dir.File("a/r.k7q_fun_PRODUCT_TABLE") + "\nfunction\t" +
                dir.File("a/r.k7q_fun_CUSTOMER_ROWS") + "\nfunction\t" +
                dir.File("a/r.k7q_fun_DESCRIPTIONS") + "\nfunction\t" +
                dir.File("a/r.k7q_fun_PRODUCT_OPTIONS") + "\n");
  // The macro form with its components, prepared again for the editor.
  K7QFile::CopyBinary(dir.File("a/r.cvt"), dir.File("b/r.htm"));
  for (const char* name : {"PRODUCT_TABLE", "CUSTOMER_ROWS", "DESCRIPTIONS", "PRODUCT_OPTIONS"})
    K7QFile::CopyBinary(dir.File("a/r.k7q_fun_") + name, dir.File("b/r.k7q_fun_") + name);
  ASSERT_EQ(RunK7q({"page", "prepare", dir.File("b/r.htm"), "--profile", profile}, dir.File("out"),
                   dir.File("err")),
            0);
  const std::string prepared = K7QReadFile(dir.File("b/r.htm"));
  EXPECT_NE(prepared.find("<K7Q macro=\"$(V_products.description)\" type=\"CLOB\">"),
            std::string::npos);
  ASSERT_EQ(RunK7q({"page", "convert", dir.File("b/r.htm"), "--profile", profile}, dir.File("out"),
                   dir.File("err")),
            0);
  EXPECT_EQ(K7QReadFile(dir.File("b/r.cvt")), K7QReadFile(dir.File("a/r.cvt")));
  for (const char* name : {"PRODUCT_TABLE", "CUSTOMER_ROWS", "DESCRIPTIONS", "PRODUCT_OPTIONS"}) {
    EXPECT_EQ(K7QReadFile(dir.File("b/r.k7q_fun_") + name),
              K7QReadFile(dir.File("a/r.k7q_fun_") + name))
        << name;
  }
}

}  // namespace
