#include "K7QBldMessageBlock.h"

#include <new>

#include "K7QBldCp932.h"
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

int CK7QBldMessageBlock::ReportUnreadable(const std::string& line) const {
  // A blank line is layout, not a message left out.
  if (!m_groceries || CK7QBldGroceries::Trim(line).empty()) return -1;
  IK7QBldUserInterface& ui = m_groceries->Ui();
  ui.Prompt(kIdsMessageLineUnreadable,
            ui.String(kIdsMessageLineUnreadable) + "\n" + K7QCp932::ToUtf8(line),
            K7QIcon::Exclamation, K7QButtons::Ok);
  return -1;
}

int CK7QBldMessageBlock::ReadMessageLine(const std::string& line) {
  // The code ends at the first colon and the action word begins after the
  // last, so a text may hold colons and double quotes of its own.
  const std::size_t first = line.find(':');
  const std::size_t last = line.rfind(':');
  if (first == std::string::npos || first == last) return ReportUnreadable(line);
  const std::string code = CK7QBldGroceries::Trim(std::string_view(line).substr(0, first));
  const std::string word = CK7QBldGroceries::Trim(std::string_view(line).substr(last + 1));
  std::string text =
      CK7QBldGroceries::Trim(std::string_view(line).substr(first + 1, last - first - 1));
  if (code.empty()) return ReportUnreadable(line);
  int action;
  if (CK7QBldGroceries::EqualNoCase(word, "exit")) {
    action = kMessageActionExit;
  } else if (CK7QBldGroceries::EqualNoCase(word, "continue")) {
    action = kMessageActionContinue;
  } else {
    // An unknown action word would run the macro with an undefined reaction.
    return ReportUnreadable(line);
  }
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = text.substr(1, text.size() - 2);
  return Put(text, code, action);
}
