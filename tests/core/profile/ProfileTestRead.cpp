// Reading profile files: the line-driven state machine, its tolerances and
// how a broken line ends the reading.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "K7QBldProfile.h"
#include "K7QTestSupport.h"

namespace {

std::string Fixture(const std::string& name) {
  return std::string(K7Q_TEST_DATA_DIR) + "/core/data/profiles/" + name;
}

struct ProfileFixture : ::testing::Test {
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries{ui};
  CK7QBldProfile profile{groceries};
};

struct ColumnRow {
  const char* table;
  const char* column;
  const char* type;
  const char* length;
  const char* scale;
  int typeCode;
  int kind;
  const char* reference;
  const char* sample;
};

// Column fields as written by hand into shop.k7q_pro (texts in UTF-8 here).
const ColumnRow kShopColumns[] = {
    {"customers", "id", "INTEGER", "10", "0", 3, 4, "SMP00000", "1"},
    {"customers", "name", "VARCHAR", "40", "0", 6, 4, "SMP00001", "山田 太郎"},
    {"customers", "name_en", "VARCHAR", "40", "0", 6, 4, "SMP00002", "Taro Yamada"},
    {"customers", "joined", "DATE", "10", "0", 1, 4, "SMP00003", "2019-04-01"},
    {"customers", "note", "VARCHAR", "300", "0", 6, 4, "SMP00004",
     "毎月第一週に定期便。ソフトクリームの機械は表のソーダ売り場の隣にあります。Deliveries every "
     "first week; the soft-serve machine stands next to the soda counter out front."},
    // A second run of lines for a table already known appends to it.
    {"customers", "email", "VARCHAR", "60", "0", 6, 4, "SMP00013", "taro@example.jp"},
    {"products", "id", "INTEGER", "10", "0", 3, 4, "SMP00005", "1001"},
    {"products", "name", "VARCHAR", "60", "0", 6, 4, "SMP00006",
     "抹茶ソフトクリーム Matcha soft-serve"},
    {"products", "price", "DECIMAL", "10", "2", 2, 4, "SMP00007", "480.00"},
    {"products", "stock", "SMALLINT", "5", "0", 4, 4, "SMP00008", "120"},
    {"products", "description", "CLOB", "1048576", "0", 9, 2, "LOB00000.txt", ""},
    {"products", "photo", "BLOB", "1048576", "0", 10, 1, "LOB00001.gif", ""},
    // Content not recognised as an image: nothing to show.
    {"products", "catalog", "BLOB", "1048576", "0", 10, 0, "LOB00002.XXX", ""},
    // Text files of anything but CLOB are plain text files.
    {"products", "memo_long", "LONGVARCHAR", "65536", "0", 0, 3, "LOB00003.txt", ""},
    {"products", "memo_wide", "DBCLOB", "32768", "0", 0, 3, "LOB00004.TXT", ""},
    {"products", "label", "BLOB", "1048576", "0", 10, 1, "LOB00005.JPG", ""},
    {"products", "icon", "BLOB", "1048576", "0", 10, 1, "LOB00006.bmp", ""},
    // SMP00009 has no block: still an inline sample, with no text.
    {"店舗", "店名", "VARCHAR", "40", "0", 6, 4, "SMP00009", ""},
    {"店舗", "opened", "DATE", "10", "0", 1, 4, "SMP00010", "2015-10-10"},
    // 18 characters is the whole field; the 19th position is the separator.
    {"order_items_detail", "quantity", "SMALLINT", "5", "0", 4, 4, "SMP00011", "3"},
    {"order_items_detail", "unit_price", "NUMERIC", "10", "2", 0, 4, "SMP00012", "1200.50"},
    {"order_items_detail", "flags", "UNKNOWN_TYPE", "8", "0", 0, 0, "", ""},
};

std::vector<const CK7QBldProfileColumn*> AllColumns(const CK7QBldProfile& p) {
  std::vector<const CK7QBldProfileColumn*> all;
  for (const auto& t : p.Tables())
    for (const auto& c : t.Columns()) all.push_back(&c);
  return all;
}

TEST_F(ProfileFixture, ReadsTheShopProfileField_by_field) {
  const std::string path = Fixture("shop/shop.k7q_pro");
  ASSERT_TRUE(profile.Read(path));
  EXPECT_TRUE(profile.IsLoaded());
  EXPECT_EQ(profile.DatabaseKind(), kDatabaseVq5);
  EXPECT_EQ(profile.FunctionSection(), "%FUNCTION(RZV_SQL)");
  EXPECT_EQ(profile.DatabaseName(), "SHOP");
  EXPECT_EQ(profile.Login(), "tanaka");
  EXPECT_EQ(profile.Password(), "himitsu");
  EXPECT_EQ(profile.ProfileFolder(),
            std::filesystem::absolute(Fixture("shop")).lexically_normal().string());
  EXPECT_EQ(profile.TableNames(),
            (K7QStringList{"customers", "products", K7QSjis("店舗"), "order_items_detail"}));

  const auto all = AllColumns(profile);
  ASSERT_EQ(all.size(), std::size(kShopColumns));
  for (std::size_t i = 0; i < all.size(); ++i) {
    const ColumnRow& r = kShopColumns[i];
    const CK7QBldProfileColumn& c = *all[i];
    SCOPED_TRACE(std::string(r.table) + "." + r.column);
    EXPECT_EQ(c.m_table, K7QSjis(r.table));
    EXPECT_EQ(c.m_column, K7QSjis(r.column));
    EXPECT_EQ(c.m_typeName, r.type);
    EXPECT_EQ(c.m_length, r.length);
    EXPECT_EQ(c.m_scale, r.scale);
    EXPECT_EQ(c.m_typeCode, r.typeCode);
    EXPECT_EQ(c.m_kind, r.kind);
    EXPECT_EQ(c.m_reference, r.reference);
    EXPECT_EQ(c.m_sample, K7QSjis(r.sample));
  }
  EXPECT_TRUE(ui.m_shown.empty());
}

TEST_F(ProfileFixture, ProfileWithoutSamplesHasNoReferences) {
  ASSERT_TRUE(profile.Read(Fixture("nosamples.k7q_pro")));
  EXPECT_EQ(profile.DatabaseKind(), kDatabaseOdbc);
  EXPECT_EQ(profile.FunctionSection(), "%FUNCTION(RZV_ODBC)");
  EXPECT_EQ(profile.Login(), "guest");
  EXPECT_EQ(profile.Password(), "");
  const auto all = AllColumns(profile);
  ASSERT_EQ(all.size(), 4u);
  for (const auto* c : all) {
    EXPECT_EQ(c->m_reference, "");
    EXPECT_EQ(c->m_kind, kKindNone);
  }
  // customers.joined comes after products in the file and joins its table.
  EXPECT_EQ(all[2]->m_column, "joined");
  EXPECT_EQ(all[3]->m_scale, "2");
  EXPECT_EQ(profile.Tables()[0].Columns().size(), 3u);
}

TEST_F(ProfileFixture, BracesAloneLfLineEndsAndBlanksAroundLines) {
  // LF line ends, blanks and tabs around lines, the kind in lower case, every
  // brace on its own line (exact where required, merely contained for
  // Login, Password and Information).
  ASSERT_TRUE(profile.Read(Fixture("braces_alone.k7q_pro")));
  EXPECT_EQ(profile.DatabaseKind(), kDatabaseVq5);
  EXPECT_EQ(profile.Login(), "tanaka");
  EXPECT_EQ(profile.Password(), "himitsu");
  const auto all = AllColumns(profile);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0]->m_sample, "42");
  EXPECT_EQ(all[1]->m_sample, K7QSjis("鈴木 花子"));
}

