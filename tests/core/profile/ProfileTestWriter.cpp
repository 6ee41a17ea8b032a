// Writing profiles: exact bytes, what the format refuses, replacing a file
// in one step, and a writer-reader round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "K7QBldCp932.h"
#include "K7QBldProfile.h"
#include "K7QBldProfileWriter.h"
#include "K7QTestSupport.h"

namespace {

const char kHeader[] =
    "Data_Base_Type {\r\nVQ5\r\n}\r\n"
    "Data_Base_Name {\r\nSHOP\r\n}\r\n"
    "Login {\r\ntanaka\r\n}\r\n"
    "Password {\r\nhimitsu\r\n}\r\n"
    "Define {\r\nCLOBTYPE=%EXEC \"TYPE @RZV_rGETINIDATA(\"html_path\")$(ClobData)\"\r\n}\r\n"
    "Information {\r\n";

const K7QProfileHeader kShop{"VQ5", "SHOP", "tanaka", "himitsu"};

TEST(ProfileWriter, WritesTheFormatByteForByte) {
  CK7QTempDir dir;
  const std::string path = dir.File("SHOP.k7q_pro");
  CK7QBldProfileWriter w;
  ASSERT_TRUE(w.Begin(path, kShop));
  ASSERT_TRUE(w.AddColumn({"customers", "id", "INTEGER", 10, 0}));
  ASSERT_TRUE(w.AddSampledColumn({"customers", "name", "VARCHAR", 40, 0}, K7QSjis("山田"), 10));
  EXPECT_EQ(w.LastReference(), "SMP00000");
  // SQL NULL: a line of blanks.
  ASSERT_TRUE(w.AddSampledColumn({"customers", "note", "VARCHAR", 300, 0}, std::nullopt, 5));
  // Cut to the width, never inside a double-byte character.
  ASSERT_TRUE(w.AddSampledColumn({"customers", "kana", "VARCHAR", 3, 0}, K7QSjis("アイ"), 3));
  // A line break inside a value would end its block early.
  ASSERT_TRUE(w.AddSampledColumn({"customers", "memo", "VARCHAR", 20, 0}, "a\r\nb", 6));
  ASSERT_TRUE(w.AddLobColumn(
      {"products", "photo", "ABCDEFGHIJKLMNOPQRSTUV", 123456789012345LL, 1234567}, ".gif"));
  EXPECT_EQ(w.LastReference(), "LOB00000.gif");
  ASSERT_TRUE(w.AddColumn({"products", "price", "DECIMAL", -12345678901234LL, -3}));
  ASSERT_TRUE(w.AddLobColumn({"products", "manual", "CLOB", 1048576, 0}, ".txt"));
  EXPECT_EQ(w.LastReference(), "LOB00001.txt");
  EXPECT_FALSE(std::filesystem::exists(path));  // nothing under the name before Finish
  w.Finish();

  const std::string expected =
      std::string(kHeader) +
      "customers          id                 INTEGER            10          0      \r\n"
      "customers          name               VARCHAR            40          0      SMP00000\r\n"
      "customers          note               VARCHAR            300         0      SMP00001\r\n"
      "customers          kana               VARCHAR            3           0      SMP00002\r\n"
      "customers          memo               VARCHAR            20          0      SMP00003\r\n"
      "products           photo              ABCDEFGHIJKLMNOPQR 99999999999 999999 LOB00000.gif\r\n"
      "products           price              DECIMAL            -9999999999 -3     \r\n"
      "products           manual             CLOB               1048576     0      LOB00001.txt\r\n"
      "}\r\n"
      "SMP00000 {\r\n" +
      K7QSjis("山田") +
      "      \r\n}\r\n"
      "SMP00001 {\r\n     \r\n}\r\n"
      "SMP00002 {\r\n" +
      K7QSjis("ア") +
      " \r\n}\r\n"
      "SMP00003 {\r\na  b  \r\n}\r\n";
  EXPECT_EQ(K7QReadFile(path), expected);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                          std::filesystem::directory_iterator()),
            1);  // the temporary files are gone
}

