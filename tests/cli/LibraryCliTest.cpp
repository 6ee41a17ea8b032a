// k7q library show: what the pages show of a library file, and its exit statuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "K7QTestSupport.h"

namespace {

std::string Installed(const char* name) { return std::string(K7Q_DATA_DIR) + "/" + name; }

TEST(LibraryCli, FunctionFilesListTheirFunctionsByNumber) {
  const K7QRunResult run =
      K7QRunK7qCapture({"library", "show", Installed("k7q_func_汎用関数.txt")});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.rfind("library\tfunctions\nfunction\t0\tRZV_ASSIGN\t", 0), 0u) << run.out;
  EXPECT_NE(run.out.find("\nfunction\t1\tRZV_DATE\t"), std::string::npos);
  EXPECT_NE(run.out.find("\nskipped\t0\n"), std::string::npos);
}

TEST(LibraryCli, OneFunctionShowsItsDetails) {
  CK7QTempDir dir;
  const std::string file = dir.File("f.txt");
  K7QWriteFile(file,
               "Function{\r\nF\\:G:d\\e\r\nComment{\r\nc\tone\r\n}\r\nParameter{\r\n@F(A)\r\n}\r\n"
               "ArgvN{\r\nt:A:first\r\nodd line\r\n}\r\n}\r\n");
  const K7QRunResult run = K7QRunK7qCapture({"library", "show", file, "--function", "0"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "name\tF:G\n"
            "description\td\\\\e\n"
            "arguments\tvariable\n"
            "comment\tc\\tone\n"
            "parameter\t@F(A)\n"
            "argument\tt:A:first\tA\n"
            "argument\todd line\t\n"
            "lines\t13\n"
            "skipped\t0\n");
  const K7QRunResult none = K7QRunK7qCapture({"library", "show", file, "--function", "1"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "");
}

TEST(LibraryCli, EntryFilesListEntriesByLineAndCountSkippedLines) {
  CK7QTempDir dir;
  const std::string file = dir.File("v.txt");
  K7QWriteFile(file, "# comment\r\nA:$(A):first\r\nB:\x85\x40:bad\r\nC:%ELSE:third\r\n");
  const K7QRunResult run = K7QRunK7qCapture({"library", "show", file});
  // Everything readable is printed; the skipped line fails the command.
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "library\tentries\n"
            "entry\t1\tA\t$(A)\tfirst\n"
            "entry\t3\tC\t%ELSE\tthird\n"
            "lines\t4\n"
            "skipped\t1\n");
}

TEST(LibraryCli, MissingFilesAndBadCommandLines) {
  CK7QTempDir dir;
  EXPECT_EQ(K7QRunK7qCapture({"library", "show", dir.File("none.txt")}).status, 1);
  EXPECT_EQ(K7QRunK7qCapture({"library", "show", dir.Path()}).status, 1);
  EXPECT_EQ(K7QRunK7qCapture({"library", "show"}).status, 2);
  EXPECT_EQ(K7QRunK7qCapture({"library", "list", dir.File("x")}).status, 2);
  EXPECT_EQ(K7QRunK7qCapture({"library", "show", dir.File("x"), "--function", "-1"}).status, 2);
  EXPECT_EQ(K7QRunK7qCapture({"library", "show", dir.File("x"), "--format", "nope"}).status, 2);
}

}  // namespace