struct FailingRead {
  const char* file;
  const char* databaseName;
  const char* login;
  const char* functionSection;
  std::size_t columns;
};

TEST_F(ProfileFixture, BrokenLinesEndTheReadingAndKeepWhatWasRead) {
  const FailingRead cases[] = {
      // The separate brace of Data_Base_Type must be exactly "{".
      {"brace_not_exact.k7q_pro", "", "", "", 0},
      // The line after the database name block is consumed looking for Login.
      {"information_after_name.k7q_pro", "SHOP", "", "%FUNCTION(RZV_SQL)", 0},
      // ... and the line after the login block looking for Password.
      {"information_after_login.k7q_pro", "SHOP", "tanaka", "%FUNCTION(RZV_SQL)", 0},
      // A 69-character line is no column line and not the closing brace.
      {"line69.k7q_pro", "SHOP", "tanaka", "%FUNCTION(RZV_SQL)", 1},
      {"no_such_file.k7q_pro", "", "", "", 0},
      // A folder is no profile.
      {"shop", "", "", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_FALSE(profile.Read(Fixture(c.file)));
    EXPECT_FALSE(profile.IsLoaded());
    EXPECT_EQ(profile.DatabaseName(), c.databaseName);
    EXPECT_EQ(profile.Login(), c.login);
    EXPECT_EQ(profile.FunctionSection(), c.functionSection);
    EXPECT_EQ(AllColumns(profile).size(), c.columns);
  }
  // The caller shows the load failure; the reader itself says nothing.
  EXPECT_TRUE(ui.m_shown.empty());
}

TEST_F(ProfileFixture, DamageInSampleBlocksCostsOnlyLaterSamples) {
  // SMP00001 has no value line: its "}" is taken as the value, the next head
  // drops the pending block and the reading ends at the block after.
  ASSERT_TRUE(profile.Read(Fixture("samples_damaged.k7q_pro")));
  const auto all = AllColumns(profile);
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0]->m_sample, "one");
  EXPECT_EQ(all[1]->m_sample, "");
  EXPECT_EQ(all[2]->m_sample, "");
  EXPECT_EQ(all[3]->m_sample, "");
  for (const auto* c : all) EXPECT_EQ(c->m_kind, kKindSample);
}

