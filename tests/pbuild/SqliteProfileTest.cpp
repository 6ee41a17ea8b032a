// A whole run against the SQLite3 ODBC driver: what lands in the profile and
// beside it, and that the builder's reader takes it back.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>

#include "K7QBldGroceries.h"
#include "K7QBldProfile.h"
#include "PbuildMessages.h"
#include "PbuildTestSupport.h"

namespace {

const std::string kGif = "GIF89a\x01\x00\x01\x00";
const std::string kPhoto = kGif + std::string(300000, '\x5A');  // far above the reported 255

std::string ShopSql() {
  K7QWriteFile(ProcessFolder() + "/photo.bin", kPhoto);
  return "CREATE TABLE shop_items(id INTEGER PRIMARY KEY, name VARCHAR(20), \"品名\" VARCHAR(40),"
         " memo VARCHAR(300), notes CLOB(100000), photo BLOB, thumb BLOB, empty_pic BLOB,"
         " icon BLOB, raw BLOB, a_column_name_19byt INTEGER, \"emoji😀\" INTEGER);\n"
         "INSERT INTO shop_items(id, name, \"品名\", memo, notes, photo, icon, raw) VALUES"
         " (1, 'Apple', 'りんご', 'Fresh apples', 'ノート', readfile('" +
         ProcessFolder() +
         "/photo.bin'), X'424D3A000000', X'89504E470D0A1A0A');\n"
         "INSERT INTO shop_items(id, name, \"品名\", thumb) VALUES"
         " (2, 'Banana', 'バナナ', X'FFD8FFE000104A464946');\n"
         "CREATE TABLE a_table_name_19byte(x INTEGER);\n"
         "CREATE TABLE exactly_18_bytes_t(c INTEGER);\n"
         "INSERT INTO exactly_18_bytes_t VALUES (7);\n"
         "CREATE TABLE \"we\"\"ird t\"(\"v a\" VARCHAR(10));\n"
         "INSERT INTO \"we\"\"ird t\" VALUES ('quoted');\n"
         "CREATE VIEW v_items AS SELECT id FROM shop_items;\n";
}

std::string Field(const std::string& line, std::size_t offset, std::size_t width) {
  std::string f = line.substr(offset, width);
  while (!f.empty() && f.back() == ' ') f.pop_back();
  return f;
}

// The column line of `column` (CP932) in the Information block.
std::string ColumnLine(const std::vector<std::string>& lines, const std::string& column) {
  for (const std::string& line : lines) {
    if (line.size() >= 76 && Field(line, 19, 18) == column) return line;
  }
  return {};
}

}  // namespace

