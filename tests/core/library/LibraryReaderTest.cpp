// The library readers on hand-written files: entry numbering, the function
// format's sections and escapes, and lines that cannot be read.
#include <gtest/gtest.h>

#include "K7QBldEntryLibrary.h"
#include "K7QBldFunctionLibrary.h"
#include "K7QTestSupport.h"

namespace {

class LibraryReader : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    const std::string path = dir.File("library" + std::to_string(++files) + ".txt");
    K7QWriteFile(path, bytes);
    return path;
  }
  std::vector<K7QLibraryEntry> Entries(const std::string& path, int expectLines) {
    std::vector<K7QLibraryEntry> entries;
    EXPECT_EQ(CK7QBldEntryLibrary::ReadList(path, entries, &counts), expectLines);
    return entries;
  }
  std::vector<K7QLibraryFunctionItem> Functions(const std::string& path) {
    std::vector<K7QLibraryFunctionItem> items;
    EXPECT_GE(CK7QBldFunctionLibrary::ReadList(path, items, &counts), 0);
    return items;
  }

  CK7QTempDir dir;
  int files = 0;
  K7QLibraryCounts counts;
};

TEST_F(LibraryReader, EntriesAreLinesOfThreeFieldsNumberedByLine) {
  const std::string path = Write(
      "# a comment line\r\n"
      "ONE:$(ONE):the first\r\n"
      "FOUR:parts:make:no entry\r\n"
      "\r\n"
      "  TWO : $(TWO) :  the second  \r\n"
      "two:fields\n"
      "THREE:%IF ($(A) == \"x\"):a statement");
  const auto entries = Entries(path, 7);
  ASSERT_EQ(entries.size(), 3u);
  // Lines that are no entry still count: identities are the file's line numbers.
  EXPECT_EQ(entries[0].line, 1);
  EXPECT_EQ(entries[1].line, 4);
  EXPECT_EQ(entries[2].line, 6);
  // Fields are trimmed.
  EXPECT_EQ(entries[1].name, "TWO");
  EXPECT_EQ(entries[1].text, "$(TWO)");
  EXPECT_EQ(entries[1].description, "the second");
  EXPECT_EQ(entries[2].text, "%IF ($(A) == \"x\")");
  EXPECT_EQ(counts.skipped, 0);

  // An entry is read again by its line; a line that is no entry gives nothing.
  K7QLibraryEntry entry;
  ASSERT_TRUE(CK7QBldEntryLibrary::ReadEntry(path, 4, entry));
  EXPECT_EQ(entry.name, "TWO");
  EXPECT_EQ(entry.line, 4);
  EXPECT_FALSE(CK7QBldEntryLibrary::ReadEntry(path, 2, entry));
  EXPECT_FALSE(CK7QBldEntryLibrary::ReadEntry(path, 7, entry));
  EXPECT_FALSE(CK7QBldEntryLibrary::ReadEntry(path, -1, entry));
}

TEST_F(LibraryReader, EntryFieldsHaveNoEscapeButKeepDoubleByteText) {
  // A backslash before a colon escapes nothing here, and the trail byte 0x5C
  // of "ソ" and "表" is no backslash either.
  const std::string path = Write(K7QSjis("ソ:表\\:x\r\nソフト:$(ソ):説明\r\n"));
  const auto entries = Entries(path, 2);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, K7QSjis("ソ"));
  EXPECT_EQ(entries[0].text, K7QSjis("表") + "\\");
  EXPECT_EQ(entries[0].description, "x");
  EXPECT_EQ(entries[1].line, 1);
  EXPECT_EQ(entries[1].name, K7QSjis("ソフト"));
  EXPECT_EQ(entries[1].text, K7QSjis("$(ソ)"));
}

