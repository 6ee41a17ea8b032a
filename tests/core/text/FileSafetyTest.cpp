#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldWorkFolder.h"
#include "K7QFaultInjection.h"
#include "K7QTestSupport.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// The reason a file error carries, or 0 when the call did not throw.
template <typename F>
unsigned ReasonOf(F&& f) {
  try {
    f();
  } catch (const CK7QBldFileException& e) {
    return e.m_reason == 0 ? 1 : e.m_reason;
  }
  return 0;
}

// Points TMPDIR at a test folder for the guard's life.
class TmpdirGuard {
 public:
  explicit TmpdirGuard(const std::string& path) {
    if (const char* old = std::getenv("TMPDIR")) m_old = old;
    ::setenv("TMPDIR", path.c_str(), 1);
  }
  ~TmpdirGuard() {
    if (m_old.empty())
      ::unsetenv("TMPDIR");
    else
      ::setenv("TMPDIR", m_old.c_str(), 1);
  }

 private:
  std::string m_old;
};

class UmaskGuard {
 public:
  explicit UmaskGuard(mode_t mask) : m_old(::umask(mask)) {}
  ~UmaskGuard() { ::umask(m_old); }

 private:
  mode_t m_old;
};

TEST(AtomicSave, UniqueTemporaryNamesLeaveTheAuthorsFilesAlone) {
  CK7QTempDir dir;
  // The author's own files that an old fixed temporary name would have taken.
  K7QWriteFile(dir.File("shop.tmp"), "mine");
  K7QWriteFile(dir.File(".shop.k7q.tmp"), "mine too");
  K7QFile::WriteAll(dir.File("shop.k7q"), "macro");
  K7QFile::RewriteInPlace(dir.File("shop.k7q"), dir.File("shop.tmp"),
                          [](CK7QBldTextWriter& out) { out.Write("again"); });
  EXPECT_EQ(K7QReadFile(dir.File("shop.k7q")), "again");
  EXPECT_EQ(K7QReadFile(dir.File("shop.tmp")), "mine");
  EXPECT_EQ(Listing(dir.Path()),
            (std::vector<std::string>{".shop.k7q.tmp", "shop.k7q", "shop.tmp"}));

  // Two writers of one name at once each have their own temporary file; the last to close wins.
  CK7QBldTextWriter first(dir.File("page.htm"), false, true);
  CK7QBldTextWriter second(dir.File("page.htm"), false, true);
  first.Write("first");
  second.Write("second");
  first.Close();
  EXPECT_EQ(K7QReadFile(dir.File("page.htm")), "first");
  second.Close();
  EXPECT_EQ(K7QReadFile(dir.File("page.htm")), "second");
  // A writer dropped without Close leaves nothing.
  {
    CK7QBldTextWriter dropped(dir.File("page.htm"));
    dropped.Write("lost");
  }
  EXPECT_EQ(K7QReadFile(dir.File("page.htm")), "second");
  EXPECT_EQ(Listing(dir.Path()).size(), 4u);
}

TEST(AtomicSave, ModesAreKeptAndPasswordsPrivateFromTheStart) {
  UmaskGuard mask(022);
  CK7QTempDir dir;
  struct Row {
    const char* name;
    int existing;  // -1: no file before
    K7QWriteOptions options;
    unsigned expected;
  };
  const Row rows[] = {
      // An existing file keeps its mode, whatever kind of file it is.
      {"private.k7q", 0600, K7QFile::AuthorFile(false), 0600},
      {"group.k7q", 0640, K7QFile::AuthorFile(true), 0640},
      {"working.htm", 0644, K7QWriteOptions(), 0644},
      // A new macro or profile with a password is the owner's alone.
      {"secret.k7q", -1, K7QFile::AuthorFile(true), 0600},
      {"plain.k7q", -1, K7QFile::AuthorFile(false), 0644},
      // Working files are the builder's own scratch.
      {"new.k7q_define", -1, K7QWriteOptions(), 0600},
  };
  for (const Row& row : rows) {
    const std::string path = dir.File(row.name);
    if (row.existing >= 0) {
      K7QWriteFile(path, "old");
      ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(row.existing)), 0);
    }
    K7QFile::WriteAll(path, "new", row.options);
    EXPECT_EQ(K7QReadFile(path), "new") << row.name;
    EXPECT_EQ(ModeOf(path), row.expected) << row.name;
  }
  // A copy takes the mode of what it copies, less the umask.
  ASSERT_EQ(::chmod(dir.File("group.k7q").c_str(), 0664), 0);
  K7QFile::CopyBinary(dir.File("group.k7q"), dir.File("copy.k7q"));
  EXPECT_EQ(ModeOf(dir.File("copy.k7q")), 0644u);
}

