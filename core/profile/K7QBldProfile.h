#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "K7QBldDBTable.h"
#include "K7QBldGroceries.h"
#include "K7QBldProfileColumn.h"

// Shown by whoever asked for a profile when Read fails.
inline constexpr unsigned kIdsProfileLoadFailed = 62321;

// Database kinds of a profile.
enum K7QDatabaseKind : int { kDatabaseOdbc = 0, kDatabaseVq5 = 1 };

// The builder's picture of one database: the profile file read into tables
// and columns, and what the macro needs to know about the connection.
// The profile folder is the folder of the file that was read: large-object
// files are looked up there and nowhere else.
class CK7QBldProfile {
 public:
  explicit CK7QBldProfile(const CK7QBldGroceries& groceries) : m_groceries(groceries) {}

  // Clears, then reads `path`. True when the Information block was closed;
  // what was read before a failure stays in memory either way. A missing
  // file fails without a report; a read fault is reported as a file error.
  bool Read(const std::string& path);
  void Clear();

  int DatabaseKind() const { return m_databaseKind; }
  const std::string& ProfileFolder() const { return m_profileFolder; }
  const std::string& FunctionSection() const { return m_functionSection; }
  const std::string& DatabaseName() const { return m_databaseName; }
  const std::string& Login() const { return m_login; }
  const std::string& Password() const { return m_password; }
  bool IsLoaded() const { return m_loaded; }

  const std::vector<CK7QBldDBTable>& Tables() const { return m_tables; }
  // Table names in file order (what the table combo boxes list).
  K7QStringList TableNames() const;
  // First table named `name` ignoring case, or nullptr.
  const CK7QBldDBTable* FindTable(std::string_view name) const;

  const CK7QBldProfileColumn* FindColumn(std::string_view table, std::string_view column) const;
  const CK7QBldProfileColumn* FindColumnInAnyTable(std::string_view column) const;

  // The text that stands for a column's value: empty, the image file name,
  // the sample, or the text file's content with line breaks converted.
  std::string ColumnSample(std::string_view table, std::string_view column) const;
  // The page fragment that shows a column; `color` is 0xRRGGBB.
  std::string ColumnHtml(const CK7QBldProfileColumn& column, std::uint32_t color, bool link,
                         std::string_view linkPrefix, std::string_view linkSuffix) const;
  // Full path of a column's file in the profile folder, or "" when the
  // column names no file or its name leads outside the folder.
  std::string ReferencePath(const CK7QBldProfileColumn& column) const;

  // The qualifier under which a SELECT statement lists `column`, or "".
  static std::string ColumnQualifier(const std::string& select, std::string_view column);
  // Both tables exist with the same column names and type names, position by position.
  bool SameStructure(std::string_view table1, std::string_view table2) const;
  // Each piece before a CR LF gets "<BR>" CR LF; the rest after the last CR LF stays.
  static std::string ConvertLineBreaks(std::string_view text);

 private:
  class CReader;
  friend class CReader;

  // Reads a file kind's file whole, each line followed by CR LF; false when it cannot be read.
  bool ReadReferenceText(const CK7QBldProfileColumn& column, std::string& text) const;
  bool IsInsideFolder(const std::string& path) const;

  const CK7QBldGroceries& m_groceries;
  int m_databaseKind = kDatabaseVq5;
  std::string m_profileFolder;
  std::string m_functionSection;
  std::string m_databaseName;
  std::string m_login;
  std::string m_password;
  std::vector<CK7QBldDBTable> m_tables;
  bool m_loaded = false;
};
