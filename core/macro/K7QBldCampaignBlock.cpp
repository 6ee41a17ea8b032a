#include "K7QBldCampaignBlock.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldFunctionName.h"
#include "K7QBldGroceries.h"
#include "K7QBldNameKey.h"
#include "K7QBldStack.h"

namespace {

constexpr std::string_view kStartMarker = "<!-- CAMP Start ";
constexpr std::string_view kEndMarker = "<!-- CAMP End -->";
constexpr std::string_view kCommentOpen = "<!-- ";
constexpr std::string_view kCommentClose = " -->";
constexpr std::string_view kKeyNumber = "@RZV_ASSIGN(CAMP_NUMBER, \"";
constexpr std::string_view kKeyStart = "@RZV_ASSIGN(CAMP_START, \"";
constexpr std::string_view kKeyEnd = "@RZV_ASSIGN(CAMP_END, \"";
constexpr std::string_view kKeyTable1 = "@RZV_ASSIGN(CAMP_TABLE1, \"";
constexpr std::string_view kKeyTable2 = "@RZV_ASSIGN(CAMP_TABLE2, \"";
constexpr std::string_view kValueClose = "\")";
constexpr std::string_view kCampaignTable = "$(CAMP_TABLE)";

// Block codes of the function reader's stack.
constexpr std::int16_t kBlockComment = 0;
constexpr std::int16_t kBlockFunction = 3;
constexpr std::int16_t kBlockReport = 4;
constexpr std::int16_t kBlockRow = 5;
constexpr std::int16_t kBlockMessage = 6;

bool Contains(std::string_view text, std::string_view needle) {
  return K7QCp932::Find(text, needle) != std::string_view::npos;
}

// The quoted value after `key` (which ends in the opening quote) up to the
// next '")'; empty when it is not closed.
std::string QuotedValue(std::string_view line, std::size_t keyAt, std::size_t keyLength) {
  const std::size_t from = keyAt + keyLength;
  const std::size_t close = K7QCp932::Find(line, kValueClose, from);
  if (close == std::string_view::npos) return {};
  return std::string(line.substr(from, close - from));
}

// The calls "@NAME()" of `text` whose NAME is a function, in order: the
// position of each "@" and its name.
std::vector<std::pair<std::size_t, std::string_view>> FindCalls(
    std::string_view text, const CK7QBldCampaignBlock::IsFunction& isFunction, bool firstOnly) {
  std::vector<std::pair<std::size_t, std::string_view>> calls;
  for (std::size_t at = K7QCp932::Find(text, '@'); at != std::string_view::npos;
       at = K7QCp932::Find(text, '@', at + 1)) {
    const std::size_t length = K7QFunctionName::CallNameLength(text, at);
    if (length == 0) continue;
    const std::string_view name = text.substr(at + 1, length);
    if (!isFunction(name)) continue;
    calls.emplace_back(at, name);
    if (firstOnly) break;
    at += length;
  }
  return calls;
}

bool HasBareLineFeed(std::string_view text) {
  for (std::size_t lf = text.find('\n'); lf != std::string_view::npos;
       lf = text.find('\n', lf + 1)) {
    if (lf == 0 || text[lf - 1] != '\r') return true;
  }
  return false;
}

// Calls `visit(content, lineEnd)` for each line of `text`, where `lineEnd`
// is the "\n" or "\r\n" that ended it (empty for a last line without one).
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) {
      visit(text.substr(start), std::string_view());
      return;
    }
    std::size_t contentEnd = lf;
    if (contentEnd > start && text[contentEnd - 1] == '\r') --contentEnd;
    visit(text.substr(start, contentEnd - start), text.substr(contentEnd, lf + 1 - contentEnd));
    start = lf + 1;
  }
}

}  // namespace

int CK7QBldCampaignBlock::Add(std::time_t start, std::time_t end, const std::string& function,
                              const std::string& table1, const std::string& table2,
                              const std::string& comment) {
  // A time the macro cannot carry as "YYYYMMDD" would be read back as another day.
  if (!CK7QBldCampaignEntry::IsDate(CK7QBldCampaignEntry::FormatDate(start)) ||
      !CK7QBldCampaignEntry::IsDate(CK7QBldCampaignEntry::FormatDate(end))) {
    m_groceries.Ui().Message(kIdsCampaignDateRefused);
    return -1;
  }
  try {
    CK7QBldCampaignEntry entry;
    entry.Set(GetCount() + 1, start, end, function, table1, table2, comment);
    m_entries.push_back(std::move(entry));
    return GetCount() - 1;
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return -1;
  }
}