TEST(PbuildSqlite, SampleRunWritesLinesSamplesAndLargeObjectFiles) {
  MakeSqlite(kDsnA, ShopSql());
  CCreatorFixture f;
  const CPbuildOutcome outcome = f.Run(kDsnA);
  ASSERT_EQ(outcome.status, CPbuildOutcome::kDone);
  EXPECT_EQ(outcome.resultFolder, f.Output(kDsnA));
  const auto lines = Lines(f.Profile(kDsnA));
  ASSERT_GT(lines.size(), 20u);
  EXPECT_EQ(lines[0], "Data_Base_Type {");
  EXPECT_EQ(lines[1], "VQ5");
  EXPECT_EQ(lines[4], kDsnA);
  EXPECT_EQ(lines[7], "k7q");
  EXPECT_EQ(lines[10], "secret");

  // References in column order: large objects and long columns numbered
  // together, only for values that made a file; ordinary columns sampled.
  const struct {
    std::string column;
    std::string type;
    std::string length;
    std::string reference;
  } rows[] = {
      {"id", "INTEGER", "10", "SMP00000"},
      {"name", "VARCHAR", "20", "SMP00001"},
      {K7QSjis("品名"), "VARCHAR", "40", "SMP00002"},
      {"memo", "LONGVARCHAR", "300", "LOB00000.txt"},
      {"notes", "LONGVARCHAR", "100000", "LOB00001.txt"},
      {"photo", "BINARY", "255", "LOB00002.gif"},
      {"thumb", "BINARY", "255", "LOB00003.jpg"},
      {"empty_pic", "BINARY", "255", ""},
      {"icon", "BINARY", "255", "LOB00004.bmp"},
      {"raw", "BINARY", "255", "LOB00005.XXX"},
  };
  for (const auto& row : rows) {
    const std::string line = ColumnLine(lines, row.column);
    ASSERT_FALSE(line.empty()) << row.column;
    EXPECT_EQ(Field(line, 0, 19), "shop_items");
    EXPECT_EQ(Field(line, 38, 19), row.type) << row.column;
    EXPECT_EQ(Field(line, 57, 12), row.length) << row.column;
    EXPECT_EQ(line.substr(69, 7), "0      ") << row.column;
    EXPECT_EQ(line.substr(76), row.reference) << row.column;
  }
  // Names over 18 bytes, and names CP932 cannot hold, never reach the profile.
  const std::string all = K7QReadFile(f.Profile(kDsnA));
  EXPECT_EQ(all.find("a_column_name_19byt"), std::string::npos);
  EXPECT_EQ(all.find("a_table_name_19byte"), std::string::npos);
  EXPECT_EQ(all.find("emoji"), std::string::npos);
  EXPECT_EQ(all.find("v_items"), std::string::npos);  // views are not tables
  EXPECT_TRUE(f.Shown(kIdsSkippedLongNames));
  EXPECT_TRUE(f.Shown(kIdsSkippedCp932Names));
  EXPECT_FALSE(ColumnLine(lines, "c").empty());  // an 18-byte table name is kept whole
  EXPECT_EQ(Field(ColumnLine(lines, "c"), 0, 19), "exactly_18_bytes_t");
  EXPECT_EQ(Field(ColumnLine(lines, "v a"), 0, 19), "we\"ird t");  // quoted in SQL

  // The whole BLOB, not the 255 bytes the driver reports; text converted to CP932.
  const std::string folder = f.Output(kDsnA);
  EXPECT_EQ(K7QReadFile(folder + "/LOB00002.gif"), kPhoto);
  EXPECT_EQ(K7QReadFile(folder + "/LOB00001.txt"), K7QSjis("ノート"));
  EXPECT_EQ(K7QReadFile(folder + "/LOB00000.txt"), "Fresh apples");
  EXPECT_EQ(K7QReadFile(folder + "/LOB00003.jpg").substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(FolderEntries(folder),
            (std::vector<std::string>{"K7QTestA.k7q_pro", "LOB00000.txt", "LOB00001.txt",
                                      "LOB00002.gif", "LOB00003.jpg", "LOB00004.bmp",
                                      "LOB00005.XXX", "k7q_loop_end.gif", "k7q_loop_start.gif"}));
  // The profile holds the password: owner only.
  EXPECT_EQ(Mode(folder), 0700u);
  EXPECT_EQ(Mode(f.Profile(kDsnA)), 0600u);
  EXPECT_EQ(Mode(folder + "/LOB00002.gif"), 0600u);
  EXPECT_FALSE(K7QFile::Exists(folder + "_K7Q00"));

  // Sample blocks: value padded to the result column's width, NULL as blanks.
  const std::string smp = "SMP00000 {\r\n2          \r\n}\r\n";
  EXPECT_NE(all.find(smp), std::string::npos);
  // MAX compares the database's UTF-8 bytes: バ (E3 83 90) sorts after り (E3 82 8A).
  EXPECT_NE(all.find("SMP00002 {\r\n" + K7QSjis("バナナ") + " "), std::string::npos);
  EXPECT_TRUE(f.Shown(kIdsDoneHead));
  EXPECT_EQ(f.progress.m_range, 12);
}

TEST(PbuildSqlite, BuilderReaderLoadsWhatTheCreatorWrote) {
  MakeSqlite(kDsnA, ShopSql());
  CCreatorFixture f;
  ASSERT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kDone);
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  ASSERT_TRUE(profile.Read(f.Profile(kDsnA)));
  EXPECT_EQ(profile.DatabaseKind(), kDatabaseVq5);
  EXPECT_EQ(profile.DatabaseName(), kDsnA);
  EXPECT_EQ(profile.Login(), "k7q");
  ASSERT_EQ(profile.Tables().size(), 3u);
  const CK7QBldProfileColumn* name = profile.FindColumn("shop_items", "name");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(name->m_sample, "Banana");
  const CK7QBldProfileColumn* kana = profile.FindColumn("shop_items", K7QSjis("品名"));
  ASSERT_NE(kana, nullptr);
  EXPECT_EQ(kana->m_sample, K7QSjis("バナナ"));
  const CK7QBldProfileColumn* photo = profile.FindColumn("shop_items", "photo");
  ASSERT_NE(photo, nullptr);
  EXPECT_EQ(photo->m_reference, "LOB00002.gif");
  EXPECT_EQ(profile.ReferencePath(*photo), f.Output(kDsnA) + "/LOB00002.gif");
  const CK7QBldProfileColumn* empty = profile.FindColumn("shop_items", "empty_pic");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->m_reference, "");
  EXPECT_TRUE(ui.m_shown.empty());
}

