// k7q build and k7q macro against the author's files: refused variables, a
// profile folder in use, and an open that cannot write its working copy.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "K7QBldLock.h"
#include "K7QTestSupport.h"

namespace {

const std::string kShopProfile = std::string(K7Q_TEST_DATA_DIR) + "/core/data/profiles/shop/";

// A copy of the shop profile in a folder of its own; returns the profile path.
std::string CopyProfile(const CK7QTempDir& dir) {
  K7QCopyFixtureFolder(kShopProfile, dir.File("profile"));
  return dir.File("profile/shop.k7q_pro");
}

TEST(DocumentCli, DefinesThatWouldBreakTheMacroAreRefused) {
  CK7QTempDir dir;
  const std::string profile = CopyProfile(dir);
  const struct {
    const char* define;
    unsigned message;
  } cases[] = {
      {"DATABASE=OTHER", 63100},                        // the define section's own lines
      {"clobtype=x", 63100},        {"A\"B=1", 63101},  // would cut the line
      {"TAX=say \"hi\"", 63102},                        // would end the value
      {"TAX=50%}", 63102},                              // would end the section
      {"TAX=a\nb", 63102},                              // would start a line of its own
      {"V_TAX=1", 62368},                               // the builder's prefix
      {"price=1", 62370},                               // a column of the profile
      {"K7Q_IMG_PATH=img/", 62401}, {"TAX=", 62326},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        K7QRunK7q({"build", "--profile", profile, "--define", c.define, "-o", dir.File("m.k7q")},
                  dir.File("out"), dir.File("err")),
        1)
        << c.define;
    EXPECT_NE(K7QReadFile(dir.File("err")).find("k7q: " + std::to_string(c.message) + ": "),
              std::string::npos)
        << c.define << ": " << K7QReadFile(dir.File("err"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("m.k7q"))) << c.define;
  }
  // What the dialog accepts, the command line accepts.
  ASSERT_EQ(K7QRunK7q({"build", "--profile", profile, "--define", "MY_DATABASE=SHOP2", "-o",
                       dir.File("m.k7q")},
                      dir.File("out"), dir.File("err")),
            0);
  EXPECT_NE(K7QReadFile(dir.File("m.k7q")).find("MY_DATABASE=\"SHOP2\""), std::string::npos);
}

TEST(DocumentCli, AProfileFolderInUseIsNotWorkedIn) {
  CK7QTempDir dir;
  const std::string profile = CopyProfile(dir);
  ASSERT_EQ(K7QRunK7q({"build", "--profile", profile, "-o", dir.File("profile/m.k7q")},
                      dir.File("out"), dir.File("err")),
            0);
  const std::string macro = K7QReadFile(dir.File("profile/m.k7q"));
  // As a builder holds it while the profile is open.
  CK7QBldLock lock;
  ASSERT_EQ(lock.Acquire(CK7QBldLock::FolderLockPath(dir.File("profile")), "K7QBld"),
            CK7QBldLock::Result::Locked);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"build", "--profile", profile, "--define", "TAX=8", "-o",
                                 dir.File("profile/m.k7q")},
        std::vector<std::string>{"macro", "resave", dir.File("profile/m.k7q"), "--profile", profile,
                                 "-o", dir.File("profile/m.k7q")}}) {
    EXPECT_EQ(K7QRunK7q(args, dir.File("out"), dir.File("err")), 1) << args[0];
    const std::string err = K7QReadFile(dir.File("err"));
    EXPECT_NE(err.find("k7q: 63107: "), std::string::npos) << err;
    EXPECT_NE(err.find("K7QBld, process " + std::to_string(::getpid())), std::string::npos) << err;
  }
  EXPECT_EQ(K7QReadFile(dir.File("profile/m.k7q")), macro);
  lock.Release();
  EXPECT_FALSE(std::filesystem::exists(CK7QBldLock::FolderLockPath(dir.File("profile"))));
  EXPECT_EQ(K7QRunK7q({"macro", "show", dir.File("profile/m.k7q"), "--profile", profile},
                      dir.File("out"), dir.File("err")),
            0);
}

// Runs k7q with files limited to `limit` bytes, as on a disk that fills up.
int RunK7qWithFileLimit(const std::vector<std::string>& args, rlim_t limit,
                        const std::string& errFile) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    const rlimit fileSize{limit, limit};
    ::setrlimit(RLIMIT_FSIZE, &fileSize);
    // A write past the limit fails with EFBIG instead of ending the process.
    ::signal(SIGXFSZ, SIG_IGN);
    std::freopen(errFile.c_str(), "w", stderr);
    std::freopen("/dev/null", "w", stdout);
    std::vector<char*> argv;
    const std::string program = std::string(K7Q_BIN_DIR) + "/k7q";
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DocumentCli, AnOpenThatCannotWriteItsWorkingCopyFailsAndSavesNothing) {
  CK7QTempDir dir;
  const std::string profile = CopyProfile(dir);
  ASSERT_EQ(K7QRunK7q({"build", "--profile", profile, "--report",
                       std::string(K7Q_SOURCE_DIR) + "/data/tovra/samples/shop_report.htm", "-o",
                       dir.File("m.k7q")},
                      dir.File("out"), dir.File("err")),
            0);
  // A large second function of a name already used, as a hand edit may
  // leave it: an open that went on with part of the working copy would keep
  // the first function and nothing after the cut.
  std::string macro = K7QReadFile(dir.File("m.k7q"));
  const std::size_t second = macro.find("%{\r\n<META", macro.find("%FUNCTION"));
  ASSERT_NE(second, std::string::npos);
  std::string duplicate =
      "%FUNCTION(RZV_SQL)PRODUCT_TABLE(){\r\nSELECT products.name FROM products\r\n";
  for (int i = 0; i < 120; ++i) duplicate += "-- " + std::string(100, 'x') + "\r\n";
  macro.insert(second, duplicate + "%}\r\n");
  K7QWriteFile(dir.File("m.k7q"), macro);
  ASSERT_LT(std::filesystem::file_size(profile), 8000u);
  ASSERT_GT(macro.size(), 8000u + 4000u);

  EXPECT_EQ(RunK7qWithFileLimit({"macro", "resave", dir.File("m.k7q"), "--profile", profile, "-o",
                                 dir.File("m.k7q")},
                                8000, dir.File("err")),
            1);
  EXPECT_TRUE(K7QReadFile(dir.File("m.k7q")) == macro) << "the macro was written over";
  // The failed write is reported with its file.
  EXPECT_NE(K7QReadFile(dir.File("err")).find(".rst"), std::string::npos)
      << K7QReadFile(dir.File("err"));
}

}  // namespace