TEST(ProfileWriter, RefusesWhatTheFormatCannotHold) {
  CK7QTempDir dir;
  const std::string path = dir.File("x.k7q_pro");
  CK7QBldProfileWriter w;
  // Header fields are at most 31 bytes, on one line.
  EXPECT_FALSE(w.Begin(path, {"VQ5", std::string(32, 'n'), "u", "p"}));
  EXPECT_FALSE(w.Begin(path, {"VQ5", "n", "u\nx", "p"}));
  EXPECT_FALSE(w.IsOpen());
  // Not open yet.
  EXPECT_FALSE(w.AddColumn({"t", "c", "INTEGER", 1, 0}));
  ASSERT_TRUE(w.Begin(path, {"VQ5", std::string(31, 'n'), "", ""}));

  const K7QProfileColumnDef refused[] = {
      {std::string(19, 't'), "c", "INTEGER", 1, 0},             // 19 bytes
      {"t", K7QSjis("あいうえおかきくけこ"), "INTEGER", 1, 0},  // 20 bytes
      {"", "c", "INTEGER", 1, 0},
      {"t", "", "INTEGER", 1, 0},
      {" t", "c", "INTEGER", 1, 0},  // the reader would trim the blank away
      {"t", "c ", "INTEGER", 1, 0},
      {"t\n", "c", "INTEGER", 1, 0},
      {"t", "c\t", "INTEGER", 1, 0},
      {"t", "c", "", 1, 0},
      {"t", "c", "INT\r\nEGER", 1, 0},
  };
  for (const auto& d : refused) {
    EXPECT_FALSE(w.AddColumn(d)) << d.table << "." << d.column;
    EXPECT_FALSE(w.AddSampledColumn(d, "v", 3));
    EXPECT_FALSE(w.AddLobColumn(d, ".gif"));
  }
  EXPECT_FALSE(w.AddLobColumn({"t", "c", "BLOB", 1, 0}, ".png"));
  EXPECT_FALSE(w.AddLobColumn({"t", "c", "BLOB", 1, 0}, "gif"));
  EXPECT_TRUE(w.AddColumn({std::string(18, 't'), K7QSjis("あいうえおかきくけ"), "INTEGER", 1, 0}));
  w.Finish();
  EXPECT_EQ(w.SampleCount(), 0);
  EXPECT_EQ(w.LobCount(), 0);

  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  ASSERT_TRUE(profile.Read(path));
  ASSERT_EQ(profile.Tables().size(), 1u);
  EXPECT_EQ(profile.Tables()[0].Name(), std::string(18, 't'));
  EXPECT_EQ(profile.Tables()[0].Columns()[0].m_column, K7QSjis("あいうえおかきくけ"));
}

TEST(ProfileWriter, OldFileStaysUntilFinishAndFailuresLeaveNothing) {
  CK7QTempDir dir;
  const std::string path = dir.File("SHOP.k7q_pro");
  K7QWriteFile(path, "old");
  {
    CK7QBldProfileWriter w;
    ASSERT_TRUE(w.Begin(path, kShop));
    ASSERT_TRUE(w.AddSampledColumn({"t", "c", "INTEGER", 1, 0}, "1", 2));
    EXPECT_EQ(K7QReadFile(path), "old");
    // Destroyed without Finish: thrown away.
  }
  EXPECT_EQ(K7QReadFile(path), "old");
  EXPECT_FALSE(std::filesystem::exists(dir.File("SHOP.tmp")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("SHOP.smp.tmp")));

  CK7QBldProfileWriter w;
  EXPECT_THROW(w.Begin(dir.File("no/such/folder/x.k7q_pro"), kShop), CK7QBldFileException);
  EXPECT_FALSE(w.IsOpen());
  EXPECT_THROW(w.Finish(), CK7QBldFileException);
}

