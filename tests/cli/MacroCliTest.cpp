#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "K7QBldFile.h"
#include "K7QTestSupport.h"

namespace {

const std::string kSamples = std::string(K7Q_SOURCE_DIR) + "/data/tovra/samples/";
const std::string kProfile =
    std::string(K7Q_TEST_DATA_DIR) + "/core/data/profiles/shop/shop.k7q_pro";

struct K7qRun {
  int status;
  std::string err;
};

K7qRun RunK7q(const CK7QTempDir& dir, const std::vector<std::string>& args) {
  const int status = K7QRunK7q(args, dir.File("out"), dir.File("err"));
  return {status, K7QReadFile(dir.File("err"))};
}

// The sample pages built into a macro by the builder's save.
std::string BuildSample(const CK7QTempDir& dir) {
  const std::string macro = dir.File("shop.k7q");
  EXPECT_EQ(RunK7q(dir, {"build", "--profile", kProfile, "--input", kSamples + "shop_input.htm",
                         "--report", kSamples + "shop_report.htm", "-o", macro})
                .status,
            0);
  return macro;
}

TEST(MacroCli, ResaveOfTheBuildersMacroGivesItsBytes) {
  CK7QTempDir dir;
  const std::string macro = BuildSample(dir);
  const K7qRun run =
      RunK7q(dir, {"macro", "resave", macro, "--profile", kProfile, "-o", dir.File("again.k7q")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(K7QReadFile(dir.File("again.k7q")), K7QReadFile(macro));
}

// A file without the builder's mark is opened only when asked for: without
// a terminal the question is answered No and nothing is written.
TEST(MacroCli, FileThatIsNoMacroIsOpenedOnlyWithYes) {
  CK7QTempDir dir;
  const std::string page = dir.File("notes.k7q");
  K7QWriteFile(page, "<HTML><BODY>\r\n<P>my notes</P>\r\n</BODY></HTML>\r\n");
  K7qRun run = RunK7q(dir, {"macro", "resave", page, "--profile", kProfile, "-o", page});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("k7q: 62354: "), std::string::npos) << run.err;
  EXPECT_EQ(K7QReadFile(page), "<HTML><BODY>\r\n<P>my notes</P>\r\n</BODY></HTML>\r\n");

  run = RunK7q(dir,
               {"macro", "resave", page, "--profile", kProfile, "-o", dir.File("m.k7q"), "--yes"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("k7q: 62354: "), std::string::npos) << run.err;
  EXPECT_EQ(K7QReadFile(dir.File("m.k7q")).rfind("%{\r\n<META name=\"GENERATOR\"", 0), 0u);
}

// What the open leaves out is reported, and the macro is not written again
// without it.
TEST(MacroCli, MacroWithPartsLeftOutIsNotResaved) {
  CK7QTempDir dir;
  const std::string macro = BuildSample(dir);
  const std::string text = K7QReadFile(macro);
  const std::string header = "%FUNCTION(RZV_SQL)CUSTOMER_ROWS(){";
  const std::size_t at = text.find(header);
  ASSERT_NE(at, std::string::npos);
  struct Case {
    const char* rule;
    std::string macro;
    unsigned id;
  };
  const Case cases[] = {
      {"two functions of one name",
       text.substr(0, at) + "%FUNCTION(RZV_SQL)PRODUCT_TABLE(){" + text.substr(at + header.size()),
       63206},
      {"a function name that cannot be used",
       text.substr(0, at) + "%FUNCTION(RZV_SQL)a&b(){" + text.substr(at + header.size()), 63010},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    K7QWriteFile(dir.File("in.k7q"), c.macro);
    K7QWriteFile(dir.File("out.k7q"), "old");
    K7qRun run = RunK7q(dir, {"macro", "resave", dir.File("in.k7q"), "--profile", kProfile, "-o",
                              dir.File("out.k7q")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("k7q: " + std::to_string(c.id) + ": "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("nothing written"), std::string::npos);
    EXPECT_EQ(K7QReadFile(dir.File("out.k7q")), "old");
    run = RunK7q(dir, {"macro", "show", dir.File("in.k7q"), "--profile", kProfile});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(K7QReadFile(dir.File("out")).find("function\tPRODUCT_TABLE"), std::string::npos);
  }
}

}  // namespace
