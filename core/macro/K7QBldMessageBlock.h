#pragma once

#include <string>
#include <vector>

#include "K7QBldMessageItem.h"

class CK7QBldGroceries;

// A line of a message section that cannot be read (shown with the line).
inline constexpr unsigned kIdsMessageLineUnreadable = 63210;

// Where a function's message section stands relative to its report section.
inline constexpr int kMessagePositionBeforeReport = 0;
inline constexpr int kMessagePositionAfterReport = 1;

// The messages shown for SQL return codes: one block for the macro's report
// section and one in every function. Codes are unique within a block,
// compared ignoring case. Copyable: a function entry owns its own copy.
class CK7QBldMessageBlock {
 public:
  // `groceries` reports memory failures; without it they only give the failure value.
  explicit CK7QBldMessageBlock(const CK7QBldGroceries* groceries = nullptr)
      : m_groceries(groceries) {}

  // Replaces the item of that code in place, or appends one. Index, -1 on failure.
  int Put(const std::string& text, const std::string& code, int action);
  // Takes the other block's position and a copy of its items.
  bool CopyFrom(const CK7QBldMessageBlock& other);
  int GetCount() const { return static_cast<int>(m_items.size()); }
  // Outside the range: empty texts and action exit.
  void GetAt(int index, std::string& text, std::string& code, int& action) const;
  const std::vector<CK7QBldMessageItem>& Items() const { return m_items; }
  int FindCode(const std::string& code) const;
  void RemoveAll() { m_items.clear(); }

  int GetPosition() const { return m_position; }
  void SetPosition(int position) { m_position = position; }

  // The "%MESSAGE{" ... "%}" section as written into the macro, each line
  // ending in "\n"; empty for a block without items.
  std::string GetSectionText() const;

  // Reads one line from inside a message section back into the block
  // ("CODE: "TEXT": ACTION", cut at the first and the last colon; the
  // text's enclosing quotes removed). Index of the stored item, or -1 when
  // the line is not a message line (fewer than two colons, no code, an
  // unknown action word); a line that is not blank is then reported (63210).
  int ReadMessageLine(const std::string& line);

  // Items and position equal (the groceries pointer is not compared).
  bool operator==(const CK7QBldMessageBlock& other) const {
    return m_position == other.m_position && m_items == other.m_items;
  }

 private:
  int ReportUnreadable(const std::string& line) const;

  const CK7QBldGroceries* m_groceries = nullptr;
  int m_position = kMessagePositionBeforeReport;
  std::vector<CK7QBldMessageItem> m_items;
};
