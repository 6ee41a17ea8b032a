#include "K7QBldArgumentRows.h"

#include <algorithm>

#include "K7QBldCp932.h"

namespace {

// Whether the macro reader takes `value` for exactly one argument: it reads
// a call's arguments by toggling on double quotes and counting parentheses
// outside them, and splits at a comma outside both. These bytes are all
// below 0x40, so no CP932 trail byte is ever taken for one.
bool IsOneArgument(std::string_view value) {
  bool quoted = false;
  int depth = 0;
  for (char c : value) {
    if (c == '"') {
      quoted = !quoted;
    } else if (quoted) {
      continue;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth < 0) return false;
    } else if (c == ',' && depth == 0) {
      return false;
    } else if (c == '\r' || c == '\n') {
      return false;
    }
  }
  return !quoted && depth == 0;
}

}  // namespace

CK7QBldArgumentRows::CK7QBldArgumentRows(const CK7QBldLibraryFunction& function)
    : m_variable(function.variable) {
  const K7QStringList names = function.ArgumentNames();
  if (!names.empty()) m_firstName = names.front();
  if (!m_variable) {
    for (std::size_t i = 0; i < names.size(); ++i)
      m_rows.push_back({names[i], i < function.values.size() ? function.values[i] : std::string()});
    return;
  }
  for (std::size_t i = 0; i < function.values.size(); ++i)
    m_rows.push_back({RowName(i + 1), function.values[i]});
  m_rows.push_back({RowName(m_rows.size() + 1), {}});
}

std::string CK7QBldArgumentRows::RowName(std::size_t number) const {
  return m_firstName + std::to_string(number);
}

unsigned CK7QBldArgumentRows::Set(const std::vector<int>& selected, const std::string& text,
                                  K7QStringList* argumentLines) {
  const auto valid = [this](int row) {
    return row >= 0 && static_cast<std::size_t>(row) < m_rows.size();
  };
  if (std::none_of(selected.begin(), selected.end(), valid)) return kIdsArgumentNoRow;
  const std::string value = CK7QBldGroceries::Trim(text);
  if (value.empty()) return kIdsArgumentEmptyValue;
  std::string argument;
  if (!QuoteArgument(value, argument)) return kIdsArgumentNotOneValue;
  for (int row : selected) {
    if (valid(row)) m_rows[static_cast<std::size_t>(row)].value = argument;
  }
  if (m_variable) {
    m_rows.push_back({RowName(m_rows.size() + 1), {}});
    if (argumentLines) argumentLines->push_back(m_rows.back().name);
  }
  return 0;
}

unsigned CK7QBldArgumentRows::Delete(const std::vector<int>& selected) {
  std::vector<bool> gone(m_rows.size(), false);
  bool any = false;
  for (int row : selected) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size()) continue;
    gone[static_cast<std::size_t>(row)] = true;
    any = true;
  }
  if (!any) return kIdsArgumentNoRow;
  if (m_rows.size() == 1) return kIdsArgumentOnlyRow;
  if (gone.back()) return kIdsArgumentLastRow;
  std::vector<Row> kept;
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    if (!gone[i]) kept.push_back(std::move(m_rows[i]));
  }
  m_rows.swap(kept);
  // Only rows of a variable number are numbered; the others keep their names.
  if (m_variable) {
    for (std::size_t i = 0; i < m_rows.size(); ++i) m_rows[i].name = RowName(i + 1);
  }
  return 0;
}

K7QStringList CK7QBldArgumentRows::Values() const {
  K7QStringList values;
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    if (m_rows[i].value.empty()) continue;
    values.resize(i);
    values.push_back(m_rows[i].value);
  }
  return values;
}

bool CK7QBldArgumentRows::QuoteArgument(const std::string& value, std::string& argument) {
  if (IsOneArgument(value)) {
    argument = value;
    return true;
  }
  if (K7QCp932::Find(value, '"') != std::string_view::npos ||
      value.find_first_of("\r\n") != std::string::npos)
    return false;
  argument = "\"" + value + "\"";
  return true;
}

std::string CK7QBldArgumentRows::BuildCall(const std::string& name, const K7QStringList& values) {
  std::string call = "@" + name + "(";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) call += ',';
    call += values[i];
  }
  return call + ")";
}
