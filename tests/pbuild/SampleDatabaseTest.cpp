// The bundled sample shop database, as scripts/run turns it into the profile
// the builder opens first.
#include <gtest/gtest.h>

#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldProfile.h"
#include "PbuildMessages.h"
#include "PbuildTestSupport.h"

TEST(PbuildSampleDatabase, GivesTheExpectedProfile) {
  ASSERT_TRUE(K7QFile::Exists(K7Q_DATA_DIR "/sample/shop.db"));
  CCreatorFixture f;
  ASSERT_EQ(f.Run(kDsnSample).status, CPbuildOutcome::kDone);
  // Two names are over 18 bytes on purpose; both are reported in one message.
  ASSERT_TRUE(f.Shown(kIdsSkippedLongNames));
  for (const auto& shown : f.ui.m_shown) {
    if (shown.id != kIdsSkippedLongNames) continue;
    EXPECT_NE(shown.text.find("order_history_archive"), std::string::npos);
    EXPECT_NE(shown.text.find("customers.newsletter_subscription"), std::string::npos);
  }
  const std::string all = K7QReadFile(f.Profile(kDsnSample));
  EXPECT_EQ(all.find("order_history_archive"), std::string::npos);
  EXPECT_EQ(all.find("newsletter"), std::string::npos);

  CK7QScriptedUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  ASSERT_TRUE(profile.Read(f.Profile(kDsnSample)));
  EXPECT_EQ(profile.TableNames(),
            (K7QStringList{"customers", "products", "orders", "order_items", K7QSjis("店舗")}));
  const struct {
    std::string table, column, type, length, reference, sample;
  } rows[] = {
      {"customers", "id", "INTEGER", "10", "SMP00000", "5"},
      // MAX over UTF-8 bytes: 高 (E9 AB 98) is the largest first character.
      {"customers", "name", "VARCHAR", "40", "SMP00001", K7QSjis("高橋 ソラ")},
      // VARCHAR(300) is a long column: its first value becomes a text file.
      {"customers", "note", "LONGVARCHAR", "300", "LOB00000.txt", ""},
      // The character large object becomes a text file too.
      {"products", "description", "LONGVARCHAR", "65536", "LOB00001.txt", ""},
      {"products", "photo", "BINARY", "255", "LOB00002.gif", ""},
      {K7QSjis("店舗"), K7QSjis("店名"), "VARCHAR", "40", "SMP00022", K7QSjis("駅前店")},
  };
  for (const auto& row : rows) {
    const CK7QBldProfileColumn* c = profile.FindColumn(row.table, row.column);
    ASSERT_NE(c, nullptr) << row.column;
    EXPECT_EQ(c->m_typeName, row.type) << row.column;
    EXPECT_EQ(c->m_length, row.length) << row.column;
    EXPECT_EQ(c->m_reference, row.reference) << row.column;
    EXPECT_EQ(c->m_sample, row.sample) << row.column;
  }
  // The first picture of the BLOB column, whole, and the note converted to CP932.
  const std::string gif = K7QReadFile(f.Output(kDsnSample) + "/LOB00002.gif");
  EXPECT_EQ(gif.substr(0, 3), "GIF");
  EXPECT_GT(gif.size(), 255u);
  const std::string note = K7QReadFile(f.Output(kDsnSample) + "/LOB00000.txt");
  EXPECT_EQ(note.substr(0, 10), K7QSjis("毎月第一週"));
}
