// The same run against a real PostgreSQL server through psqlODBC: mixed-case
// names that must be quoted, bytea and text values, a password login, and a
// failure that ends the program.
#include <gtest/gtest.h>

#include "K7QBldFile.h"
#include "PbuildMessages.h"
#include "PbuildTestSupport.h"

namespace {

class PbuildPostgres : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePostgres()) GTEST_SKIP() << "K7Q_PG_PORT is not set (scripts/test starts a server)";
    ASSERT_TRUE(MakePgDatabase());
    ASSERT_TRUE(Psql("DROP SCHEMA public CASCADE; CREATE SCHEMA public;", true));
    ASSERT_TRUE(Psql("GRANT ALL ON SCHEMA public TO " + PgUser() + ";", true));
  }
};

}  // namespace

TEST_F(PbuildPostgres, MixedCaseNamesByteaAndTextMakeAProfile) {
  ASSERT_TRUE(
      Psql("CREATE TABLE \"Goods\"(\"Id\" integer, \"Name\" varchar(20), note varchar(300),"
           " body text, \"Photo\" bytea, price numeric(8,2));\n"
           "INSERT INTO \"Goods\" VALUES (1, 'みかん', NULL, NULL, NULL, 12.50),"
           " (2, 'Lemon', '長い説明', '本文', '\\xFFD8FFE000104A4649'::bytea, 3.25);\n"));
  CCreatorFixture f;
  const CPbuildOutcome outcome = f.Run(kDsnPg, 0, PgUser(), PgPassword());
  ASSERT_EQ(outcome.status, CPbuildOutcome::kDone);
  const auto lines = Lines(f.Profile(kDsnPg));
  EXPECT_EQ(lines[7], PgUser());
  EXPECT_EQ(lines[10], PgPassword());
  std::vector<std::string> columns;
  for (const std::string& line : lines) {
    if (line.rfind("Goods ", 0) == 0) columns.push_back(line);
  }
  ASSERT_EQ(columns.size(), 6u);
  EXPECT_EQ(columns[0].substr(19, 19), "Id                 ");
  EXPECT_EQ(columns[0].substr(76), "SMP00000");
  EXPECT_EQ(columns[1].substr(76), "SMP00001");
  EXPECT_EQ(columns[2].substr(38, 19), "LONGVARCHAR        ");
  EXPECT_EQ(columns[2].substr(76), "LOB00000.txt");
  EXPECT_EQ(columns[3].substr(76), "LOB00001.txt");
  EXPECT_EQ(columns[4].substr(38, 19), "LONGVARBINARY      ");
  EXPECT_EQ(columns[4].substr(76), "LOB00002.jpg");
  EXPECT_EQ(columns[5].substr(38, 32), "NUMERIC            8           2");
  const std::string folder = f.Output(kDsnPg);
  EXPECT_EQ(K7QReadFile(folder + "/LOB00000.txt"), K7QSjis("長い説明"));
  EXPECT_EQ(K7QReadFile(folder + "/LOB00001.txt"), K7QSjis("本文"));
  EXPECT_EQ(K7QReadFile(folder + "/LOB00002.jpg"),
            std::string("\xFF\xD8\xFF\xE0\x00\x10\x4A\x46\x49", 9));
  const std::string all = K7QReadFile(f.Profile(kDsnPg));
  EXPECT_NE(all.find("SMP00001 {\r\n" + K7QSjis("みかん")), std::string::npos);
  EXPECT_NE(all.find("SMP00002 {\r\n12.50 "), std::string::npos);
}

TEST_F(PbuildPostgres, WrongPasswordIsError52AndLeavesNothing) {
  CCreatorFixture f;
  EXPECT_EQ(f.Run(kDsnPg, 0, PgUser(), "not-the-password").status, CPbuildOutcome::kFailed);
  EXPECT_TRUE(f.Shown(kIdsDiagStateLabel));  // the server's reason
  EXPECT_TRUE(f.Shown(kIdsConnectFailedHead));
  EXPECT_EQ(f.ui.Ids().back(), kIdsErrorBase + PbuildError::kConnect);
  EXPECT_TRUE(FolderEntries(f.base.Path()).empty());
}

TEST_F(PbuildPostgres, RefusedQueryRollsBackEndsWithItsCodeAndLeavesNothing) {
  // A table the login may see but not read: the query fails inside the run.
  ASSERT_TRUE(
      Psql("CREATE TABLE aaa_ok(x integer); CREATE TABLE secret(y integer);"
           " ALTER TABLE aaa_ok OWNER TO " +
               PgUser() + ";",
           true));
  CCreatorFixture f;
  testing::internal::CaptureStdout();
  const CPbuildOutcome outcome = f.Run(kDsnPg, 0, PgUser(), PgPassword());
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(outcome.status, CPbuildOutcome::kFatal);
  EXPECT_EQ(outcome.exitCode, -1);
  EXPECT_NE(out.find(">Rollback Successful, Exiting application\n"), std::string::npos);
  const auto ids = f.ui.Ids();
  ASSERT_GE(ids.size(), 3u);
  EXPECT_EQ(ids[ids.size() - 3], kIdsDiagStateLabel);
  EXPECT_EQ(ids[ids.size() - 2], kIdsDiagError);
  EXPECT_EQ(ids.back(), kIdsDiagExiting);
  EXPECT_TRUE(FolderEntries(f.base.Path()).empty());
}