TEST(AtomicSave, AuthorsLinksAreWrittenThroughPlantedLinksNever) {
  CK7QTempDir dir;
  fs::create_directories(dir.File("real"));
  K7QWriteFile(dir.File("real/shop.k7q"), "old");
  ASSERT_EQ(::chmod(dir.File("real/shop.k7q").c_str(), 0600), 0);
  fs::create_symlink("real/shop.k7q", dir.File("shop.k7q"));
  fs::create_symlink("shop.k7q", dir.File("link2.k7q"));

  // The author's macro reached through two links: the real file changes, the links stay.
  K7QFile::WriteAll(dir.File("link2.k7q"), "new", K7QFile::AuthorFile(false));
  EXPECT_EQ(K7QReadFile(dir.File("real/shop.k7q")), "new");
  EXPECT_EQ(ModeOf(dir.File("real/shop.k7q")), 0600u);
  EXPECT_TRUE(fs::is_symlink(dir.File("shop.k7q")));
  EXPECT_TRUE(fs::is_symlink(dir.File("link2.k7q")));
  EXPECT_EQ(Listing(dir.File("real")), (std::vector<std::string>{"shop.k7q"}));
  // A link to a file that does not exist yet makes that file.
  fs::create_symlink("real/new.k7q", dir.File("dangling.k7q"));
  K7QFile::WriteAll(dir.File("dangling.k7q"), "made", K7QFile::AuthorFile(false));
  EXPECT_EQ(K7QReadFile(dir.File("real/new.k7q")), "made");

  // A link planted where a working file goes is replaced, its target untouched.
  K7QWriteFile(dir.File("victim.txt"), "precious");
  fs::create_symlink(dir.File("victim.txt"), dir.File("shop.k7q_define"));
  K7QFile::WriteAll(dir.File("shop.k7q_define"), "define");
  EXPECT_EQ(K7QReadFile(dir.File("victim.txt")), "precious");
  EXPECT_FALSE(fs::is_symlink(dir.File("shop.k7q_define")));
  EXPECT_EQ(K7QReadFile(dir.File("shop.k7q_define")), "define");
  // The same through a writer in text mode and through a copy.
  fs::remove(dir.File("shop.k7q_define"));
  fs::create_symlink(dir.File("victim.txt"), dir.File("shop_HTML_INPUT.htm"));
  K7QFile::CopyBinary(dir.File("real/new.k7q"), dir.File("shop_HTML_INPUT.htm"));
  EXPECT_EQ(K7QReadFile(dir.File("victim.txt")), "precious");

  // Links that go round in a circle are an error, not a hang.
  fs::create_symlink("loop2", dir.File("loop1"));
  fs::create_symlink("loop1", dir.File("loop2"));
  EXPECT_EQ(
      ReasonOf([&] { K7QFile::WriteAll(dir.File("loop1"), "x", K7QFile::AuthorFile(false)); }),
      kIdsFileLinkLoop);
}

TEST(AtomicSave, ReadOnlyAndSpecialTargetsAreRefused) {
  CK7QTempDir dir;
  const std::string locked = dir.File("locked.k7q");
  K7QWriteFile(locked, "keep");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  // Refused even for root, who could write it.
  for (const K7QWriteOptions& options : {K7QFile::AuthorFile(false), K7QWriteOptions()}) {
    try {
      K7QFile::WriteAll(locked, "new", options);
      ADD_FAILURE() << "a read-only file was replaced";
    } catch (const CK7QBldFileException& e) {
      EXPECT_EQ(e.m_reason, kIdsFileReadOnly);
      EXPECT_EQ(e.m_cause, CK7QBldFileException::accessDenied);
      EXPECT_EQ(e.m_strFileName, locked);
    }
  }
  EXPECT_EQ(K7QReadFile(locked), "keep");
  EXPECT_EQ(ModeOf(locked), 0444u);

  ASSERT_EQ(::mkfifo(dir.File("pipe").c_str(), 0600), 0);
  fs::create_directories(dir.File("folder"));
  EXPECT_EQ(ReasonOf([&] { K7QFile::WriteAll(dir.File("pipe"), "x"); }), kIdsFileNotRegular);
  EXPECT_EQ(ReasonOf([&] { K7QFile::WriteAll(dir.File("folder"), "x"); }), 1u);
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"folder", "locked.k7q", "pipe"}));
}

