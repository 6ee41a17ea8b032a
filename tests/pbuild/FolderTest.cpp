// The output folder: replacing an old profile, and nothing left behind by a
// stop, a failure or a refused input.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <future>
#include <thread>

#include "K7QBldFile.h"
#include "PbuildMessages.h"
#include "PbuildTestSupport.h"

namespace {

const char* kSmallSql =
    "CREATE TABLE items(id INTEGER, name VARCHAR(20), pic BLOB);\n"
    "INSERT INTO items VALUES (1, 'one', X'474946383961');\n"
    "CREATE TABLE more(a INTEGER, b INTEGER, c INTEGER);\n";

// Holds the run at its first question until the test answers it.
class CBlockingUi : public CK7QScriptedUi {
 public:
  CBlockingUi(std::promise<void>& asked, std::future<int> answer)
      : m_asked(asked), m_answer(std::move(answer)) {}
  int Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) override {
    CK7QScriptedUi::Prompt(id, text, icon, buttons);
    if (buttons != K7QButtons::YesNo) return kIdOk;
    m_asked.set_value();
    return m_answer.get();
  }

 private:
  std::promise<void>& m_asked;
  std::future<int> m_answer;
};

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

TEST(PbuildFolder, ReplacingBesideTheAuthorsFilesKeepsThemAndRenewsOnlyTheProfile) {
  CCreatorFixture f;
  MakeOldProfile(f);
  K7QWriteFile(f.Output(kDsnA) + "/shop.k7q", "macro");
  K7QWriteFile(f.Output(kDsnA) + "/shop_report.htm", "page");
  ASSERT_EQ(::chmod(f.Output(kDsnA).c_str(), 0750), 0);
  f.ui.m_answers = {kIdYes};
  const CPbuildOutcome outcome = f.Run(kDsnA);
  ASSERT_EQ(outcome.status, CPbuildOutcome::kDone);
  EXPECT_EQ(outcome.resultFolder, f.Output(kDsnA));
  // The author's files stay as they were, in the folder as it was; the old
  // profile's large-object file went with it.
  EXPECT_EQ(FolderEntries(f.Output(kDsnA)),
            (std::vector<std::string>{"K7QTestA.k7q_pro", "k7q_loop_end.gif", "k7q_loop_start.gif",
                                      "shop.k7q", "shop_report.htm"}));
  EXPECT_EQ(K7QReadFile(f.Output(kDsnA) + "/shop.k7q"), "macro");
  EXPECT_EQ(Mode(f.Output(kDsnA)), 0750u);
  EXPECT_NE(K7QReadFile(f.Profile(kDsnA)).find("renewed"), std::string::npos);
  EXPECT_FALSE(K7QFile::Exists(f.Output(kDsnA) + "_K7Q00"));
  EXPECT_EQ(f.ui.Ids(), (std::vector<unsigned>{kIdsReplaceHead, kIdsDoneHead}));
}

TEST(PbuildFolder, LeftoverReplacementFolderOfAKilledRunIsCleared) {
  CCreatorFixture f;
  MakeSqlite(kDsnA, kSmallSql);
  const std::string stale = f.Output(kDsnA) + "_K7Q00";
  ASSERT_EQ(::mkdir(stale.c_str(), 0700), 0);
  K7QWriteFile(stale + "/LOB00000.gif", "GI");
  K7QWriteFile(stale + "/K7QTestA.tmp", "half");
  // The killed run's lock file is still there; nobody holds its lock.
  const std::string lock = f.base.Path() + "/.k7q_pro_K7QTestA.lock";
  K7QWriteFile(lock, "");
  ASSERT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kDone);
  EXPECT_FALSE(K7QFile::Exists(stale));
  EXPECT_FALSE(K7QFile::Exists(lock));
  EXPECT_TRUE(K7QFile::Exists(f.Profile(kDsnA)));
}

