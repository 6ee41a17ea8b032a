#include "K7QBldLibraryLines.h"

#include <algorithm>

#include "K7QBldCp932.h"

bool CK7QBldLibraryLines::IsText(const std::string& line) {
  if (line.find('\0') != std::string::npos) return false;
  // Plain ASCII needs no table; anything else is asked of the converter,
  // which knows the unassigned codes as well.
  if (std::all_of(line.begin(), line.end(), [](char c) { return (c & 0x80) == 0; })) return true;
  std::string ignored;
  return K7QCp932::ToUtf8(line, ignored);
}

bool CK7QBldLibraryLines::Next(std::string& line) {
  bool cut = false;
  while (m_reader.ReadLine(line, kLibraryLineLimit, cut)) {
    ++m_lines;
    if (!cut && IsText(line)) return true;
    ++m_skipped;
  }
  line.clear();
  return false;
}
