#include "K7QBldMessageBlock.h"

#include <new>

#include "K7QBldGroceries.h"

int CK7QBldMessageBlock::Put(const std::string& text, const std::string& code, int action) {
  try {
    const int found = FindCode(code);
    if (found >= 0) {
      CK7QBldMessageItem& item = m_items[static_cast<std::size_t>(found)];
      item.code = code;
      item.text = text;
      item.action = action;
      return found;
    }
    m_items.push_back({code, action, text});
    return static_cast<int>(m_items.size()) - 1;
  } catch (const std::bad_alloc& e) {
    if (m_groceries) m_groceries->ReportMemoryException(e, __FILE__, __LINE__);
    return -1;
  }
}

bool CK7QBldMessageBlock::CopyFrom(const CK7QBldMessageBlock& other) {
  if (&other == this) return true;
  m_items.clear();
  m_position = other.m_position;
  try {
    m_items = other.m_items;
  } catch (const std::bad_alloc& e) {
    if (m_groceries) m_groceries->ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

void CK7QBldMessageBlock::GetAt(int index, std::string& text, std::string& code,
                                int& action) const {
  if (index < 0 || index >= GetCount()) {
    text.clear();
    code.clear();
    action = kMessageActionExit;
    return;
  }
  const CK7QBldMessageItem& item = m_items[static_cast<std::size_t>(index)];
  text = item.text;
  code = item.code;
  action = item.action;
}

int CK7QBldMessageBlock::FindCode(const std::string& code) const {
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    if (CK7QBldGroceries::EqualNoCase(m_items[i].code, code)) return static_cast<int>(i);
  }
  return -1;
}

std::string CK7QBldMessageBlock::GetSectionText() const {
  if (m_items.empty()) return {};
  std::string out = "%MESSAGE{\n";
  for (const CK7QBldMessageItem& item : m_items) {
    out += item.code;
    out += ": \"";
    out += item.text;
    out += "\": ";
    out += CK7QBldMessageItem::ActionWord(item.action);
    out += '\n';
  }
  out += "%}\n";
  return out;
}

int CK7QBldMessageBlock::ReadMessageLine(const std::string& line) {
  K7QStringList fields;
  if (CK7QBldGroceries::SplitString(line, fields, ':', false) != 3) return -1;
  int action;
  if (CK7QBldGroceries::EqualNoCase(fields[2], "exit")) {
    action = kMessageActionExit;
  } else if (CK7QBldGroceries::EqualNoCase(fields[2], "continue")) {
    action = kMessageActionContinue;
  } else {
    // An unknown action word would run the macro with an undefined reaction.
    return -1;
  }
  std::string text = fields[1];
  CK7QBldGroceries::RemoveChars(text, "\"");
  return Put(text, fields[0], action);
}
