#pragma once

#include <string>
#include <vector>

#include "K7QBldLibraryLines.h"

// One entry of a variable or statement library: a line of three fields.
struct K7QLibraryEntry {
  int line = -1;            // zero-based line number: the entry's identity
  std::string name;         // what the list shows
  std::string text;         // what is dragged into the page
  std::string description;  // what the status bar shows
};

// The variable and statement library format: one entry per line, name,
// text and description separated by ":" (no escape). Any other line is
// passed over but keeps its place in the numbering.
class CK7QBldEntryLibrary {
 public:
  // Splits `line` into an entry; false unless it holds exactly three fields.
  static bool ParseLine(const std::string& line, K7QLibraryEntry& entry);

  // Appends the entries of the file at `path` in file order; the number of
  // lines read, or -1 when there is no such file (or no path). A file that
  // cannot be read throws CK7QBldFileException, and `entries` keeps what
  // was read before.
  static int ReadList(const std::string& path, std::vector<K7QLibraryEntry>& entries,
                      K7QLibraryCounts* counts = nullptr);
  // Reads the entry at zero-based line `line` again; false when the file is
  // missing or that line is no entry (any more). Throws as ReadList.
  static bool ReadEntry(const std::string& path, int line, K7QLibraryEntry& entry);
};