TEST_F(ProfileFixture, SampleBlocksFillTheFirstMatchingColumnOnly) {
  ASSERT_TRUE(profile.Read(Fixture("same_reference.k7q_pro")));
  const auto all = AllColumns(profile);
  ASSERT_EQ(all.size(), 5u);
  // Both ids refer to SMP00000; the second block of that name fills the first column again.
  EXPECT_EQ(all[0]->m_table, "customers");
  EXPECT_EQ(all[0]->m_sample, "again");
  EXPECT_EQ(all[3]->m_table, "products");
  EXPECT_EQ(all[3]->m_kind, kKindSample);
  EXPECT_EQ(all[3]->m_sample, "");
  // Names compare ignoring case, and only the first 8 characters of the head count.
  EXPECT_EQ(all[1]->m_sample, "lower-case name");
  EXPECT_EQ(all[2]->m_sample, "long head");
  // An image column never takes a sample.
  EXPECT_EQ(all[4]->m_kind, kKindImage);
  EXPECT_EQ(all[4]->m_sample, "");
}

TEST_F(ProfileFixture, ReadingAgainStartsFromNothing) {
  ASSERT_TRUE(profile.Read(Fixture("shop/shop.k7q_pro")));
  ASSERT_TRUE(profile.Read(Fixture("nosamples.k7q_pro")));
  EXPECT_EQ(profile.TableNames(), (K7QStringList{"customers", "products"}));
  EXPECT_FALSE(profile.Read(Fixture("brace_not_exact.k7q_pro")));
  EXPECT_TRUE(profile.Tables().empty());
  EXPECT_EQ(profile.DatabaseKind(), kDatabaseVq5);
}

TEST_F(ProfileFixture, SampleBlocksInAnyOrderFindTheirColumns) {
  // References in ascending order (as the creator numbers them) and in no
  // order at all; blocks in reverse order, one missing, one unknown.
  const std::vector<std::vector<std::string>> referenceOrders = {
      {"SMP00000", "SMP00001", "SMP00002", "SMP00003"},
      {"SMP00002", "SMP00000", "SMP00003", "SMP00001"},
  };
  CK7QTempDir dir;
  const std::string path = dir.File("order.k7q_pro");
  for (const auto& refs : referenceOrders) {
    std::string bytes = K7QReadFile(Fixture("nosamples.k7q_pro"));
    bytes = bytes.substr(0, bytes.find("Information {\r\n") + 15);
    for (std::size_t i = 0; i < refs.size(); ++i) {
      std::string line = "t                  c" + std::to_string(i) +
                         "                 INTEGER            10          0      " + refs[i];
      bytes += line + "\r\n";
    }
    bytes += "}\r\n";
    for (const char* name : {"SMP00009", "SMP00003", "SMP00001", "SMP00000"})
      bytes += std::string(name) + " {\r\nvalue of " + name + "\r\n}\r\n";
    K7QWriteFile(path, bytes);
    ASSERT_TRUE(profile.Read(path));
    const auto all = AllColumns(profile);
    ASSERT_EQ(all.size(), refs.size());
    for (std::size_t i = 0; i < refs.size(); ++i) {
      EXPECT_EQ(all[i]->m_reference, refs[i]);
      EXPECT_EQ(all[i]->m_sample, refs[i] == "SMP00002" ? "" : "value of " + refs[i]);
    }
  }
}

