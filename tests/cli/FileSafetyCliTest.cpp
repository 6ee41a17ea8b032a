// What the commands do with the author's files: links written through,
// modes kept, read-only files and pipes refused with the reason, work
// folders of killed commands cleared.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "K7QBldFile.h"
#include "K7QTestSupport.h"

namespace {

namespace fs = std::filesystem;

const std::string kShopProfile = std::string(K7Q_TEST_DATA_DIR) + "/core/data/profiles/shop/";
const std::string kShopMacro = std::string(K7Q_TEST_DATA_DIR) + "/core/data/macros/shop.k7q";

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

struct K7qRun {
  int status;
  std::string err;
};

K7qRun K7q(const CK7QTempDir& dir, const std::vector<std::string>& args) {
  const int status = K7QRunK7q(args, dir.File("stdout"), dir.File("stderr"));
  return {status, K7QReadFile(dir.File("stderr"))};
}

TEST(FileSafetyCli, ExportWritesThroughTheAuthorsLinkAndKeepsTheMode) {
  CK7QTempDir dir;
  fs::create_directories(dir.File("server"));
  K7QWriteFile(dir.File("server/shop.k7q"), "old copy");
  ASSERT_EQ(::chmod(dir.File("server/shop.k7q").c_str(), 0640), 0);
  fs::create_symlink("server/shop.k7q", dir.File("upload.k7q"));
  const K7qRun run = K7q(dir, {"export", kShopMacro, "-o", dir.File("upload.k7q")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(dir.File("upload.k7q")));
  EXPECT_NE(K7QReadFile(dir.File("server/shop.k7q")).find("%EXEC \"cat "), std::string::npos);
  EXPECT_EQ(ModeOf(dir.File("server/shop.k7q")), 0640u);
}

TEST(FileSafetyCli, ReadOnlyTargetsAndPipesAreRefusedWithTheReason) {
  CK7QTempDir dir;
  CK7QScriptedUi ui;
  K7QWriteFile(dir.File("locked.k7q"), "keep");
  ASSERT_EQ(::chmod(dir.File("locked.k7q").c_str(), 0444), 0);
  K7qRun run = K7q(dir, {"export", kShopMacro, "-o", dir.File("locked.k7q")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(ui.String(kIdsFileReadOnly)), std::string::npos) << run.err;
  EXPECT_EQ(K7QReadFile(dir.File("locked.k7q")), "keep");

  // A pipe given as the macro would block the command for ever.
  ASSERT_EQ(::mkfifo(dir.File("pipe.k7q").c_str(), 0600), 0);
  run = K7q(dir, {"export", dir.File("pipe.k7q"), "-o", dir.File("out.k7q")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(ui.String(kIdsFileNotRegular)), std::string::npos) << run.err;
  K7QCopyFixtureFolder(kShopProfile, dir.File("profile"));
  run = K7q(dir,
            {"macro", "show", dir.File("pipe.k7q"), "--profile", dir.File("profile/shop.k7q_pro")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(ui.String(kIdsFileNotRegular)), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir.File("out.k7q")));
}

TEST(FileSafetyCli, ResaveKeepsAPrivateMacroPrivateAndANewOneWithAPasswordToo) {
  CK7QTempDir dir;
  K7QCopyFixtureFolder(kShopProfile, dir.File("profile"));
  const std::string profile = dir.File("profile/shop.k7q_pro");
  ::umask(022);
  // The shop macro holds PASSWORD: a new save is the owner's alone from the start.
  K7qRun run =
      K7q(dir, {"macro", "resave", kShopMacro, "--profile", profile, "-o", dir.File("new.k7q")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ModeOf(dir.File("new.k7q")), 0600u);
  // An existing macro keeps the mode its author gave it.
  ASSERT_EQ(::chmod(dir.File("new.k7q").c_str(), 0640), 0);
  run = K7q(dir, {"macro", "resave", kShopMacro, "--profile", profile, "-o", dir.File("new.k7q")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ModeOf(dir.File("new.k7q")), 0640u);
  // Nothing of the command is left beside the macro.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.Path())) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"new.k7q", "profile", "stderr", "stdout"}));
}

TEST(FileSafetyCli, WorkFoldersOfKilledCommandsAreClearedAtTheNextStart) {
  CK7QTempDir dir;
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_GT(dead, 0);
  ::waitpid(dead, nullptr, 0);
  const std::string stale = dir.File("tmp/k7q-" + std::to_string(dead) + "-Ab12Cd");
  fs::create_directories(stale);
  K7QWriteFile(stale + "/shop.k7q_pro", "copy of a profile");
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old ? old : "";
  ::setenv("TMPDIR", dir.File("tmp").c_str(), 1);
  const K7qRun run = K7q(dir, {"sql", "parse", "SELECT a FROM t"});
  if (saved.empty()) {
    ::unsetenv("TMPDIR");
  } else {
    ::setenv("TMPDIR", saved.c_str(), 1);
  }
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::is_empty(dir.File("tmp")));
}

}  // namespace