TEST_F(LibraryReader, MissingFilesAndEmptyPathsAreMinusOne) {
  std::vector<K7QLibraryEntry> entries;
  std::vector<K7QLibraryFunctionItem> items;
  EXPECT_EQ(CK7QBldEntryLibrary::ReadList(dir.File("none.txt"), entries), -1);
  EXPECT_EQ(CK7QBldEntryLibrary::ReadList("", entries), -1);
  EXPECT_EQ(CK7QBldFunctionLibrary::ReadList(dir.File("none.txt"), items), -1);
  CK7QBldLibraryFunction function;
  EXPECT_FALSE(CK7QBldFunctionLibrary::ReadDetails(dir.File("none.txt"), 0, function));
  // A folder is no library: the file layer refuses it with a file error.
  EXPECT_THROW(CK7QBldEntryLibrary::ReadList(dir.Path(), entries), CK7QBldFileException);
}

const char* const kTwoFunctions =
    "Function{\r\n"
    "RZV_ONE\\:X:takes two\\:a and b\r\n"
    "Comment{\r\n"
    "first comment\r\n"
    "}\r\n"
    "Parameter{\r\n"
    "@RZV_ONE(A, B)\r\n"
    "}\r\n"
    "Argv{\r\n"
    "text:A:the first\r\n"
    "text:B:the second\r\n"
    "}\r\n"
    "}\r\n"
    "after the block\r\n"
    "Function{\r\n"
    "RZV_MANY:any number\r\n"
    "ArgvN{\r\n"
    "value:ARG:each one\r\n"
    "}\r\n"
    "}\r\n";

TEST_F(LibraryReader, FunctionBlocksGiveTheListAndTheDetails) {
  const std::string path = Write(kTwoFunctions);
  const auto items = Functions(path);
  ASSERT_EQ(items.size(), 2u);
  // An escaped colon stays in the name, and the name line still has two fields.
  EXPECT_EQ(items[0].name, "RZV_ONE:X");
  EXPECT_EQ(items[0].description, "takes two:a and b");
  EXPECT_EQ(items[0].identity, 0u);
  EXPECT_EQ(items[1].name, "RZV_MANY");
  EXPECT_EQ(items[1].identity, 1u);
  EXPECT_EQ(counts.lines, 20);

  CK7QBldLibraryFunction f;
  ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(path, 0, f));
  EXPECT_EQ(f.name, "RZV_ONE:X");
  EXPECT_FALSE(f.variable);
  EXPECT_EQ(f.comments, K7QStringList{"first comment"});
  EXPECT_EQ(f.parameters, K7QStringList{"@RZV_ONE(A, B)"});
  EXPECT_EQ(f.arguments, (K7QStringList{"text:A:the first", "text:B:the second"}));
  EXPECT_EQ(f.ArgumentNames(), (K7QStringList{"A", "B"}));

  // "ArgvN{" marks a variable count; the old lines are gone.
  ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(path, 1, f));
  EXPECT_EQ(f.name, "RZV_MANY");
  EXPECT_TRUE(f.variable);
  EXPECT_TRUE(f.comments.empty());
  EXPECT_EQ(f.arguments, K7QStringList{"value:ARG:each one"});
  EXPECT_FALSE(CK7QBldFunctionLibrary::ReadDetails(path, 2, f));
}

// Which argument openers mark a variable count: one character between
// "Argv" and the line's first "{", an N in either case.
TEST_F(LibraryReader, OnlyArgvNMarksAVariableCount) {
  const struct {
    const char* opener;
    bool variable;
  } cases[] = {
      {"ArgvN{", true},  {"Argvn{", true},   {"  ArgvN {", false}, {"Argv{", false},
      {"ArgvX{", false}, {"ArgvNN{", false}, {"{ArgvN{", false},
  };
  for (const auto& c : cases) {
    const std::string path =
        Write(std::string("Function{\r\nF:d\r\n") + c.opener + "\r\nt:A:d\r\n}\r\n}\r\n");
    CK7QBldLibraryFunction f;
    ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(path, 0, f)) << c.opener;
    EXPECT_EQ(f.variable, c.variable) << c.opener;
    EXPECT_EQ(f.arguments, K7QStringList{"t:A:d"}) << c.opener;
  }
}

