// The batch form as scripts use it: the real program, its exit status and
// its messages on standard error.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "K7QBldFile.h"
#include "PbuildTestSupport.h"

namespace {

struct Result {
  int status = -1;
  std::string errors;
};

Result RunBatch(const std::string& arguments) {
  const std::string errors = ProcessFolder() + "/batch.err";
  const std::string command =
      std::string(K7Q_PBUILD_BIN) + " " + arguments + " >/dev/null 2>'" + errors + "'";
  const int raw = std::system(command.c_str());
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.errors = K7QReadFile(errors);
  return r;
}

void WriteImageSetting() {
  const std::string folder = ProcessFolder() + "/config/Halvard";
  std::filesystem::create_directories(folder);
  K7QWriteFile(folder + "/K7QBld.ini",
               "[FilePath]\nDataBaseImagePath=" + std::string(K7Q_SOURCE_DIR) + "/data/tovra\n");
}

}  // namespace

TEST(PbuildBatch, RunsWithoutWindowsAndAnswersQuestionsFromFlags) {
  MakeSqlite(kDsnB,
             "CREATE TABLE t(id INTEGER, pic BLOB);\nINSERT INTO t VALUES (1, X'424D00');\n");
  WriteImageSetting();
  CK7QTempDir base;
  const std::string common =
      std::string("--dsn ") + kDsnB + " --user k7q --password pw --folder '" + base.Path() + "'";
  Result r = RunBatch(common);
  ASSERT_EQ(r.status, 0) << r.errors;
  const std::string folder = base.Path() + "/k7q_pro_K7QTestB";
  EXPECT_EQ(FolderEntries(folder),
            (std::vector<std::string>{"K7QTestB.k7q_pro", "LOB00000.bmp", "k7q_loop_end.gif",
                                      "k7q_loop_start.gif"}));
  EXPECT_NE(r.errors.find("124: "), std::string::npos);

  // The folder exists now: without --replace the run is declined.
  r = RunBatch(common + " --no-samples");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.errors.find("140: "), std::string::npos);
  EXPECT_NE(r.errors.find("1007: "), std::string::npos);
  EXPECT_TRUE(K7QFile::Exists(folder + "/LOB00000.bmp"));

  r = RunBatch(common + " --no-samples --replace");
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_FALSE(K7QFile::Exists(folder + "/LOB00000.bmp"));
  for (const std::string& line : Lines(folder + "/K7QTestB.k7q_pro")) {
    if (line.rfind("t ", 0) == 0) {
      EXPECT_EQ(line.size(), 76u);
    }
  }
}

TEST(PbuildBatch, FailuresEndWithAStatusOtherThanZero) {
  CK7QTempDir base;
  Result r = RunBatch(std::string("--dsn ") + kDsnBroken + " --user k7q --password pw --folder '" +
                      base.Path() + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.errors.find("154: "), std::string::npos);
  EXPECT_TRUE(FolderEntries(base.Path()).empty());
  r = RunBatch("--dsn x --user k7q --folder relative/path");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.errors.find("149: "), std::string::npos);
  r = RunBatch("--dsn x --bogus");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.errors.find("1008: "), std::string::npos);
}
