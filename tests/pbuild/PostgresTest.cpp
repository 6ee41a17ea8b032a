// The same run against a real PostgreSQL server through psqlODBC: mixed-case
// names that must be quoted, every common column type, schemas, a table the
// login may not read, and a password login.
#include <gtest/gtest.h>
#include <unistd.h>

#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldProfile.h"
#include "PbuildMessages.h"
#include "PbuildTestSupport.h"

namespace {

class PbuildPostgres : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HavePostgres()) GTEST_SKIP() << "K7Q_PG_PORT is not set (scripts/test starts a server)";
    ASSERT_TRUE(MakePgDatabase());
    ASSERT_TRUE(
        Psql("DROP SCHEMA public CASCADE; DROP SCHEMA IF EXISTS s2 CASCADE; CREATE SCHEMA public;",
             true));
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

namespace {

// The closing list `id` as the run showed it ("" when it did not).
std::string ShownList(const CCreatorFixture& f, unsigned id) {
  for (const auto& shown : f.ui.m_shown) {
    if (shown.id == id) return shown.text;
  }
  return {};
}

// Column lines of `table` in the Information block, without their table field.
std::vector<std::string> ColumnsOf(const std::vector<std::string>& lines,
                                   const std::string& table) {
  std::vector<std::string> columns;
  for (const std::string& line : lines) {
    if (line.size() >= 76 && line.compare(0, 19, table + std::string(19 - table.size(), ' ')) == 0)
      columns.push_back(line.substr(19));
  }
  return columns;
}

// The value line of sample block `name`.
std::string SampleLine(const std::vector<std::string>& lines, const std::string& name) {
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == name + " {") return lines[i + 1];
  }
  return "(none)";
}

const char* kZooSql =
    "CREATE TABLE kinds(flag boolean, id uuid, doc json, docb jsonb, raw bytea,"
    " amount numeric(10,2), seen timestamp, body text, label varchar(10), big bigint);\n"
    "INSERT INTO kinds VALUES (true, 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '{\"a\": 1}',"
    " '{\"b\": 2}', '\\x474946383961'::bytea, 1234.50, '2024-05-06 07:08:09', 'long text',"
    " 'みかん', 9007199254740993);\n"
    // The same columns as kinds' ordinary ones, with one MAX refused: the
    // columns the database takes get their samples one by one.
    "CREATE TABLE mixed(flag boolean, amount numeric(10,2), label varchar(10), big bigint);\n"
    "INSERT INTO mixed SELECT flag, amount, label, big FROM kinds;\n"
    "CREATE SCHEMA s2;\n"
    "CREATE TABLE s2.kinds(other integer);\n"
    "CREATE TABLE s2.only_s2(q integer);\n"
    "INSERT INTO s2.only_s2 VALUES (42);\n";

}  // namespace

TEST_F(PbuildPostgres, EveryColumnTypeTheDefaultSchemaAndAnUnreadableTable) {
  ASSERT_TRUE(Psql(kZooSql));
  // A table the login sees in the catalog but may not read.
  ASSERT_TRUE(Psql("CREATE TABLE secret(y integer);", true));
  CCreatorFixture f;
  const CPbuildOutcome outcome = f.Run(kDsnPg, 0, PgUser(), PgPassword());
  ASSERT_EQ(outcome.status, CPbuildOutcome::kDone);
  EXPECT_TRUE(outcome.leftOut);
  const auto lines = Lines(f.Profile(kDsnPg));

  // The login's default schema (public): s2's tables stay out, its kinds
  // does not mix its columns into public's.
  const auto kinds = ColumnsOf(lines, "kinds");
  const std::vector<std::string> expected = {
      // Types MAX cannot order: written, without a sample.
      "flag               VARCHAR            5           0      ",
      "id                 UNKNOWN_TYPE       37          0      ",
      "doc                VARCHAR            255         0      ",
      "docb               VARCHAR            255         0      ",
      "raw                LONGVARBINARY      0           0      LOB00000.gif",
      "amount             NUMERIC            10          2      SMP00000",
      "seen               TIMESTAMP          26          6      SMP00001",
      "body               LONGVARCHAR        8190        0      LOB00001.txt",
      "label              VARCHAR            10          0      SMP00002",
      "big                BIGINT             19          0      SMP00003",
  };
  EXPECT_EQ(kinds, expected);
  EXPECT_TRUE(ColumnsOf(lines, "secret").empty());
  EXPECT_TRUE(ColumnsOf(lines, "only_s2").empty());
  EXPECT_EQ(K7QReadFile(f.Output(kDsnPg) + "/LOB00000.gif"), "GIF89a");
  EXPECT_EQ(K7QReadFile(f.Output(kDsnPg) + "/LOB00001.txt"), "long text");

  // Each sample as wide as its own column describes it (plus one), whatever
  // the driver says of MAX: no 8 KB of blanks, no cut numbers.
  EXPECT_EQ(SampleLine(lines, "SMP00000"), "1234.50      ");
  EXPECT_EQ(SampleLine(lines, "SMP00001"), "2024-05-06 07:08:09        ");
  EXPECT_EQ(SampleLine(lines, "SMP00002"), K7QSjis("みかん") + std::string(8, ' '));
  EXPECT_EQ(SampleLine(lines, "SMP00003"), "9007199254740993     ");

  // Where MAX was refused for one column, the others of the table were
  // sampled alone, to the same bytes as in one statement.
  const auto mixed = ColumnsOf(lines, "mixed");
  ASSERT_EQ(mixed.size(), 4u);
  EXPECT_EQ(mixed[0].substr(57), "");
  EXPECT_EQ(mixed[1].substr(57), "SMP00004");
  EXPECT_EQ(SampleLine(lines, "SMP00004"), SampleLine(lines, "SMP00000"));  // amount
  EXPECT_EQ(SampleLine(lines, "SMP00005"), SampleLine(lines, "SMP00002"));  // label
  EXPECT_EQ(SampleLine(lines, "SMP00006"), SampleLine(lines, "SMP00003"));  // big

  // Everything left out was listed with the database's reason.
  const std::string tables = ShownList(f, kIdsSkippedTables);
  EXPECT_NE(tables.find("public.secret: 42501: "), std::string::npos) << tables;
  const std::string columns = ShownList(f, kIdsColumnsWithoutSample);
  for (const char* column :
       {"public.kinds.flag: 42883: ", "public.kinds.id: 42883: ", "public.kinds.doc: 42883: ",
        "public.kinds.docb: 42883: ", "public.mixed.flag: 42883: "})
    EXPECT_NE(columns.find(column), std::string::npos) << column << "\n" << columns;
  EXPECT_EQ(columns.find("amount"), std::string::npos);

  // The builder reads it back whole.
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  ASSERT_TRUE(profile.Read(f.Profile(kDsnPg)));
  EXPECT_EQ(profile.TableNames(), (K7QStringList{"kinds", "mixed"}));
  EXPECT_EQ(profile.FindColumn("kinds", "big")->m_sample, "9007199254740993");
}

