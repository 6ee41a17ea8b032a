#pragma once

// Folder core/library: the readers of the function, variable and statement
// library files, and the argument rows of a library function's call.

#include <cstddef>
#include <string>

#include "K7QBldFile.h"

// The longest line a library file may hold; anything longer is no entry.
inline constexpr std::size_t kLibraryLineLimit = 4096;

// Reads a library file line by line, as the pages see it: a line longer
// than kLibraryLineLimit or holding bytes that are not CP932 text (a NUL,
// an invalid or unassigned code) is passed over and counted, but keeps its
// place in the line numbering. Library files come from anywhere (settings
// may name any file), so nothing of such a line is ever held whole.
class CK7QBldLibraryLines {
 public:
  // Throws CK7QBldFileException when the file cannot be opened.
  explicit CK7QBldLibraryLines(const std::string& path) : m_reader(path) {}

  // The next usable line without its line end; false at the end of the file.
  bool Next(std::string& line);
  // Zero-based number of the line Next gave last.
  int LineNumber() const { return m_lines - 1; }
  // Lines read so far, usable or not, and the ones passed over.
  int Lines() const { return m_lines; }
  int Skipped() const { return m_skipped; }

  // Whether `line` is CP932 text as the pages show it.
  static bool IsText(const std::string& line);

 private:
  CK7QBldLineReader m_reader;
  int m_lines = 0;
  int m_skipped = 0;
};

// What reading a library file came to.
struct K7QLibraryCounts {
  int lines = 0;    // lines in the file
  int skipped = 0;  // lines passed over as unreadable
};