// ---- input from outside: nothing may crash, hang or be trusted ----------

TEST_F(ProfileFixture, EveryTruncationGivesTheRightResult) {
  const std::string bytes = K7QReadFile(Fixture("shop/shop.k7q_pro"));
  const std::size_t close = bytes.find("\r\n}\r\nSMP00000");
  ASSERT_NE(close, std::string::npos);
  const std::size_t closedFrom = close + 3;  // the "}" of the Information block is in
  CK7QTempDir dir;
  const std::string path = dir.File("shop.k7q_pro");
  // Every cut near a line end (where the states change) and a stride between them.
  std::vector<std::size_t> cuts;
  for (std::size_t n = 0; n <= bytes.size(); ++n) {
    const bool nearLineEnd = bytes.find('\n', n >= 2 ? n - 2 : 0) <= n + 2;
    if (nearLineEnd || n % 13 == 0 || n == bytes.size()) cuts.push_back(n);
  }
  for (std::size_t n : cuts) {
    K7QWriteFile(path, bytes.substr(0, n));
    ASSERT_EQ(profile.Read(path), n >= closedFrom) << "length " << n;
  }
  EXPECT_TRUE(ui.m_shown.empty());
}

TEST_F(ProfileFixture, BinaryGarbageFailsQuietly) {
  CK7QTempDir dir;
  const std::string path = dir.File("garbage.k7q_pro");
  std::mt19937 rng(1234);
  const std::string head = K7QReadFile(Fixture("nosamples.k7q_pro")).substr(0, 200);
  for (int round = 0; round < 200; ++round) {
    std::string bytes = round % 2 ? head : std::string();
    const std::size_t n = rng() % 4096;
    for (std::size_t i = 0; i < n; ++i) bytes.push_back(static_cast<char>(rng() & 0xFF));
    K7QWriteFile(path, bytes);
    EXPECT_FALSE(profile.Read(path)) << "round " << round;
  }
}

TEST_F(ProfileFixture, MegabyteLinesAreReadLinearly) {
  const std::string shop = K7QReadFile(Fixture("shop/shop.k7q_pro"));
  const std::string big(1 << 20, 'x');
  std::string binary(1 << 20, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 131) & 0xFF);
  for (char& c : binary)
    if (c == '\n') c = 'n';
  CK7QTempDir dir;
  const std::string path = dir.File("big.k7q_pro");

  // A huge line before the header is skipped.
  K7QWriteFile(path, big + "\r\n" + binary + "\r\n" + shop);
  EXPECT_TRUE(profile.Read(path));
  EXPECT_EQ(AllColumns(profile).size(), std::size(kShopColumns));

  // A huge reference on a column line and a huge sample value.
  std::string bytes = shop;
  const std::string line =
      "customers          id                 INTEGER            10          0      SMP00000";
  bytes.replace(bytes.find(line), line.size(), line.substr(0, 76) + big);
  bytes.replace(bytes.find("1          \r\n"), 1, big);
  K7QWriteFile(path, bytes);
  ASSERT_TRUE(profile.Read(path));
  EXPECT_EQ(AllColumns(profile)[0]->m_reference.size(), big.size());
  EXPECT_EQ(AllColumns(profile)[0]->m_kind, kKindSample);

  // A huge line in place of the Information block's closing line.
  bytes = shop;
  bytes.replace(bytes.find("\r\n}\r\nSMP00000") + 2, 1, binary.substr(0, 69));
  K7QWriteFile(path, bytes);
  EXPECT_FALSE(profile.Read(path));
}

}  // namespace
