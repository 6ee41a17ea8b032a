// What the builder asks the profile: columns, samples, page fragments,
// qualifiers and table structure.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "K7QBldProfile.h"
#include "K7QBldProfileWriter.h"
#include "K7QTestSupport.h"

namespace {

std::string Fixture(const std::string& name) {
  return std::string(K7Q_TEST_DATA_DIR) + "/core/data/profiles/" + name;
}

struct ShopProfile : ::testing::Test {
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries{ui};
  CK7QBldProfile profile{groceries};
  void SetUp() override { ASSERT_TRUE(profile.Read(Fixture("shop/shop.k7q_pro"))); }
  const CK7QBldProfileColumn& Column(const char* table, const char* column) {
    const CK7QBldProfileColumn* c = profile.FindColumn(K7QSjis(table), K7QSjis(column));
    EXPECT_NE(c, nullptr) << table << "." << column;
    static const CK7QBldProfileColumn none;
    return c ? *c : none;
  }
};

TEST_F(ShopProfile, FindsColumnsIgnoringCase) {
  const CK7QBldProfileColumn* c = profile.FindColumn("CUSTOMERS", "Name_EN");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->m_column, "name_en");
  EXPECT_EQ(profile.FindColumn("customers", "price"), nullptr);
  EXPECT_EQ(profile.FindColumn("nothing", "id"), nullptr);
  // "id" is in customers and products: the earliest table wins.
  c = profile.FindColumnInAnyTable("ID");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->m_table, "customers");
  c = profile.FindColumnInAnyTable("PRICE");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->m_table, "products");
  c = profile.FindColumnInAnyTable(K7QSjis("店名"));
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->m_table, K7QSjis("店舗"));
  EXPECT_EQ(profile.FindColumnInAnyTable("missing"), nullptr);
}

TEST_F(ShopProfile, ColumnSampleByKind) {
  const struct {
    const char* table;
    const char* column;
    const char* text;
  } rows[] = {
      {"customers", "name", "山田 太郎"},     // 4: the sample
      {"products", "photo", "LOB00001.gif"},  // 1: the image file's name
      {"products", "catalog", ""},            // 0: nothing
      {"order_items_detail", "flags", ""},    // 0: no reference
      {"店舗", "店名", ""},                   // 4 without a block
      {"products", "description",             // 2: the file, lines converted
       "本日のおすすめ：抹茶ソフト<BR>\r\nToday: matcha soft-serve<BR>\r\n"},
      {"products", "memo_long", "長いメモ<BR>\r\nlong memo<BR>\r\n"},  // 3
      {"products", "memo_wide", "ワイド<BR>\r\n"},                     // 3, upper-case .TXT
      {"products", "label", "LOB00005.JPG"},
      {"nothing", "id", ""},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(profile.ColumnSample(K7QSjis(r.table), K7QSjis(r.column)), K7QSjis(r.text))
        << r.table << "." << r.column;
  }
}

TEST_F(ShopProfile, ColumnHtmlForEveryKind) {
  const std::uint32_t color = 0x123ABC;
  EXPECT_EQ(profile.ColumnHtml(Column("products", "catalog"), color, false, "", ""), "***");
  EXPECT_EQ(profile.ColumnHtml(Column("products", "photo"), color, true, "p", "s"),
            "<K7Q macro=\"$(V_products.photo)\"><IMG SRC=\"LOB00001.gif\"></K7Q>");
  EXPECT_EQ(
      profile.ColumnHtml(Column("products", "description"), color, false, "", ""),
      K7QSjis("<K7Q macro=\"$(V_products.description)\" type=\"CLOB\"><FONT color=\"#123ABC\">"
              "本日のおすすめ：抹茶ソフト<BR>\r\nToday: matcha soft-serve<BR>\r\n</FONT></K7Q>"));
  EXPECT_EQ(profile.ColumnHtml(Column("products", "memo_long"), color, true, "p", "s"),
            K7QSjis("<K7Q macro=\"$(V_products.memo_long)\"><FONT color=\"#123ABC\">"
                    "長いメモ<BR>\r\nlong memo<BR>\r\n</FONT></K7Q>"));
  EXPECT_EQ(
      profile.ColumnHtml(Column("customers", "name"), color, false, "p", "s"),
      K7QSjis("<K7Q macro=\"$(V_customers.name)\"><FONT color=\"#123ABC\">山田 太郎</FONT></K7Q>"));
  // The link form wraps the fragment; a colour beyond 24 bits keeps its low six digits.
  EXPECT_EQ(
      profile.ColumnHtml(Column("customers", "id"), 0xFF00FF00u, true,
                         "detail.k7q/report?id=", "&x=1"),
      "<A href=\"detail.k7q/report?id=$(V_customers.id)&x=1\"><K7Q macro=\"$(V_customers.id)\">"
      "<FONT color=\"#00FF00\">1</FONT></K7Q></A>");

  CK7QBldProfileColumn sample;
  sample.m_table = "t";
  sample.m_column = "c";
  sample.m_kind = kKindSample;
  sample.m_sample = "a\r\nb";
  EXPECT_EQ(profile.ColumnHtml(sample, 0, false, "", ""),
            "<K7Q macro=\"$(V_t.c)\"><FONT color=\"#000000\">a<BR>\r\nb</FONT></K7Q>");
  sample.m_kind = 7;
  EXPECT_EQ(profile.ColumnHtml(sample, 0, false, "", ""), "");
}

