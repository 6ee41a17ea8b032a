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

TEST(PbuildBatch, PasswordFromAFileOrStandardInput) {
  MakeSqlite(kDsnB, "CREATE TABLE t(id INTEGER);\n");
  WriteImageSetting();
  const struct {
    const char* rule;
    std::string arguments;
    int status;
    std::string password;  // as the profile holds it
    const char* message;
  } rows[] = {
      {"first line of a file, line end removed", "--password-file '" + ProcessFolder() + "/pw'", 0,
       "from file", nullptr},
      {"standard input", "--password - <'" + ProcessFolder() + "/pw-in'", 0, "from input", nullptr},
      {"missing file", "--password-file '" + ProcessFolder() + "/no-such-file'", 1, "", "1107: "},
      {"a folder, not a file", "--password-file '" + ProcessFolder() + "'", 1, "", "1107: "},
      {"both forms", "--password x --password-file '" + ProcessFolder() + "/pw'", 2, "", "1008: "},
  };
  K7QWriteFile(ProcessFolder() + "/pw", "from file\r\nsecond line\n");
  K7QWriteFile(ProcessFolder() + "/pw-in", "from input\n");
  for (const auto& row : rows) {
    CK7QTempDir base;
    const Result r = RunBatch(std::string("--dsn ") + kDsnB + " --user k7q --folder '" +
                              base.Path() + "' " + row.arguments);
    EXPECT_EQ(r.status, row.status) << row.rule << "\n" << r.errors;
    if (row.message) {
      EXPECT_NE(r.errors.find(row.message), std::string::npos) << row.rule;
    }
    if (row.status != 0) continue;
    const auto lines = Lines(base.Path() + "/k7q_pro_K7QTestB/K7QTestB.k7q_pro");
    ASSERT_GT(lines.size(), 10u) << row.rule;
    EXPECT_EQ(lines[10], row.password) << row.rule;
  }
}

TEST(PbuildBatch, ExitStatusTellsOfErrorsAndOfWhatWasLeftOut) {
  const std::string config = ProcessFolder() + "/config/Halvard/K7QBld.ini";
  CK7QTempDir empty;
  const struct {
    const char* rule;
    std::string sql;
    std::string imageSetting;  // "" no setting at all
    int status;
    const char* message;
    bool markers;
  } rows[] = {
      {"complete: the markers come from the installation's data folder without the setting",
       "CREATE TABLE t(id INTEGER);\n", "", 0, "124: ", true},
      {"made, but a marker image was missing (error 50)", "CREATE TABLE t(id INTEGER);\n",
       empty.Path(), 1, "152: ", false},
      {"made, but a name was left out", "CREATE TABLE a_table_name_19byte(x INTEGER);\n", "", 3,
       "1000: ", true},
  };
  for (const auto& row : rows) {
    MakeSqlite(kDsnB, row.sql);
    std::filesystem::remove(config);
    if (!row.imageSetting.empty()) {
      std::filesystem::create_directories(ProcessFolder() + "/config/Halvard");
      K7QWriteFile(config, "[FilePath]\nDataBaseImagePath=" + row.imageSetting + "\n");
    }
    CK7QTempDir base;
    const Result r = RunBatch(std::string("--dsn ") + kDsnB +
                              " --user k7q --password pw --folder '" + base.Path() + "'");
    EXPECT_EQ(r.status, row.status) << row.rule << "\n" << r.errors;
    EXPECT_NE(r.errors.find(row.message), std::string::npos) << row.rule;
    const std::string folder = base.Path() + "/k7q_pro_K7QTestB";
    EXPECT_TRUE(K7QFile::Exists(folder + "/K7QTestB.k7q_pro")) << row.rule;
    EXPECT_EQ(K7QFile::Exists(folder + "/k7q_loop_start.gif"), row.markers) << row.rule;
  }
  std::filesystem::remove(config);
}

TEST(PbuildBatch, ReplaceBesideAMacroKeepsTheMacro) {
  MakeSqlite(kDsnB,
             "CREATE TABLE old_t(id INTEGER, pic BLOB);\nINSERT INTO old_t VALUES (1, X'4749');\n");
  WriteImageSetting();
  CK7QTempDir base;
  const std::string common =
      std::string("--dsn ") + kDsnB + " --user k7q --password pw --folder '" + base.Path() + "'";
  ASSERT_EQ(RunBatch(common).status, 0);
  const std::string folder = base.Path() + "/k7q_pro_K7QTestB";
  K7QWriteFile(folder + "/shop.k7q", "the author's macro");
  MakeSqlite(kDsnB, "CREATE TABLE new_t(id INTEGER);\n");
  const Result r = RunBatch(common + " --replace");
  ASSERT_EQ(r.status, 0) << r.errors;
  EXPECT_NE(r.errors.find("124: "), std::string::npos);
  EXPECT_NE(r.errors.find(folder + "/K7QTestB.k7q_pro"), std::string::npos);
  EXPECT_EQ(K7QReadFile(folder + "/shop.k7q"), "the author's macro");
  EXPECT_NE(K7QReadFile(folder + "/K7QTestB.k7q_pro").find("new_t"), std::string::npos);
  EXPECT_EQ(FolderEntries(base.Path()), std::vector<std::string>{"k7q_pro_K7QTestB"});
  EXPECT_EQ(FolderEntries(folder), (std::vector<std::string>{"K7QTestB.k7q_pro", "k7q_loop_end.gif",
                                                             "k7q_loop_start.gif", "shop.k7q"}));
}
