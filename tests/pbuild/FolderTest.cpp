// The output folder: replacing an old profile, and nothing left behind by a
// stop, a failure or a refused input.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "K7QBldFile.h"
#include "PbuildMessages.h"
#include "PbuildTestSupport.h"

namespace {

const char* kSmallSql =
    "CREATE TABLE items(id INTEGER, name VARCHAR(20), pic BLOB);\n"
    "INSERT INTO items VALUES (1, 'one', X'474946383961');\n"
    "CREATE TABLE more(a INTEGER, b INTEGER, c INTEGER);\n";

// A first, complete profile in the fixture's base folder.
void MakeOldProfile(CCreatorFixture& f) {
  MakeSqlite(kDsnA, kSmallSql);
  ASSERT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kDone);
  f.ui.m_shown.clear();
  MakeSqlite(kDsnA, "CREATE TABLE renewed(x INTEGER);\n");
}

}  // namespace

TEST(PbuildFolder, ExistingFolderIsReplacedThroughTheReplacementFolder) {
  CCreatorFixture f;
  MakeOldProfile(f);
  f.ui.m_answers = {kIdYes};
  const CPbuildOutcome outcome = f.Run(kDsnA);
  ASSERT_EQ(outcome.status, CPbuildOutcome::kDone);
  EXPECT_EQ(f.ui.m_shown.front().id, kIdsReplaceHead);
  EXPECT_EQ(outcome.resultFolder, f.Output(kDsnA));
  const std::string profile = K7QReadFile(f.Profile(kDsnA));
  EXPECT_NE(profile.find("renewed"), std::string::npos);
  EXPECT_EQ(profile.find("items"), std::string::npos);
  // The old large-object file went with the old profile.
  EXPECT_EQ(
      FolderEntries(f.Output(kDsnA)),
      (std::vector<std::string>{"K7QTestA.k7q_pro", "k7q_loop_end.gif", "k7q_loop_start.gif"}));
  EXPECT_FALSE(K7QFile::Exists(f.Output(kDsnA) + "_K7Q00"));
}

TEST(PbuildFolder, AnsweringNoLeavesTheOldProfileAlone) {
  CCreatorFixture f;
  MakeOldProfile(f);
  const std::string before = K7QReadFile(f.Profile(kDsnA));
  f.ui.m_answers = {kIdNo};
  EXPECT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kQuiet);
  EXPECT_EQ(f.ui.Ids(), std::vector<unsigned>{kIdsReplaceHead});
  EXPECT_EQ(K7QReadFile(f.Profile(kDsnA)), before);
  EXPECT_FALSE(K7QFile::Exists(f.Output(kDsnA) + "_K7Q00"));
}

TEST(PbuildFolder, OldFolderWithTheUsersFilesIsNotTouched) {
  CCreatorFixture f;
  MakeOldProfile(f);
  const std::string before = K7QReadFile(f.Profile(kDsnA));
  K7QWriteFile(f.Output(kDsnA) + "/shop.k7q", "macro");
  f.ui.m_answers = {kIdYes};
  const CPbuildOutcome outcome = f.Run(kDsnA);
  ASSERT_EQ(outcome.status, CPbuildOutcome::kDone);
  EXPECT_TRUE(f.Shown(kIdsErrorBase + PbuildError::kRemoveFolder));
  EXPECT_EQ(K7QReadFile(f.Profile(kDsnA)), before);
  EXPECT_EQ(K7QReadFile(f.Output(kDsnA) + "/shop.k7q"), "macro");
  EXPECT_TRUE(K7QFile::Exists(f.Output(kDsnA) + "/LOB00000.gif"));
  // The new profile is complete beside it, and the final message says where.
  EXPECT_EQ(outcome.resultFolder, f.Output(kDsnA) + "_K7Q00");
  EXPECT_NE(K7QReadFile(outcome.resultFolder + "/K7QTestA.k7q_pro").find("renewed"),
            std::string::npos);
  EXPECT_NE(f.ui.m_shown.back().text.find(outcome.resultFolder), std::string::npos);
}

TEST(PbuildFolder, LeftoverReplacementFolderOfAKilledRunIsCleared) {
  CCreatorFixture f;
  MakeSqlite(kDsnA, kSmallSql);
  const std::string stale = f.Output(kDsnA) + "_K7Q00";
  ASSERT_EQ(::mkdir(stale.c_str(), 0700), 0);
  K7QWriteFile(stale + "/LOB00000.gif", "GI");
  K7QWriteFile(stale + "/K7QTestA.tmp", "half");
  ASSERT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kDone);
  EXPECT_FALSE(K7QFile::Exists(stale));
  EXPECT_TRUE(K7QFile::Exists(f.Profile(kDsnA)));
}