TEST(ProfileFiles, MissingTextFilesGiveNothing) {
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  CK7QTempDir dir;
  std::filesystem::copy_file(Fixture("shop/shop.k7q_pro"), dir.File("shop.k7q_pro"));
  ASSERT_TRUE(profile.Read(dir.File("shop.k7q_pro")));
  const auto* description = profile.FindColumn("products", "description");
  const auto* memo = profile.FindColumn("products", "memo_long");
  ASSERT_TRUE(description && memo);
  EXPECT_EQ(description->m_kind, kKindClobText);
  EXPECT_EQ(profile.ColumnSample("products", "description"), "");
  EXPECT_EQ(profile.ColumnHtml(*description, 0, false, "", ""), "");
  EXPECT_EQ(profile.ColumnHtml(*memo, 0, false, "", ""), "");
  EXPECT_EQ(profile.ReferencePath(*memo), dir.File("LOB00003.txt"));
  EXPECT_TRUE(ui.m_shown.empty());
}

TEST(ProfileFiles, ReferencesNeverLeaveTheProfileFolder) {
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  CK7QTempDir dir;
  const std::string folder = dir.File("k7q_pro_SHOP");
  std::filesystem::create_directory(folder);
  std::filesystem::copy_file(Fixture("unsafe/unsafe.k7q_pro"), folder + "/unsafe.k7q_pro");
  K7QWriteFile(dir.File("secret.txt"), "SECRET\r\n");
  K7QWriteFile(folder + "/LOB00008.txt", "inside\r\n");
  std::filesystem::create_symlink("../secret.txt", folder + "/LOB00009.txt");
  // A block named like an unsafe file reference must not turn it into a sample.
  std::string bytes = K7QReadFile(folder + "/unsafe.k7q_pro");
  bytes.replace(bytes.find("../secret.txt"), 13, "../a.txt");
  K7QWriteFile(folder + "/unsafe.k7q_pro", bytes + "../a.txt {\r\nfilled\r\n}\r\n");
  ASSERT_TRUE(profile.Read(folder + "/unsafe.k7q_pro"));
  EXPECT_EQ(profile.FindColumn("products", "a")->m_sample, "");

  const struct {
    const char* column;
    int kind;
    const char* html;
  } rows[] = {
      {"a", kKindNone, "***"},  // ../a.txt
      {"b", kKindNone, "***"},  // a sub-folder
      {"c", kKindNone, "***"},  // ".." inside the name
      {"d", kKindNone, "***"},  // an absolute path
      {"e", kKindNone, "***"},  // a real backslash after a double-byte character
      {"f", kKindClobText,
       "<K7Q macro=\"$(V_products.f)\" type=\"CLOB\"><FONT "
       "color=\"#000000\">inside<BR>\r\n</FONT></K7Q>"},
      {"g", kKindNone, "***"},  // a link that leads outside
      // The trail byte 0x5C of a double-byte character is no separator.
      {"h", kKindImage, "<K7Q macro=\"$(V_products.h)\"><IMG SRC=\"\x83\x5CLOB.gif\"></K7Q>"},
  };
  for (const auto& r : rows) {
    const CK7QBldProfileColumn* c = profile.FindColumn("products", r.column);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->m_kind, r.kind) << r.column;
    EXPECT_EQ(profile.ColumnHtml(*c, 0, false, "", ""), r.html) << r.column;
    EXPECT_EQ(profile.ColumnSample("products", r.column).find("SECRET"), std::string::npos);
  }

  // A file swapped for a link after reading is not followed either.
  std::filesystem::remove(folder + "/LOB00008.txt");
  std::filesystem::create_symlink("../secret.txt", folder + "/LOB00008.txt");
  EXPECT_EQ(profile.ColumnSample("products", "f"), "");
  EXPECT_EQ(profile.ReferencePath(*profile.FindColumn("products", "f")), "");
}