TEST(ReadingInput, PipesAndDevicesAreRefusedWithoutBlocking) {
  CK7QTempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("pipe.k7q").c_str(), 0600), 0);
  // Each would block for ever or read without end if it were opened as a file.
  for (const std::string& path : {dir.File("pipe.k7q"), std::string("/dev/zero")}) {
    EXPECT_EQ(ReasonOf([&] { K7QFile::ReadAll(path); }), kIdsFileNotRegular) << path;
    EXPECT_EQ(ReasonOf([&] { CK7QBldLineReader reader(path); }), kIdsFileNotRegular) << path;
    EXPECT_EQ(ReasonOf([&] { K7QFile::CopyBinary(path, dir.File("copy")); }), kIdsFileNotRegular);
  }
  EXPECT_FALSE(fs::exists(dir.File("copy")));
}

TEST(CannotTell, IsNeverTakenForMissing) {
  CK7QTempDir dir;
  K7QWriteFile(dir.File("page.htm"), "page");
  CK7QFaults faults;
  faults.FailPath(K7QFile::Call::Stat, "page.htm", EIO);
  try {
    K7QFile::Exists(dir.File("page.htm"));
    ADD_FAILURE() << "an I/O error read as an answer";
  } catch (const CK7QBldFileException& e) {
    EXPECT_EQ(e.m_reason, kIdsFileCannotTell);
    EXPECT_EQ(e.m_lOsError, EIO);
  }
  EXPECT_EQ(ReasonOf([&] { K7QFile::IsDirectory(dir.File("page.htm")); }), kIdsFileCannotTell);
  // What is missing is still simply missing.
  faults.Clear();
  EXPECT_FALSE(K7QFile::Exists(dir.File("none.htm")));
  EXPECT_FALSE(K7QFile::Exists(dir.File("page.htm/below")));

  // A working file that must go but stays is an error; tidying up only says false.
  faults.FailPath(K7QFile::Call::Unlink, "page.htm", EBUSY);
  EXPECT_FALSE(K7QFile::Remove(dir.File("page.htm")));
  EXPECT_EQ(ReasonOf([&] { K7QFile::Delete(dir.File("page.htm")); }), kIdsFileNotRemoved);
  faults.Clear();
  K7QFile::Delete(dir.File("page.htm"));
  K7QFile::Delete(dir.File("page.htm"));  // already gone: fine

  faults.FailPath(K7QFile::Call::List, dir.Path(), EACCES);
  EXPECT_EQ(ReasonOf([&] { K7QFile::ListFolder(dir.Path()); }), kIdsFolderNotListed);
  faults.Clear();
  K7QWriteFile(dir.File("b"), "");
  K7QWriteFile(dir.File("a"), "");
  EXPECT_EQ(K7QFile::ListFolder(dir.Path()), (std::vector<std::string>{"a", "b"}));
}

TEST(AtomicSave, EveryFailurePointKeepsTheOldFile) {
  CK7QTempDir dir;
  const std::string path = dir.File("shop.k7q");
  K7QWriteFile(path, "old bytes");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const std::string big(200000, 'n');  // several writes
  CK7QFaults faults;
  K7QFile::WriteAll(path, big, K7QFile::AuthorFile(false));
  int counts[std::size(kK7QAllCalls)];
  for (K7QFile::Call call : kK7QAllCalls) counts[static_cast<int>(call)] = faults.Count(call);
  EXPECT_GE(counts[static_cast<int>(K7QFile::Call::Write)], 1);
  EXPECT_EQ(counts[static_cast<int>(K7QFile::Call::Sync)], 2);  // the file and its folder
  for (K7QFile::Call call : kK7QAllCalls) {
    for (int nth = 1; nth <= counts[static_cast<int>(call)]; ++nth) {
      K7QWriteFile(path, "old bytes");
      faults.Clear();
      faults.FailNth(call, nth, ENOSPC);
      EXPECT_THROW(K7QFile::WriteAll(path, big, K7QFile::AuthorFile(false)), CK7QBldFileException)
          << K7QCallName(call) << " #" << nth;
      EXPECT_EQ(K7QReadFile(path), "old bytes") << K7QCallName(call) << " #" << nth;
      EXPECT_EQ(ModeOf(path), 0640u);
      EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"shop.k7q"}))
          << K7QCallName(call) << " #" << nth;
    }
  }
}