TEST(PbuildFolder, StoppedRunLeavesNothingAndKeepsTheOldProfile) {
  {
    CCreatorFixture f;
    MakeSqlite(kDsnA, kSmallSql);
    f.progress.m_stopAfter = 3;  // two tables listed, then one column line
    EXPECT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kStopped);
    EXPECT_TRUE(FolderEntries(f.base.Path()).empty());
  }
  CCreatorFixture f;
  MakeOldProfile(f);
  const auto before = FolderEntries(f.Output(kDsnA));
  const std::string profile = K7QReadFile(f.Profile(kDsnA));
  f.ui.m_answers = {kIdYes};
  f.progress.m_stopAfter = 1;
  EXPECT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kStopped);
  EXPECT_EQ(FolderEntries(f.base.Path()), std::vector<std::string>{"k7q_pro_K7QTestA"});
  EXPECT_EQ(FolderEntries(f.Output(kDsnA)), before);
  EXPECT_EQ(K7QReadFile(f.Profile(kDsnA)), profile);
}

TEST(PbuildFolder, FailedConnectionShowsError52AndLeavesNothing) {
  CCreatorFixture f;
  const CPbuildOutcome outcome = f.Run(kDsnBroken);
  EXPECT_EQ(outcome.status, CPbuildOutcome::kFailed);
  EXPECT_TRUE(f.Shown(kIdsConnectFailedHead));
  EXPECT_EQ(f.ui.Ids().back(), kIdsErrorBase + PbuildError::kConnect);
  EXPECT_TRUE(FolderEntries(f.base.Path()).empty());
}

TEST(PbuildFolder, InputsAreCheckedBeforeAnythingIsCreated) {
  const struct {
    const char* rule;
    std::string dataSource, login, password, base;
    unsigned message;
  } rows[] = {
      {"login required", kDsnA, "  ", "", "", kIdsNoLogin},
      {"data source required", "", "k7q", "", "", kIdsNoDataSourceChosen},
      {"relative base folder", kDsnA, "k7q", "", "data",
       kIdsErrorBase + PbuildError::kBadBaseFolder},
      {"base folder over 255", kDsnA, "k7q", "", "/" + std::string(255, 'a'),
       kIdsErrorBase + PbuildError::kBadBaseFolder},
      {"data source over 31 bytes", std::string(32, 'D'), "k7q", "", "", kIdsDataSourceNameTooLong},
      {"data source of 32 bytes in CP932 (16 kana)", "あいうえおかきくけこさしすせそた", "k7q", "",
       "", kIdsDataSourceNameTooLong},
      {"data source unusable as a folder", "a/b", "k7q", "", "", kIdsDataSourceNameUnusable},
      {"login over 31 bytes", kDsnA, std::string(32, 'u'), "", "", kIdsLoginTooLong},
      {"password over 31 bytes", kDsnA, "k7q", std::string(32, 'p'), "", kIdsLoginTooLong},
  };
  for (const auto& row : rows) {
    CCreatorFixture f;
    CPbuildInputs inputs{row.dataSource, row.login, row.password,
                         row.base.empty() ? f.base.Path() : row.base, 0};
    EXPECT_EQ(f.creator.Run(inputs).status, CPbuildOutcome::kFailed) << row.rule;
    EXPECT_EQ(f.ui.Ids(), std::vector<unsigned>{row.message}) << row.rule;
    EXPECT_TRUE(FolderEntries(f.base.Path()).empty()) << row.rule;
  }
}

TEST(PbuildFolder, MissingBaseFolderIsCreatedOnlyWhenTheUserAgrees) {
  MakeSqlite(kDsnA, kSmallSql);
  CCreatorFixture f;
  CPbuildInputs inputs{kDsnA, "k7q", "", f.base.Path() + "/x/y", 0};
  f.ui.m_answers = {kIdNo};
  EXPECT_EQ(f.creator.Run(inputs).status, CPbuildOutcome::kQuiet);
  EXPECT_EQ(f.ui.Ids(), std::vector<unsigned>{kIdsCreateBaseHead});
  EXPECT_FALSE(K7QFile::Exists(f.base.Path() + "/x"));
  f.ui.m_answers = {kIdYes};
  EXPECT_EQ(f.creator.Run(inputs).status, CPbuildOutcome::kDone);
  EXPECT_TRUE(K7QFile::Exists(f.base.Path() + "/x/y/k7q_pro_K7QTestA/K7QTestA.k7q_pro"));
}

TEST(PbuildFolder, MissingMarkerImagesLeaveAFinishedProfileAndError50) {
  MakeSqlite(kDsnA, kSmallSql);
  CCreatorFixture f;
  f.creator.SetImageFolder(std::nullopt);
  EXPECT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kDone);
  EXPECT_TRUE(f.Shown(kIdsErrorBase + PbuildError::kMarkerImages));
  EXPECT_TRUE(K7QFile::Exists(f.Profile(kDsnA)));
  EXPECT_FALSE(K7QFile::Exists(f.Output(kDsnA) + "/k7q_loop_start.gif"));
}
