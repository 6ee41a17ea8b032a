// How the creator sorts columns and names files: the rules a profile's
// references depend on.
#include <gtest/gtest.h>

#include "PbuildCreator.h"

TEST(PbuildClassify, TypeNamesOfBothInterfaceGenerations) {
  const struct {
    int code;
    const char* name;
  } rows[] = {
      {1, "CHARACTER"},    {4, "INTEGER"},        {9, "DATE"},          {91, "DATE"},
      {10, "TIME"},        {92, "TIME"},          {11, "TIMESTAMP"},    {93, "TIMESTAMP"},
      {-1, "LONGVARCHAR"}, {-4, "LONGVARBINARY"}, {-7, "BIT"},          {-98, "BLOB"},
      {-99, "CLOB"},       {-350, "DBCLOB"},      {-9, "UNKNOWN_TYPE"}, {0, "UNKNOWN_TYPE"},
  };
  for (const auto& row : rows) EXPECT_EQ(CPbuildCreator::TypeName(row.code), row.name) << row.code;
}

TEST(PbuildClassify, LargeObjectsAndTextColumnsByPrefixInEitherCase) {
  const struct {
    const char* type;
    bool large;
    bool text;
  } rows[] = {
      {"BLOB", true, false},          {"blob", true, false},
      {"Blob", false, false},  // mixed case matches neither spelling
      {"CLOB", true, true},           {"DBCLOB", true, true},
      {"BINARY", true, false},        {"VARBINARY", true, false},
      {"LONGVARBINARY", true, false}, {"BIT", true, false},
      {"BIGINT", false, false},       {"VARCHAR", false, true},
      {"LONGVARCHAR", false, true},   {"CHARACTER", false, false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CPbuildCreator::IsLargeObject(row.type), row.large) << row.type;
    EXPECT_EQ(CPbuildCreator::IsTextColumn(row.type), row.text) << row.type;
  }
}

TEST(PbuildClassify, ExtensionByFirstTwoBytes) {
  const struct {
    std::string bytes;
    const char* extension;
  } rows[] = {
      {"GIF89a", ".gif"},       {"gi", ".gif"},      {"BM\x10", ".bmp"}, {"bm", ".bmp"},
      {"\xFF\xD8\xFF", ".jpg"}, {"\x89PNG", ".XXX"}, {"G", ".XXX"},      {"", ".XXX"},
      {"Bm", ".XXX"},
  };
  for (const auto& row : rows) EXPECT_EQ(CPbuildCreator::BinaryExtension(row.bytes), row.extension);
}

TEST(PbuildClassify, OnlyTheCreatorsOwnFilesCountAsOutput) {
  const std::string profile = "Shop.k7q_pro";
  for (const char* mine : {"Shop.k7q_pro", "k7q_loop_start.gif", "k7q_loop_end.gif", "LOB00000.gif",
                           "LOB12345.XXX", "LOB99999.txt", "Shop.tmp", "Shop.smp.tmp"})
    EXPECT_TRUE(CPbuildCreator::IsCreatorFile(mine, profile)) << mine;
  for (const char* foreign : {"macro.k7q", "LOB0000.gif", "LOB000000.gif", "LOB0000a.gif",
                              "LOB00000.png", "Other.k7q_pro", "LOB00000.gif.bak"})
    EXPECT_FALSE(CPbuildCreator::IsCreatorFile(foreign, profile)) << foreign;
}

TEST(PbuildClassify, SampleBytesCountDoubleByteCharactersAsOnePosition) {
  const struct {
    std::string cp932;
    std::size_t positions;
    std::size_t bytes;
  } rows[] = {
      {"abc", 5, 5},                       // padded to five positions
      {"abcdef", 4, 4},                    // cut after four
      {"", 3, 3},                          // a NULL or empty value: blanks only
      {"\x82\xA0\x82\xA2", 2, 4},          // two kana fill two positions, four bytes
      {"\x82\xA0\x82\xA2\x82\xA4", 2, 4},  // the third is cut whole
      {"a\x82\xA0"
       "b",
       6, 7},              // mixed, then three blanks
      {"\xB1\xB2", 2, 2},  // half-width kana are one byte each
  };
  for (const auto& row : rows)
    EXPECT_EQ(CPbuildCreator::SampleBytes(row.cp932, row.positions), row.bytes) << row.cp932;
}