TEST_F(LibraryReader, LinesAfterABlockStillBelongToIt) {
  // After the block's "}" no section is open: a name line there counts as a
  // function section's, both for the list and for the block's details.
  const std::string path = Write(
      "Function{\r\nFIRST:one\r\n}\r\nSECOND:two\r\nComment{\r\nlate comment\r\n}\r\n"
      "Function{\r\nTHIRD:three\r\n}\r\n");
  const auto items = Functions(path);
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1].name, "SECOND");
  EXPECT_EQ(items[2].identity, 2u);
  CK7QBldLibraryFunction f;
  ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(path, 0, f));
  EXPECT_EQ(f.name, "SECOND");
  EXPECT_EQ(f.comments, K7QStringList{"late comment"});
  // Identity 1 is the second "Function{" block, whatever the list says.
  ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(path, 1, f));
  EXPECT_EQ(f.name, "THIRD");
  EXPECT_TRUE(f.comments.empty());
}

TEST_F(LibraryReader, AClosingBraceOnAnOpenerLineOnlyCloses) {
  // "Comment{ }" closes the function section; the following lines are then
  // content of no section, read as a function section's.
  const std::string path = Write("Function{\r\nF:d\r\nComment{ }\r\nnot a comment\r\nG:e\r\n");
  CK7QBldLibraryFunction f;
  ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(path, 0, f));
  EXPECT_TRUE(f.comments.empty());
  EXPECT_EQ(f.name, "G");
  // A "}" that is the trail byte of a double-byte character closes nothing.
  const std::string trail = Write("Function{\r\nF:d\r\nComment{\r\n" + K7QSjis("ア") +
                                  std::string("\x83\x7d") + "\r\nstill a comment\r\n");
  ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(trail, 0, f));
  EXPECT_EQ(f.comments.size(), 2u);
}

TEST_F(LibraryReader, ABlockWithoutANameLineKeepsNoOldName) {
  const std::string path =
      Write("Function{\r\nF:d\r\n}\r\nFunction{\r\nComment{\r\nc\r\n}\r\n}\r\n");
  CK7QBldLibraryFunction f;
  ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(path, 0, f));
  EXPECT_EQ(f.name, "F");
  ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(path, 1, f));
  EXPECT_EQ(f.name, "");
  EXPECT_EQ(f.description, "");
}

// Lines that cannot be read are passed over and counted, in both formats,
// and keep their place in the numbering.
TEST_F(LibraryReader, UnreadableLinesAreSkippedAndCounted) {
  const std::string longLine(kLibraryLineLimit + 1, 'x');
  const std::string exact(kLibraryLineLimit - 4, 'y');
  const std::string path =
      Write("A:$(A):a\r\n" + longLine + ":t:d\r\n" + std::string("B:\x85\x40:not CP932\r\n") +
            std::string("C:nul\0byte:d\r\n", 14) + exact + ":t:d\r\n" + "D:$(D):d\r\n");
  const auto entries = Entries(path, 6);
  EXPECT_EQ(counts.skipped, 3);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].line, 0);
  // A line of exactly the limit, CR LF and all, is still read.
  EXPECT_EQ(entries[1].line, 4);
  EXPECT_EQ(entries[1].name, exact);
  EXPECT_EQ(entries[2].line, 5);

  const std::string functions =
      Write("Function{\r\nF:d\r\nArgv{\r\n" + longLine + "\r\nt:A\xff:d\r\nt:B:d\r\n}\r\n}\r\n");
  CK7QBldLibraryFunction f;
  ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(functions, 0, f, &counts));
  EXPECT_EQ(f.arguments, K7QStringList{"t:B:d"});
  EXPECT_EQ(counts.skipped, 2);
}

TEST_F(LibraryReader, AFileThatIsNoLibraryGivesNothing) {
  // A picture: no line of it is text, one huge line without a line end is
  // never held whole.
  std::string bytes("GIF89a\x01\x00\x01\x00\x80\xff\x00", 13);
  bytes += std::string(1 << 20, '\x81');
  const std::string path = Write(bytes);
  EXPECT_TRUE(Functions(path).empty());
  EXPECT_EQ(counts.lines, 1);
  EXPECT_EQ(counts.skipped, 1);
  EXPECT_TRUE(Entries(path, 1).empty());
}

}  // namespace