TEST(PbuildSqlite, WithoutSamplesEveryLineIs76CharactersAndNoFiles) {
  MakeSqlite(kDsnA, ShopSql());
  CCreatorFixture f;
  ASSERT_EQ(f.Run(kDsnA, 1).status, CPbuildOutcome::kDone);
  const auto lines = Lines(f.Profile(kDsnA));
  std::size_t information = 0;
  while (information < lines.size() && lines[information] != "Information {") ++information;
  ASSERT_LT(information, lines.size());
  std::size_t columns = 0;
  for (std::size_t i = information + 1; i < lines.size() && lines[i] != "}"; ++i, ++columns)
    EXPECT_EQ(lines[i].size(), 76u) << lines[i];
  EXPECT_EQ(columns, 12u);
  EXPECT_EQ(lines.back(), "}");  // nothing after the Information block
  EXPECT_EQ(
      FolderEntries(f.Output(kDsnA)),
      (std::vector<std::string>{"K7QTestA.k7q_pro", "k7q_loop_end.gif", "k7q_loop_start.gif"}));
}

TEST(PbuildSqlite, ValuesOverTheLimitArePassedOverWithANotice) {
  MakeSqlite(kDsnA,
             "CREATE TABLE t(pic BLOB, big BLOB);\n"
             "INSERT INTO t VALUES (X'47494638' || '', X'474946383961AAAAAAAAAAAAAAAA');\n"
             "INSERT INTO t VALUES (X'424D', NULL);\n");
  CCreatorFixture f;
  f.creator.SetValueLimit(8);
  ASSERT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kDone);
  const auto lines = Lines(f.Profile(kDsnA));
  // The 16-byte value is over the limit and the only one: no file, a notice.
  EXPECT_EQ(ColumnLine(lines, "big").substr(76), "");
  EXPECT_TRUE(f.Shown(kIdsValueTooLarge));
  EXPECT_EQ(ColumnLine(lines, "pic").substr(76), "LOB00000.gif");
}

TEST(PbuildSqlite, FullDiskEndsWithError4AndLeavesNothing) {
  MakeSqlite(kDsnA, ShopSql());
  CCreatorFixture f;
  // A file size limit stands in for a full disk: the 300 KB picture cannot be written.
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
  EXPECT_TRUE(FolderEntries(f.base.Path()).empty());
}

TEST(PbuildSqlite, UnreadableTableIsListedAndTheRunGoesOn) {
  // A virtual table whose module this driver's library does not have.
  MakeSqlite(kDsnA,
             "CREATE TABLE a_first(x INTEGER);\n"
             "INSERT INTO a_first VALUES (3);\n"
             "PRAGMA writable_schema=ON;\n"
             "INSERT INTO sqlite_master VALUES('table', 'b_virtual', 'b_virtual', 0,"
             " 'CREATE VIRTUAL TABLE b_virtual USING k7q_no_such_module(v)');\n"
             "PRAGMA writable_schema=OFF;\n"
             "CREATE TABLE c_last(y VARCHAR(8));\n"
             "INSERT INTO c_last VALUES ('last');\n");
  CCreatorFixture f;
  const CPbuildOutcome outcome = f.Run(kDsnA);
  ASSERT_EQ(outcome.status, CPbuildOutcome::kDone);
  EXPECT_TRUE(outcome.leftOut);
  const auto lines = Lines(f.Profile(kDsnA));
  EXPECT_EQ(ColumnLine(lines, "x").substr(76), "SMP00000");
  EXPECT_EQ(ColumnLine(lines, "y").substr(76), "SMP00001");
  EXPECT_EQ(K7QReadFile(f.Profile(kDsnA)).find("b_virtual"), std::string::npos);
  bool listed = false;
  for (const auto& shown : f.ui.m_shown) {
    if (shown.id != kIdsSkippedTables) continue;
    listed = shown.text.find("\nb_virtual: ") != std::string::npos &&
             shown.text.find("k7q_no_such_module") != std::string::npos;
  }
  EXPECT_TRUE(listed);
}