void CK7QBldCampaignBlock::Modify(int index, std::time_t start, std::time_t end,
                                  const std::string& function, const std::string& table1,
                                  const std::string& table2, const std::string& comment) {
  if (index < 0 || index >= GetCount()) return;
  if (!CK7QBldCampaignEntry::IsDate(CK7QBldCampaignEntry::FormatDate(start)) ||
      !CK7QBldCampaignEntry::IsDate(CK7QBldCampaignEntry::FormatDate(end))) {
    m_groceries.Ui().Message(kIdsCampaignDateRefused);
    return;
  }
  try {
    m_entries[static_cast<std::size_t>(index)].Set(index + 1, start, end, function, table1, table2,
                                                   comment);
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
}

void CK7QBldCampaignBlock::RemoveIf(
    const std::function<bool(const CK7QBldCampaignEntry&)>& remove) {
  const auto end = std::remove_if(m_entries.begin(), m_entries.end(), remove);
  if (end == m_entries.end()) return;
  m_entries.erase(end, m_entries.end());
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    CK7QBldCampaignEntry& e = m_entries[i];
    e.Set(static_cast<int>(i) + 1, e.Start(), e.End(), e.Function(), e.Table1(), e.Table2(),
          e.Comment());
  }
}

int CK7QBldCampaignBlock::Find(const std::string& function, const std::string& table1) const {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    if (CK7QBldGroceries::EqualNoCase(m_entries[i].Function(), function) &&
        CK7QBldGroceries::EqualNoCase(m_entries[i].Table1(), table1))
      return static_cast<int>(i);
  }
  return -1;
}

std::string CK7QBldCampaignBlock::GetCampaignText(const std::string& function) const {
  for (const CK7QBldCampaignEntry& entry : m_entries) {
    if (CK7QBldGroceries::EqualNoCase(entry.Function(), function)) return entry.CampaignText();
  }
  return {};
}

const CK7QBldCampaignEntry* CK7QBldCampaignBlock::GetAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return &m_entries[static_cast<std::size_t>(index)];
}

CK7QBldSQL::CampaignContext CK7QBldCampaignBlock::GetCampaignContext(
    const std::string& function) const {
  CK7QBldSQL::CampaignContext context;
  context.key = function;
  context.tables.reserve(m_entries.size());
  for (const CK7QBldCampaignEntry& entry : m_entries) {
    context.tables.push_back({entry.Function(), entry.Table1()});
  }
  return context;
}

std::string CK7QBldCampaignBlock::TextOf(std::size_t index) const {
  std::string text = m_entries[index].CampaignText();
  if (m_lineEnd != "\n") CK7QBldGroceries::ReplaceAll(text, "\n", m_lineEnd);
  return text;
}

std::string CK7QBldCampaignBlock::InsertCampaignText(std::string_view section,
                                                     const IsFunction& isFunction,
                                                     std::vector<bool>* written) const {
  const auto calls = FindCalls(section, isFunction, false);
  if (calls.empty()) return std::string(section);
  // The first campaign of each function is the one its calls get.
  std::unordered_map<std::string, std::size_t> campaignOf;
  for (std::size_t i = m_entries.size(); i-- > 0;)
    campaignOf[K7QBldNameKey(m_entries[i].Function())] = i;
  const bool bareLineFeeds = m_lineEnd == "\n";
  std::string out;
  out.reserve(section.size() + 512);
  std::size_t pos = 0;
  std::string owner;  // whose table the text so far has set
  for (std::size_t i = 0; i < calls.size(); ++i) {
    const auto& [at, name] = calls[i];
    const std::string key = K7QBldNameKey(name);
    const auto found = key == owner ? campaignOf.end() : campaignOf.find(key);
    const std::string campaign = found == campaignOf.end() ? std::string() : TextOf(found->second);
    if (i > 0 && campaign.empty()) continue;
    out.append(section, pos, at - pos);
    if (i == 0 && bareLineFeeds) {
      out += campaign;
      out += '\n';
    } else {
      if (i == 0) out += "\r\n";
      if (!campaign.empty()) {
        out += campaign;
        out += "\r\n";
      }
    }
    if (!campaign.empty()) {
      owner = key;
      if (written) (*written)[found->second] = true;
    }
    pos = at;
  }
  out.append(section, pos, std::string_view::npos);
  return out;
}

void CK7QBldCampaignBlock::InsertCampaignTexts(std::string& input, std::string& report,
                                               const IsFunction& isFunction) const {
  std::vector<bool> written(m_entries.size(), false);
  if (!input.empty()) input = InsertCampaignText(input, isFunction, &written);
  report = InsertCampaignText(report, isFunction, &written);
  std::string rest;
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    if (written[i]) continue;
    rest += TextOf(i);
    rest += "\r\n";
  }
  if (rest.empty()) return;
  // In front of the line that closes the report section.
  const std::size_t header = report.find("%HTML(REPORT){");
  std::size_t close = header == std::string::npos ? std::string::npos : report.find("\n%}", header);
  close = close == std::string::npos ? report.size() : close + 1;
  report.insert(close, rest);
}

