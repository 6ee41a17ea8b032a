// The lock files that keep two builders out of one profile folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "K7QBldFile.h"
#include "K7QBldLock.h"
#include "K7QTestSupport.h"

namespace {

TEST(Lock, HeldUntilReleasedAndNamesItsHolder) {
  CK7QTempDir dir;
  const std::string path = CK7QBldLock::FolderLockPath(dir.Path());
  EXPECT_EQ(dir.File(".k7q.lock"), path);
  CK7QBldLock first;
  ASSERT_EQ(CK7QBldLock::Result::Locked, first.Acquire(path, "K7QBld"));
  EXPECT_TRUE(first.IsHeld());
  const std::string note = "K7QBld, process " + std::to_string(::getpid()) + " on ";
  EXPECT_EQ(0u, K7QReadFile(path).find(note));

  CK7QBldLock second;
  EXPECT_EQ(CK7QBldLock::Result::Busy, second.Acquire(path, "k7q"));
  EXPECT_EQ(0u, second.Holder().find(note));
  EXPECT_FALSE(second.IsHeld());

  // Released, the file goes, and the next one takes the lock.
  first.Release();
  EXPECT_FALSE(K7QFile::Exists(path));
  ASSERT_EQ(CK7QBldLock::Result::Locked, second.Acquire(path, "k7q"));
  EXPECT_EQ(0u, K7QReadFile(path).find("k7q, process "));
}

TEST(Lock, AFileLeftByAProcessThatEndedIsTakenOver) {
  CK7QTempDir dir;
  const std::string path = CK7QBldLock::FolderLockPath(dir.Path());
  K7QWriteFile(path, "K7QBld, process 1 on elsewhere\n");
  CK7QBldLock lock;
  EXPECT_EQ(CK7QBldLock::Result::Locked, lock.Acquire(path, "K7QBld"));
}

TEST(Lock, AFolderWhereNothingCanBeWrittenIsUsedWithoutALock) {
  CK7QTempDir dir;
  // Permissions do not bind root; sysfs refuses new files to everyone.
  const bool root = ::geteuid() == 0;
  const std::string folder = root ? "/sys" : dir.Path();
  if (root && !K7QFile::IsDirectory(folder)) GTEST_SKIP() << "no folder that refuses root";
  if (!root) ::chmod(folder.c_str(), 0555);
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldLock lock;
  EXPECT_EQ(CK7QBldLock::Result::Unavailable,
            lock.Acquire(CK7QBldLock::FolderLockPath(folder), "K7QBld"));
  EXPECT_TRUE(lock.LockProfileFolder(folder, "K7QBld", groceries));
  EXPECT_FALSE(lock.IsHeld());
  EXPECT_TRUE(ui.m_shown.empty());
  if (!root) ::chmod(folder.c_str(), 0755);
}

TEST(Lock, AProfileFolderInUseIsReportedWithFolderAndHolder) {
  CK7QTempDir dir;
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldLock builder;
  ASSERT_TRUE(builder.LockProfileFolder(dir.Path(), "K7QBld", groceries));
  // Asked again for the folder it holds, it keeps it.
  EXPECT_TRUE(builder.LockProfileFolder(dir.Path(), "K7QBld", groceries));
  CK7QBldLock command;
  EXPECT_FALSE(command.LockProfileFolder(dir.Path(), "k7q", groceries));
  ASSERT_EQ(std::vector<unsigned>{kIdsProfileFolderInUse}, ui.Ids());
  const std::string& text = ui.m_shown[0].text;
  EXPECT_EQ(0u, text.find(ui.String(kIdsProfileFolderInUse)));
  EXPECT_NE(std::string::npos, text.find(dir.Path()));
  EXPECT_NE(std::string::npos, text.find("K7QBld, process " + std::to_string(::getpid())));
}

TEST(Lock, CommandsShareAFolderThatTheyKeepABuilderOutOf) {
  CK7QTempDir dir;
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  const std::string path = CK7QBldLock::FolderLockPath(dir.Path());
  {
    CK7QBldLock first, second;
    ASSERT_TRUE(first.LockProfileFolder(dir.Path(), "k7q", groceries, CK7QBldLock::Mode::Shared));
    ASSERT_TRUE(second.LockProfileFolder(dir.Path(), "k7q", groceries, CK7QBldLock::Mode::Shared));
    CK7QBldLock builder;
    EXPECT_FALSE(builder.LockProfileFolder(dir.Path(), "K7QBld", groceries));
    EXPECT_EQ(std::vector<unsigned>{kIdsProfileFolderInUse}, ui.Ids());
    // The first to finish leaves the file to the one still at work.
    first.Release();
    EXPECT_TRUE(K7QFile::Exists(path));
    EXPECT_EQ(CK7QBldLock::Result::Busy, builder.Acquire(path, "K7QBld"));
  }
  EXPECT_FALSE(K7QFile::Exists(path));
  CK7QBldLock builder;
  ASSERT_TRUE(builder.LockProfileFolder(dir.Path(), "K7QBld", groceries));
  CK7QBldLock command;
  EXPECT_EQ(CK7QBldLock::Result::Busy, command.Acquire(path, "k7q", CK7QBldLock::Mode::Shared));
}

}  // namespace
