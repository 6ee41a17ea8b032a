#pragma once

// Folder core/profile: the profile file's reader and writer, its tables and columns.

#include <string>
#include <vector>

#include "K7QBldProfileColumn.h"

// A table of the profile: its name and its columns in file order.
class CK7QBldDBTable {
 public:
  CK7QBldDBTable() = default;
  explicit CK7QBldDBTable(std::string name) : m_name(std::move(name)) {}

  const std::string& Name() const { return m_name; }
  const std::vector<CK7QBldProfileColumn>& Columns() const { return m_columns; }
  std::vector<CK7QBldProfileColumn>& Columns() { return m_columns; }

  // The column named `column` ignoring case, or nullptr.
  const CK7QBldProfileColumn* FindColumn(std::string_view column) const;

 private:
  std::string m_name;
  std::vector<CK7QBldProfileColumn> m_columns;
};