TEST(ProfileText, ColumnQualifier) {
  const struct {
    const char* select;
    const char* column;
    const char* qualifier;
  } rows[] = {
      {"SELECT a.id, b.name FROM a, b", "name", "b"},
      {"SELECT a.id, b.name FROM a, b", "NAME", "b"},             // column ignoring case
      {"SELECT  t . id ,x.y FROM t", "id", "t"},                  // fields trimmed
      {"SELECT id, name FROM t", "name", ""},                     // no qualifier
      {"SELECT s.t.name FROM t", "name", ""},                     // three parts
      {"select a.id from a", "id", ""},                           // keywords are case-sensitive
      {"FROM a SELECT a.id", "id", ""},                           // SELECT must come first
      {"SELECT a.id", "id", ""},                                  // no FROM
      {"SELECT a.id, b.id FROM a, b WHERE c.id = 1", "id", "a"},  // the first item wins
      {"", "id", ""},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(CK7QBldProfile::ColumnQualifier(r.select, r.column), r.qualifier) << r.select;
  }
}

TEST(ProfileText, LineBreakConversion) {
  const struct {
    const char* in;
    const char* out;
  } rows[] = {
      {"", ""},
      {"abc", "abc"},
      {"a\r\nb", "a<BR>\r\nb"},
      {"a\r\n", "a<BR>\r\n"},
      {"\r\n\r\n", "<BR>\r\n<BR>\r\n"},
      {"a\nb\rc", "a\nb\rc"},  // only CR LF pairs are line breaks
      {"\x83\r\n", "\x83<BR>\r\n"},
  };
  for (const auto& r : rows) EXPECT_EQ(CK7QBldProfile::ConvertLineBreaks(r.in), r.out) << r.in;
}

TEST(ProfileText, TypeCodesAndKinds) {
  const struct {
    const char* type;
    int code;
  } codes[] = {{"DATE", 1},      {"decimal", 2},      {"Integer", 3}, {"SMALLINT", 4},
               {"CHARACTER", 5}, {"VARCHAR", 6},      {"GRAPHIC", 7}, {"VARGRAPHIC", 8},
               {"CLOB", 9},      {"BLOB", 10},        {"DBCLOB", 0},  {"LONGVARCHAR", 0},
               {"VARCHAR2", 0},  {"UNKNOWN_TYPE", 0}, {"", 0}};
  for (const auto& c : codes) EXPECT_EQ(CK7QBldProfileColumn::TypeCode(c.type), c.code) << c.type;

  const struct {
    const char* reference;
    int typeCode;
    int kind;
  } kinds[] = {
      {"", 9, kKindNone},
      {"SMP00003", 6, kKindSample},
      {"abc", 6, kKindSample},
      {"x.tx", 6, kKindSample},
      {"LOB00002.XXX", 10, kKindNone},
      {"LOB1.gif", 10, kKindImage},
      {"LOB1.BMP", 10, kKindImage},
      {"LOB1.Jpg", 10, kKindImage},
      {".gif", 10, kKindImage},
      {"LOB1.txt", 9, kKindClobText},
      {"LOB1.TXT", 0, kKindText},
      {"LOB1.txt", 6, kKindText},
      {"LOB1.png", 10, kKindNone},
  };
  for (const auto& k : kinds) {
    EXPECT_EQ(CK7QBldProfileColumn::KindOf(k.reference, k.typeCode), k.kind) << k.reference;
  }
}

TEST(ProfileText, SameStructure) {
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  CK7QTempDir dir;
  const std::string path = dir.File("s.k7q_pro");
  CK7QBldProfileWriter writer;
  ASSERT_TRUE(writer.Begin(path, {"VQ5", "S", "u", "p"}));
  const struct {
    const char* table;
    const char* column;
    const char* type;
  } columns[] = {
      {"a", "id", "INTEGER"},   {"a", "name", "VARCHAR"}, {"B", "ID", "integer"},
      {"B", "NAME", "varchar"}, {"c", "id", "INTEGER"},   {"c", "name", "CHARACTER"},
      {"d", "id", "INTEGER"},   {"e", "name", "VARCHAR"}, {"e", "id", "INTEGER"},
  };
  for (const auto& c : columns) ASSERT_TRUE(writer.AddColumn({c.table, c.column, c.type, 10, 0}));
  writer.Finish();
  ASSERT_TRUE(profile.Read(path));
  EXPECT_TRUE(profile.SameStructure("a", "b"));  // tables and names ignoring case
  EXPECT_TRUE(profile.SameStructure("A", "a"));
  EXPECT_FALSE(profile.SameStructure("a", "c"));  // a type differs
  EXPECT_FALSE(profile.SameStructure("a", "d"));  // fewer columns
  EXPECT_FALSE(profile.SameStructure("a", "e"));  // same columns, other order
  EXPECT_FALSE(profile.SameStructure("a", "zz"));
  EXPECT_FALSE(profile.SameStructure("zz", "zz"));
}

}  // namespace