bool CK7QBldCampaignBlock::RemoveCallBreak(std::string& section, const IsFunction& isFunction) {
  const auto calls = FindCalls(section, isFunction, true);
  if (calls.empty()) return false;
  const std::size_t at = calls.front().first;
  if (at == 0 || section[at - 1] != '\n') return false;
  // An earlier builder's break is a bare line feed after text with CR LF
  // line ends; this one's is CR LF.
  const std::size_t length = at >= 2 && section[at - 2] == '\r' ? 2 : 1;
  section.erase(at - length, length);
  return true;
}

std::string CK7QBldCampaignBlock::ExtractCampaignsFromText(std::string_view text, std::time_t now) {
  m_lineEnd = HasBareLineFeed(text) ? "\n" : "\r\n";
  std::string out;
  out.reserve(text.size());
  // Values carry over from one block to the next, so a block without a
  // CAMP_START line keeps the start of the block before it.
  std::time_t start = now;
  std::time_t end = now;
  std::string function;
  std::string table1;
  std::string table2;
  std::string comment;

  // (function, table 1) pairs already listed, so many blocks need no scan each.
  std::unordered_set<std::string> listed;
  const auto pairKey = [](const std::string& f, const std::string& t) {
    return K7QBldNameKey(f) + '\0' + K7QBldNameKey(t);
  };
  for (const CK7QBldCampaignEntry& entry : m_entries) {
    listed.insert(pairKey(entry.Function(), entry.Table1()));
  }
  const auto date = [&](const std::string& value, std::string_view key) {
    if (CK7QBldCampaignEntry::IsDate(value)) return CK7QBldCampaignEntry::ParseDate(value, now);
    IK7QBldUserInterface& ui = m_groceries.Ui();
    ui.Prompt(kIdsCampaignDateRead,
              ui.String(kIdsCampaignDateRead) + "\n" + K7QCp932::ToUtf8(function) + ": " +
                  std::string(key) + " \"" + K7QCp932::ToUtf8(value) + "\"",
              K7QIcon::Exclamation, K7QButtons::Ok);
    return now;
  };

  // The campaign number each added entry was saved with.
  const std::size_t firstAdded = m_entries.size();
  std::vector<int> numbers;
  std::size_t pos = 0;
  for (;;) {
    int number = INT_MAX;
    const std::size_t open = K7QCp932::Find(text, kStartMarker, pos);
    if (open == std::string_view::npos) break;
    const std::size_t close = K7QCp932::Find(text, kEndMarker, open + kStartMarker.size());
    // A start without an end is no campaign text: keep it as the author's text.
    if (close == std::string_view::npos) break;
    out.append(text.substr(pos, open - pos));

    const std::string_view block = text.substr(open, close - open);
    std::size_t firstEnd = block.find('\n');
    if (firstEnd == std::string_view::npos) firstEnd = block.size();
    std::string_view first = block.substr(kStartMarker.size(), firstEnd - kStartMarker.size());
    const std::size_t nameEnd = K7QCp932::Find(first, kCommentClose);
    function = CK7QBldGroceries::Trim(first.substr(0, nameEnd));
    // A comment belongs to its own block (the dates carry over, a comment would
    // turn up on every campaign after it).
    comment.clear();

    const std::string_view rest =
        firstEnd < block.size() ? block.substr(firstEnd + 1) : std::string_view();
    ForEachLine(rest, [&](std::string_view line, std::string_view) {
      std::size_t at;
      if ((at = K7QCp932::Find(line, kKeyNumber)) != std::string_view::npos) {
        const std::string value = QuotedValue(line, at, kKeyNumber.size());
        if (!value.empty() && value.size() < 9 &&
            value.find_first_not_of("0123456789") == std::string::npos)
          number = std::stoi(value);
      } else if ((at = K7QCp932::Find(line, kKeyStart)) != std::string_view::npos) {
        start = date(QuotedValue(line, at, kKeyStart.size()), "CAMP_START");
      } else if ((at = K7QCp932::Find(line, kKeyEnd)) != std::string_view::npos) {
        end = date(QuotedValue(line, at, kKeyEnd.size()), "CAMP_END");
      } else if ((at = K7QCp932::Find(line, kKeyTable1)) != std::string_view::npos) {
        table1 = QuotedValue(line, at, kKeyTable1.size());
      } else if ((at = K7QCp932::Find(line, kKeyTable2)) != std::string_view::npos) {
        table2 = QuotedValue(line, at, kKeyTable2.size());
      } else if ((at = K7QCp932::Find(line, kCommentOpen)) != std::string_view::npos) {
        const std::size_t from = at + kCommentOpen.size();
        const std::size_t to = K7QCp932::Find(line, kCommentClose, from);
        if (to != std::string_view::npos) comment.assign(line.substr(from, to - from));
      }
    });
    if (listed.insert(pairKey(function, table1)).second &&
        Add(start, end, function, table1, table2, comment) >= 0)
      numbers.push_back(number);
    pos = close + kEndMarker.size();
    // The save puts CR LF after each campaign text; an earlier builder's
    // bare line feed in front of a first call is the call's break, which
    // the split takes out.
    if (text.substr(pos, 2) == "\r\n") pos += 2;
  }
  out.append(text.substr(pos));

  // The save numbers campaigns by their place in the list and writes each
  // in front of its function's call, so the page's order may differ: the
  // numbers give the list its order back.
  std::vector<std::size_t> order(numbers.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&numbers](std::size_t a, std::size_t b) { return numbers[a] < numbers[b]; });
  std::vector<CK7QBldCampaignEntry> sorted;
  sorted.reserve(order.size());
  for (std::size_t i : order) sorted.push_back(m_entries[firstAdded + i]);
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const CK7QBldCampaignEntry& e = sorted[i];
    const std::size_t index = firstAdded + i;
    m_entries[index].Set(static_cast<int>(index) + 1, e.Start(), e.End(), e.Function(), e.Table1(),
                         e.Table2(), e.Comment());
  }
  return out;
}