TEST(AtomicSave, WhatMayHoldTheAuthorsWorkReachesTheDisk) {
  CK7QTempDir dir;
  CK7QFaults faults;
  const auto syncs = [&](const std::string& name, const K7QWriteOptions& options) {
    faults.Clear();
    K7QFile::WriteAll(dir.File(name), "bytes", options);
    return faults.Count(K7QFile::Call::Sync);
  };
  // A new working file is made again from the macro; no need to wait for the disk.
  EXPECT_EQ(syncs("shop.k7q_define", K7QWriteOptions()), 0);
  // Replacing one (a page the author edited) waits for the file and its folder.
  EXPECT_EQ(syncs("shop.k7q_define", K7QWriteOptions()), 2);
  // The author's own files always do.
  EXPECT_EQ(syncs("shop.k7q", K7QFile::AuthorFile(true)), 2);
}

TEST(FileErrorReport, NamesTheReason) {
  CK7QScriptedUi ui;
  const CK7QBldGroceries groceries(ui);
  const CK7QBldFileException e =
      CK7QBldFileException::FromErrno(EACCES, "/w/shop.k7q", kIdsFileReadOnly);
  const std::string text = groceries.FormatFileException(e, "/src/K7QBldDocCore.cpp", 7);
  EXPECT_EQ(text.rfind(ui.String(62385) + "\n" + ui.String(kIdsFileReadOnly) + "\n", 0), 0u)
      << text;
  EXPECT_NE(text.find("/w/shop.k7q"), std::string::npos);
  EXPECT_FALSE(ui.String(kIdsFileReadOnly).empty());
}

// A child that is killed while writing a file and holding a work folder.
TEST(Signals, TemporaryFilesAndWorkFoldersGoWithTheProcess) {
  CK7QTempDir dir;
  const TmpdirGuard tmpdir(dir.Path());
  K7QWriteFile(dir.File("shop.k7q"), "old");
  int pipes[2];
  ASSERT_EQ(::pipe(pipes), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipes[0]);
    ::signal(SIGHUP, SIG_IGN);  // as under nohup: stays ignored
    K7QWorkFolder::InstallSignalHandlers("");
    const std::string work = K7QWorkFolder::Make();
    K7QWriteFile(work + "/component", "x");
    CK7QBldTextWriter writer(dir.File("shop.k7q"));
    writer.Write("half of a new macro");
    ::write(pipes[1], "r", 1);
    ::pause();
    ::_exit(0);
  }
  ::close(pipes[1]);
  char ready = 0;
  ASSERT_EQ(::read(pipes[0], &ready, 1), 1);
  ::close(pipes[0]);
  // The temporary file and the work folder exist while the child writes.
  EXPECT_EQ(Listing(dir.Path()).size(), 3u);
  ::kill(child, SIGHUP);
  ::kill(child, SIGTERM);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_EQ(Listing(dir.Path()), (std::vector<std::string>{"shop.k7q"}));
  EXPECT_EQ(K7QReadFile(dir.File("shop.k7q")), "old");
}

TEST(Signals, StaleWorkFoldersOfDeadProcessesAreRemovedAtStart) {
  CK7QTempDir dir;
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ASSERT_GT(dead, 0);
  ::waitpid(dead, nullptr, 0);
  const std::string deadFolder = dir.File("k7q-" + std::to_string(dead) + "-abcdef");
  const std::string alive = dir.File("k7q-" + std::to_string(::getppid()) + "-abcdef");
  const std::string mine = dir.File("k7q-" + std::to_string(::getpid()) + "-abcdef");
  for (const std::string& folder : {deadFolder, alive, mine}) {
    fs::create_directories(folder + "/sub");
    K7QWriteFile(folder + "/sub/page.htm", "x");
  }
  K7QWriteFile(dir.File("k7q-" + std::to_string(dead) + "-fileno"), "not a folder");
  fs::create_directories(dir.File("k7q-notapid-abcdef"));
  const TmpdirGuard tmpdir(dir.Path());
  EXPECT_EQ(K7QWorkFolder::RemoveStale(), 1);
  EXPECT_FALSE(fs::exists(deadFolder));
  EXPECT_TRUE(fs::exists(alive + "/sub/page.htm"));
  EXPECT_TRUE(fs::exists(mine + "/sub/page.htm"));
  EXPECT_TRUE(fs::exists(dir.File("k7q-notapid-abcdef")));
}

}  // namespace
