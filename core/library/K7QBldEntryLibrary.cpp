#include "K7QBldEntryLibrary.h"

#include "K7QBldFile.h"
#include "K7QBldGroceries.h"

bool CK7QBldEntryLibrary::ParseLine(const std::string& line, K7QLibraryEntry& entry) {
  K7QStringList fields;
  if (CK7QBldGroceries::SplitString(line, fields, ':', false) != 3) return false;
  entry.name = std::move(fields[0]);
  entry.text = std::move(fields[1]);
  entry.description = std::move(fields[2]);
  return true;
}

int CK7QBldEntryLibrary::ReadList(const std::string& path, std::vector<K7QLibraryEntry>& entries,
                                  K7QLibraryCounts* counts) {
  if (path.empty() || !K7QFile::Exists(path)) return -1;
  CK7QBldLibraryLines lines(path);
  std::string line;
  K7QLibraryEntry entry;
  while (lines.Next(line)) {
    if (!ParseLine(line, entry)) continue;
    entry.line = lines.LineNumber();
    entries.push_back(std::move(entry));
  }
  if (counts) *counts = {lines.Lines(), lines.Skipped()};
  return lines.Lines();
}

bool CK7QBldEntryLibrary::ReadEntry(const std::string& path, int line, K7QLibraryEntry& entry) {
  if (line < 0 || path.empty() || !K7QFile::Exists(path)) return false;
  CK7QBldLibraryLines lines(path);
  std::string text;
  while (lines.Next(text)) {
    if (lines.LineNumber() < line) continue;
    if (lines.LineNumber() > line || !ParseLine(text, entry)) return false;
    entry.line = line;
    return true;
  }
  return false;
}