bool CK7QBldCampaignBlock::ExtractCampaigns(const std::string& macroPath,
                                            const std::string& restorePath) {
  try {
    if (!K7QFile::Exists(macroPath)) return false;
    const std::string macro = K7QFile::ReadAll(macroPath);
    K7QFile::WriteAll(restorePath, ExtractCampaignsFromText(macro, std::time(nullptr)));
  } catch (const CK7QBldFileException& e) {
    m_groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

std::string CK7QBldCampaignBlock::RestoreCampaignTablesInText(
    std::string_view text, const std::string& functionPrefix) const {
  std::string out;
  out.reserve(text.size());
  // The last campaign of each function names its table.
  std::unordered_map<std::string, const std::string*> tableOf;
  for (const CK7QBldCampaignEntry& entry : m_entries) {
    tableOf[K7QBldNameKey(entry.Function())] = &entry.Table1();
  }
  CK7QBldStack stack(&m_groceries);
  const std::string* table = nullptr;
  std::string line;
  ForEachLine(text, [&](std::string_view content, std::string_view lineEnd) {
    std::size_t at;
    if (!functionPrefix.empty() &&
        (at = K7QCp932::Find(content, functionPrefix)) != std::string_view::npos) {
      stack.Push(kBlockFunction);
      const std::size_t from = at + functionPrefix.size();
      const std::size_t to = K7QCp932::Find(content, "(){", from);
      const auto it = tableOf.find(
          K7QBldNameKey(content.substr(from, to == std::string_view::npos ? to : to - from)));
      table = it == tableOf.end() ? nullptr : it->second;
    } else if (Contains(content, "%REPORT{")) {
      stack.Push(kBlockReport);
    } else if (Contains(content, "%ROW{")) {
      stack.Push(kBlockRow);
    } else if (Contains(content, "%MESSAGE{")) {
      // Its "%}" pops, so it must push too, or the function's block ends early.
      stack.Push(kBlockMessage);
    } else if (Contains(content, "%{")) {
      stack.Push(kBlockComment);
    } else if (Contains(content, "%}")) {
      stack.Pop();
    } else if (stack.Peek() == kBlockFunction && Contains(content, kCampaignTable)) {
      // A function without a campaign keeps the variable as the author wrote it.
      if (table) {
        line.assign(content);
        CK7QBldGroceries::ReplaceAll(line, kCampaignTable, *table);
        out.append(line);
        out.append(lineEnd);
        return;
      }
    }
    out.append(content);
    out.append(lineEnd);
  });
  return out;
}

bool CK7QBldCampaignBlock::RestoreCampaignTables(const std::string& path,
                                                 const std::string& functionPrefix) const {
  if (K7QCp932::FindLast(path, '.') == std::string::npos) return false;
  try {
    if (!K7QFile::Exists(path)) return false;
    const std::string text = K7QFile::ReadAll(path);
    const std::string restored = RestoreCampaignTablesInText(text, functionPrefix);
    K7QFile::RewriteInPlace(
        path, CK7QBldGroceries::TemporaryName(path),
        [&restored](CK7QBldTextWriter& out) { out.Write(restored); }, true);
  } catch (const CK7QBldFileException& e) {
    m_groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}