TEST(PbuildFolder, SecondRunForTheSameFolderIsRefusedAtOnce) {
  CCreatorFixture first;
  MakeOldProfile(first);
  const std::string old = K7QReadFile(first.Profile(kDsnA));
  // The first run holds the folder while its question waits for an answer.
  std::promise<void> asked;
  std::promise<int> answer;
  CBlockingUi blocking(asked, answer.get_future());
  CTestProgress progress;
  CPbuildCreator creator(blocking, progress);
  creator.SetImageFolder(std::string(K7Q_SOURCE_DIR) + "/data/tovra");
  CPbuildOutcome firstOutcome;
  std::thread run([&] {
    firstOutcome = creator.Run(CPbuildInputs{kDsnA, "k7q", "", first.base.Path(), 0, ""});
  });
  asked.get_future().wait();

  // A second run of this process, and one of another program, on the same folder.
  CCreatorFixture second;
  CPbuildInputs inputs{kDsnA, "k7q", "", first.base.Path(), 0, ""};
  second.ui.m_answers = {kIdYes};
  EXPECT_EQ(second.creator.Run(inputs).status, CPbuildOutcome::kFailed);
  EXPECT_EQ(second.ui.Ids(), std::vector<unsigned>{kIdsFolderBusy});
  EXPECT_NE(second.ui.m_shown[0].text.find(first.Output(kDsnA)), std::string::npos);
  const std::string errors = ProcessFolder() + "/busy.err";
  const std::string command = std::string(K7Q_PBUILD_BIN) + " --dsn " + kDsnA +
                              " --user k7q --password '' --replace --folder '" + first.base.Path() +
                              "' >/dev/null 2>'" + errors + "'";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  EXPECT_NE(K7QReadFile(errors).find("pbuild: 1105: "), std::string::npos);
  EXPECT_EQ(K7QReadFile(first.Profile(kDsnA)), old);

  // The first run goes on untouched and puts its profile in place.
  answer.set_value(kIdYes);
  run.join();
  EXPECT_EQ(firstOutcome.status, CPbuildOutcome::kDone);
  EXPECT_NE(K7QReadFile(first.Profile(kDsnA)).find("renewed"), std::string::npos);
  EXPECT_EQ(FolderEntries(first.base.Path()), std::vector<std::string>{"k7q_pro_K7QTestA"});
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
  // Not even the base folder levels the run made on its way.
  CPbuildInputs inputs{kDsnBroken, "k7q", "", f.base.Path() + "/made/by/run", 0, ""};
  f.ui.m_answers = {kIdYes};
  EXPECT_EQ(f.creator.Run(inputs).status, CPbuildOutcome::kFailed);
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
      // The builder trims the password it reads back: the macro could not log in.
      {"password with a leading blank", kDsnA, "k7q", " pw", "", kIdsPasswordBlanks},
      {"password with a trailing tab", kDsnA, "k7q", "pw\t", "", kIdsPasswordBlanks},
  };
  for (const auto& row : rows) {
    CCreatorFixture f;
    CPbuildInputs inputs{row.dataSource,
                         row.login,
                         row.password,
                         row.base.empty() ? f.base.Path() : row.base,
                         0,
                         ""};
    EXPECT_EQ(f.creator.Run(inputs).status, CPbuildOutcome::kFailed) << row.rule;
    EXPECT_EQ(f.ui.Ids(), std::vector<unsigned>{row.message}) << row.rule;
    EXPECT_TRUE(FolderEntries(f.base.Path()).empty()) << row.rule;
  }
}

TEST(PbuildFolder, MissingBaseFolderIsCreatedOnlyWhenTheUserAgrees) {
  MakeSqlite(kDsnA, kSmallSql);
  CCreatorFixture f;
  CPbuildInputs inputs{kDsnA, "k7q", "", f.base.Path() + "/x/y", 0, ""};
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

TEST(PbuildFolder, FullDiskWhileCopyingTheMarkerImagesIsError4AndKeepsTheOldProfile) {
  CCreatorFixture f;
  MakeOldProfile(f);
  const auto before = FolderEntries(f.Output(kDsnA));
  const std::string profile = K7QReadFile(f.Profile(kDsnA));
  CK7QTempDir images;
  K7QWriteFile(images.File("k7q_loop_start.gif"), "GIF89a" + std::string(200000, 'x'));
  K7QWriteFile(images.File("k7q_loop_end.gif"), "GIF89a");
  f.creator.SetImageFolder(images.Path());
  f.ui.m_answers = {kIdYes};
  // A file size limit stands in for a full disk: the profile fits, the first image does not.
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 64 * 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const CPbuildOutcome outcome = f.Run(kDsnA);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(outcome.status, CPbuildOutcome::kFailed);
  EXPECT_EQ(f.ui.Ids().back(), kIdsErrorBase + PbuildError::kWrite);
  EXPECT_FALSE(f.Shown(kIdsErrorBase + PbuildError::kMarkerImages));
  EXPECT_EQ(FolderEntries(f.Output(kDsnA)), before);
  EXPECT_EQ(K7QReadFile(f.Profile(kDsnA)), profile);
  EXPECT_EQ(FolderEntries(f.base.Path()), std::vector<std::string>{"k7q_pro_K7QTestA"});
}