TEST(PbuildSqlite, SamplesTakeTheWidthTheColumnItselfDescribes) {
  // The driver describes MAX of a BIGINT as 10 wide; the column says 20.
  // A VARCHAR(5) of kana holds five characters, ten bytes in CP932.
  MakeSqlite(kDsnA,
             "CREATE TABLE t(big BIGINT, kana VARCHAR(5), n INTEGER);\n"
             "INSERT INTO t VALUES (9007199254740993, 'りんごジュース', 7);\n");
  CCreatorFixture f;
  ASSERT_EQ(f.Run(kDsnA).status, CPbuildOutcome::kDone);
  const std::string all = K7QReadFile(f.Profile(kDsnA));
  EXPECT_NE(all.find("SMP00000 {\r\n9007199254740993     \r\n}"), std::string::npos) << all;
  // Six positions (five, and one more as for every column): six characters,
  // never a cut through one.
  EXPECT_NE(all.find("SMP00001 {\r\n" + K7QSjis("りんごジュー") + "\r\n}"), std::string::npos);
  EXPECT_NE(all.find("SMP00002 {\r\n7          \r\n}"), std::string::npos);
}

TEST(PbuildSqlite, SamplesAndFilesStopAtTheFormatsLimitWithAList) {
  MakeSqlite(kDsnA,
             "CREATE TABLE t(a INTEGER, p BLOB, b INTEGER, q BLOB, c INTEGER, r BLOB);\n"
             "INSERT INTO t VALUES (1, X'4749', 2, X'424D', 3, X'FFD8');\n");
  CCreatorFixture f;
  f.creator.SetReferenceLimit(2);
  const CPbuildOutcome outcome = f.Run(kDsnA);
  ASSERT_EQ(outcome.status, CPbuildOutcome::kDone);
  EXPECT_TRUE(outcome.leftOut);
  const auto lines = Lines(f.Profile(kDsnA));
  const struct {
    const char* column;
    const char* reference;
  } rows[] = {{"a", "SMP00000"}, {"p", "LOB00000.gif"},
              {"b", "SMP00001"}, {"q", "LOB00001.bmp"},
              {"c", ""},         {"r", ""}};
  for (const auto& row : rows) EXPECT_EQ(ColumnLine(lines, row.column).substr(76), row.reference);
  EXPECT_EQ(FolderEntries(f.Output(kDsnA)),
            (std::vector<std::string>{"K7QTestA.k7q_pro", "LOB00000.gif", "LOB00001.bmp",
                                      "k7q_loop_end.gif", "k7q_loop_start.gif"}));
  const auto& shown = f.ui.m_shown;
  const auto list = std::find_if(shown.begin(), shown.end(),
                                 [](const auto& s) { return s.id == kIdsReferencesOverLimit; });
  ASSERT_NE(list, shown.end());
  EXPECT_EQ(list->text.substr(list->text.find('\n')), "\nt.c\nt.r");
}

TEST(PbuildSqlite, TablesBeyondTheFirst1024AreListed) {
  std::string sql = "BEGIN;\n";
  for (int i = 0; i < 1026; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "t%04d", i);
    sql += std::string("CREATE TABLE ") + name + "(x INTEGER);\n";
  }
  MakeSqlite(kDsnA, sql + "COMMIT;\n");
  CCreatorFixture f;
  f.creator.SetListLimit(1);
  const CPbuildOutcome outcome = f.Run(kDsnA, 1);
  ASSERT_EQ(outcome.status, CPbuildOutcome::kDone);
  EXPECT_TRUE(outcome.leftOut);
  const std::string all = K7QReadFile(f.Profile(kDsnA));
  EXPECT_NE(all.find("t1023 "), std::string::npos);
  EXPECT_EQ(all.find("t1024 "), std::string::npos);
  for (const auto& shown : f.ui.m_shown) {
    if (shown.id != kIdsTablesOverLimit) continue;
    // One name shown, the other counted.
    EXPECT_NE(shown.text.find("\nt1024\n"), std::string::npos) << shown.text;
    EXPECT_EQ(shown.text.find("t1025"), std::string::npos);
    EXPECT_EQ(shown.text.back(), '1');
  }
  EXPECT_TRUE(f.Shown(kIdsTablesOverLimit));
}