// Random names of ASCII and double-byte characters that the format can hold.
std::string RandomName(std::mt19937& rng, std::size_t maxBytes) {
  static const char* kWide[] = {"商", "品", "ソ", "表", "能", "予", "十", "ア", "ー", "ｶ"};
  static const char kNarrow[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_$# .-{}";
  std::string utf8;
  std::string out;
  const std::size_t want = 1 + rng() % maxBytes;
  while (out.size() < want) {
    std::string piece;
    if (rng() % 3 == 0) {
      piece = K7QSjis(kWide[rng() % std::size(kWide)]);
    } else {
      piece = std::string(1, kNarrow[rng() % (sizeof kNarrow - 1)]);
    }
    if (out.size() + piece.size() > want) break;
    out += piece;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  while (!out.empty() && out.front() == ' ') out.erase(0, 1);
  return out.empty() ? "x" : out;
}

TEST(ProfileWriter, RoundTripOfRandomTablesAndColumns) {
  static const char* kTypes[] = {"CHARACTER", "NUMERIC", "DECIMAL",   "INTEGER",      "SMALLINT",
                                 "FLOAT",     "DATE",    "TIMESTAMP", "VARCHAR",      "LONGVARCHAR",
                                 "BLOB",      "CLOB",    "DBCLOB",    "UNKNOWN_TYPE", "VARGRAPHIC"};
  static const char* kExtensions[] = {".gif", ".bmp", ".jpg", ".txt", ".XXX"};
  std::mt19937 rng(20240601);
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE(round);
    CK7QTempDir dir;
    const std::string path = dir.File("R.k7q_pro");
    const bool withSamples = round % 4 != 0;
    K7QProfileHeader header{round % 2 ? "ODBC" : "VQ5", RandomName(rng, 31), RandomName(rng, 31),
                            RandomName(rng, 31)};
    CK7QBldProfileWriter w;
    ASSERT_TRUE(w.Begin(path, header));

    std::vector<CK7QBldProfileColumn> expected;
    std::vector<std::string> tables;
    const int tableCount = 1 + static_cast<int>(rng() % 12);
    for (int t = 0; t < tableCount; ++t) {
      std::string table;
      do table = RandomName(rng, 18);
      while (std::find(tables.begin(), tables.end(), table) != tables.end());
      tables.push_back(table);
      const int columnCount = 1 + static_cast<int>(rng() % 25);
      for (int i = 0; i < columnCount; ++i) {
        K7QProfileColumnDef d{table, RandomName(rng, 18), kTypes[rng() % std::size(kTypes)],
                              static_cast<long long>(rng() % 2000000) - 1000, 0};
        if (rng() % 3 == 0) d.scale = static_cast<int>(rng() % 40);
        CK7QBldProfileColumn c;
        c.m_table = d.table;
        c.m_column = d.column;
        c.m_typeName = d.typeName;
        c.m_length = std::to_string(d.length);
        c.m_scale = std::to_string(d.scale);
        c.m_typeCode = CK7QBldProfileColumn::TypeCode(d.typeName);
        const unsigned mode = withSamples ? rng() % 4 : 0;
        if (mode == 0) {
          ASSERT_TRUE(w.AddColumn(d));
        } else if (mode == 3) {
          ASSERT_TRUE(w.AddLobColumn(d, kExtensions[rng() % std::size(kExtensions)]));
        } else {
          const std::size_t width = 1 + rng() % 40;
          std::string value =
              mode == 2 ? std::string() : RandomName(rng, 30) + "\n" + RandomName(rng, 9);
          ASSERT_TRUE(w.AddSampledColumn(
              d, mode == 2 ? std::nullopt : std::optional<std::string_view>(value), width));
          // What the reader gets back: cut to the width, line break blanked, trimmed.
          std::string cut;
          for (std::size_t k = 0; k < value.size();) {
            const std::size_t n = K7QCp932::CharLength(value, k);
            if (cut.size() + n > width) break;
            cut.append(value, k, n);
            k += n;
          }
          for (char& ch : cut)
            if (ch == '\n') ch = ' ';
          c.m_sample = CK7QBldGroceries::Trim(cut);
        }
        c.m_reference = w.LastReference();
        c.m_kind = CK7QBldProfileColumn::KindOf(c.m_reference, c.m_typeCode);
        expected.push_back(std::move(c));
      }
    }
    w.Finish();

    CK7QScriptedUi ui;
    CK7QBldGroceries groceries(ui);
    CK7QBldProfile profile(groceries);
    ASSERT_TRUE(profile.Read(path));
    EXPECT_EQ(profile.DatabaseKind(), round % 2 ? kDatabaseOdbc : kDatabaseVq5);
    EXPECT_EQ(profile.DatabaseName(), header.databaseName);
    EXPECT_EQ(profile.Login(), header.login);
    EXPECT_EQ(profile.Password(), header.password);
    EXPECT_EQ(profile.TableNames(), tables);
    std::size_t k = 0;
    for (const auto& t : profile.Tables()) {
      for (const auto& c : t.Columns()) {
        ASSERT_LT(k, expected.size());
        const auto& e = expected[k++];
        SCOPED_TRACE(e.m_table + "." + e.m_column);
        EXPECT_EQ(c.m_table, e.m_table);
        EXPECT_EQ(c.m_column, e.m_column);
        EXPECT_EQ(c.m_typeName, e.m_typeName);
        EXPECT_EQ(c.m_length, e.m_length);
        EXPECT_EQ(c.m_scale, e.m_scale);
        EXPECT_EQ(c.m_reference, e.m_reference);
        EXPECT_EQ(c.m_typeCode, e.m_typeCode);
        EXPECT_EQ(c.m_kind, e.m_kind);
        EXPECT_EQ(c.m_sample, e.m_sample);
      }
    }
    EXPECT_EQ(k, expected.size());
  }
}

TEST(ProfileWriter, SampleNamesStopBeforeTheyNeedSixDigits) {
  CK7QTempDir dir;
  const std::string path = dir.File("M.k7q_pro");
  CK7QBldProfileWriter w;
  ASSERT_TRUE(w.Begin(path, kShop));
  for (int i = 0; i < CK7QBldProfileWriter::kMaxSamples; ++i) {
    ASSERT_TRUE(w.AddSampledColumn({"t", "c", "INTEGER", 1, 0}, "v", 1));
  }
  EXPECT_EQ(w.LastReference(), "SMP99999");
  ASSERT_TRUE(w.AddSampledColumn({"t", "last", "INTEGER", 1, 0}, "w", 1));
  EXPECT_EQ(w.LastReference(), "");
  w.Finish();
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  ASSERT_TRUE(profile.Read(path));
  const auto& columns = profile.Tables()[0].Columns();
  ASSERT_EQ(columns.size(), 100001u);
  // "SMP100000" would be read as "SMP10000" and overwrite that column's sample.
  EXPECT_EQ(columns[10000].m_sample, "v");
  EXPECT_EQ(columns[99999].m_sample, "v");
  EXPECT_EQ(columns[100000].m_kind, kKindNone);
}

}  // namespace