TEST_F(PbuildPostgres, SchemaFilterTakesOneSchemaOrEveryOne) {
  ASSERT_TRUE(Psql(kZooSql));
  CCreatorFixture f;
  auto run = [&](const std::string& schema) {
    f.ui.m_shown.clear();
    CPbuildInputs inputs{kDsnPg, PgUser(), PgPassword(), f.base.Path(), 1, schema};
    f.ui.m_answers = {kIdYes};
    return f.creator.Run(inputs);
  };

  ASSERT_EQ(run("s2").status, CPbuildOutcome::kDone);
  auto lines = Lines(f.Profile(kDsnPg));
  EXPECT_EQ(ColumnsOf(lines, "kinds"),
            std::vector<std::string>{"other              INTEGER            10          0      "});
  EXPECT_EQ(ColumnsOf(lines, "only_s2").size(), 1u);
  EXPECT_TRUE(ColumnsOf(lines, "mixed").empty());

  // Every schema: the default schema's kinds wins, s2's is listed.
  ASSERT_EQ(run("*").status, CPbuildOutcome::kDone);
  lines = Lines(f.Profile(kDsnPg));
  EXPECT_EQ(ColumnsOf(lines, "kinds").size(), 10u);
  EXPECT_EQ(ColumnsOf(lines, "only_s2").size(), 1u);
  EXPECT_NE(ShownList(f, kIdsSameNameTables).find("\ns2.kinds"), std::string::npos);

  // A schema without tables is refused before anything is written: the old
  // profile stays as it was.
  const std::string before = K7QReadFile(f.Profile(kDsnPg));
  EXPECT_EQ(run("no_such").status, CPbuildOutcome::kFailed);
  const std::string refusal = ShownList(f, kIdsSchemaEmpty);
  EXPECT_NE(refusal.find("no_such"), std::string::npos);
  EXPECT_NE(refusal.find("public"), std::string::npos);
  EXPECT_NE(refusal.find("s2"), std::string::npos);
  EXPECT_EQ(K7QReadFile(f.Profile(kDsnPg)), before);
  EXPECT_EQ(FolderEntries(f.base.Path()),
            std::vector<std::string>{"k7q_pro_" + std::string(kDsnPg)});
}

TEST_F(PbuildPostgres, OneScanPerTableForItsOrdinaryColumns) {
  ASSERT_TRUE(
      Psql("CREATE TABLE wide(a integer, b integer, c varchar(5), d date, e numeric(4,1));\n"
           "INSERT INTO wide SELECT i, -i, 'x' || i, DATE '2024-01-01' + i, i / 10.0"
           " FROM generate_series(1, 50) AS i;\n"));
  CCreatorFixture f;
  ASSERT_EQ(f.Run(kDsnPg, 0, PgUser(), PgPassword()).status, CPbuildOutcome::kDone);
  // The server counts the scans of each table; its counts reach the view
  // when the creator's session has ended.
  std::string scans;
  for (int i = 0; i < 50 && scans != "1"; ++i) {
    scans = PsqlValue("SELECT seq_scan FROM pg_stat_user_tables WHERE relname = 'wide'");
    if (scans != "1") ::usleep(100 * 1000);
  }
  EXPECT_EQ(scans, "1");
  const auto lines = Lines(f.Profile(kDsnPg));
  EXPECT_EQ(SampleLine(lines, "SMP00000"), "50          ");
  EXPECT_EQ(SampleLine(lines, "SMP00001"), "-1          ");
  EXPECT_EQ(SampleLine(lines, "SMP00002"), "x9    ");
  EXPECT_EQ(SampleLine(lines, "SMP00003"), "2024-02-20 ");
  EXPECT_EQ(SampleLine(lines, "SMP00004"), "5.0    ");
}
