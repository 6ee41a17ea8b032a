#include "K7QBldFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "K7QBldCp932.h"
#include "K7QTestSupport.h"

namespace {

// Names in a test folder, sorted (temporary files of the layer begin with a dot).
std::vector<std::string> Listing(const CK7QTempDir& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Cp932Search, TrailBytesNeverMatch) {
  const std::string so = K7QSjis("ソ");  // 83 5C
  const std::string text = "a" + so + "\\b" + so;
  EXPECT_EQ(K7QCp932::Find(text, '\\'), 3u);
  EXPECT_EQ(K7QCp932::FindLast(text, '\\'), 3u);
  EXPECT_EQ(K7QCp932::Find(so, '\\'), std::string::npos);
  // A text search only matches on character boundaries: "\x5C\x83" spans two characters.
  EXPECT_EQ(K7QCp932::Find(so + so, std::string("\x5C\x83")), std::string::npos);
  EXPECT_EQ(K7QCp932::Find(text, so), 1u);
  EXPECT_EQ(K7QCp932::FindLast(text, so), 5u);
  // Half-width katakana are single bytes.
  const std::string kana = K7QSjis("ｱ\\");
  EXPECT_EQ(K7QCp932::Find(kana, '\\'), 1u);
}

TEST(Cp932Conversion, RoundTripAndRefusal) {
  std::string utf8;
  ASSERT_TRUE(K7QCp932::ToUtf8(K7QSjis("ソｱ漢字"), utf8));
  EXPECT_EQ(utf8, "ソｱ漢字");
  std::string sjis;
  EXPECT_FALSE(K7QCp932::FromUtf8("\xF0\x9F\x98\x80", sjis));  // an emoji has no CP932 form
  EXPECT_FALSE(K7QCp932::ToUtf8("\x83", utf8));                 // a lone lead byte
  EXPECT_EQ(K7QCp932::ToUtf8(std::string("a\x83")), "a\xEF\xBF\xBD");
}

TEST(LineReader, CrLfLfAndNoFinalEnd) {
  CK7QTempDir dir;
  const std::string path = dir.File("lines.txt");
  K7QWriteFile(path, std::string("one\r\ntwo\nthr\0ee\r\n\r\nlast", 23));
  CK7QBldLineReader reader(path);
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", std::string("thr\0ee", 6), "", "last"}));
}

TEST(LineReader, LongLinesAndMissingFile) {
  CK7QTempDir dir;
  const std::string path = dir.File("long.txt");
  const std::string big(300000, 'x');
  K7QWriteFile(path, big + "\n" + big);
  CK7QBldLineReader reader(path);
  std::string line;
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line.size(), big.size());
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line.size(), big.size());
  EXPECT_FALSE(reader.ReadLine(line));
  try {
    CK7QBldLineReader missing(dir.File("none.txt"));
    FAIL() << "a missing file must throw";
  } catch (const CK7QBldFileException& e) {
    EXPECT_EQ(e.m_cause, CK7QBldFileException::fileNotFound);
    EXPECT_EQ(e.m_strFileName, dir.File("none.txt"));
  }
}

TEST(TextWriter, TextModeAndBinary) {
  CK7QTempDir dir;
  {
    CK7QBldTextWriter w(dir.File("t.txt"));
    w.Write("a\nb");
    w.WriteLine("");
    w.Close();
  }
  EXPECT_EQ(K7QReadFile(dir.File("t.txt")), "a\r\nb\r\n");
  K7QFile::WriteAll(dir.File("b.bin"), std::string("x\ny\0", 4));
  EXPECT_EQ(K7QReadFile(dir.File("b.bin")), std::string("x\ny\0", 4));
  K7QFile::CopyBinary(dir.File("b.bin"), dir.File("c.bin"));
  EXPECT_EQ(K7QReadFile(dir.File("c.bin")), std::string("x\ny\0", 4));
  EXPECT_THROW(K7QFile::CopyBinary(dir.File("none"), dir.File("d.bin")), CK7QBldFileException);
  EXPECT_THROW(CK7QBldTextWriter(dir.File("no/such/folder.txt")), CK7QBldFileException);
}

TEST(RewriteInPlace, OldFileSurvivesAFailure) {
  CK7QTempDir dir;
  const std::string path = dir.File("macro.k7q");
  K7QWriteFile(path, "old");
  EXPECT_THROW(K7QFile::RewriteInPlace(path, dir.File("macro.tmp"),
                                       [](CK7QBldTextWriter& w) {
                                         w.Write("half");
                                         throw CK7QBldFileException(CK7QBldFileException::diskFull,
                                                                    28, "macro.tmp");
                                       }),
               CK7QBldFileException);
  EXPECT_EQ(K7QReadFile(path), "old");
  EXPECT_EQ(Listing(dir), (std::vector<std::string>{"macro.k7q"}));
  K7QFile::RewriteInPlace(path, dir.File("macro.tmp"), [](CK7QBldTextWriter& w) { w.Write("new\n"); });
  EXPECT_EQ(K7QReadFile(path), "new\r\n");
}

TEST(SafeFileComponent, RefusesWhatLeavesTheFolder) {
  const std::string so = K7QSjis("ソ");
  for (const char* bad : {"", ".", "..", "a/b", "../x", "a\\b", "x..y", "tab\there", "nl\n"}) {
    EXPECT_FALSE(K7QFile::IsSafeFileComponent(bad)) << bad;
  }
  EXPECT_TRUE(K7QFile::IsSafeFileComponent("ITEMS"));
  EXPECT_TRUE(K7QFile::IsSafeFileComponent(so + "_list"));  // trail byte 0x5C is not a backslash
  EXPECT_EQ(K7QFile::Folder("/a/b.k7q"), "/a");
  EXPECT_EQ(K7QFile::FileName("/a/b.k7q"), "b.k7q");
  EXPECT_EQ(K7QFile::Join("/a/", "b"), "/a/b");
}

}  // namespace
