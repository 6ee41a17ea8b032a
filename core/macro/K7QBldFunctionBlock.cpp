#include "K7QBldFunctionBlock.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "K7QBldCampaignBlock.h"
#include "K7QBldCp932.h"
#include "K7QBldDDBlock.h"
#include "K7QBldFile.h"
#include "K7QBldFunctionName.h"

namespace {

constexpr std::size_t kSqlLineWidth = 80;

// Block codes of the component reader.
constexpr int kBlockComment = 0;
constexpr int kBlockBody = 3;
constexpr int kBlockReport = 4;
constexpr int kBlockRow = 5;
constexpr int kBlockMessage = 6;

bool Contains(std::string_view text, std::string_view needle) {
  return K7QCp932::Find(text, needle) != std::string_view::npos;
}

// Whether `lowerNeedle` stands in `text`, ASCII letters compared ignoring
// case ("<" starts it, which is never a trail byte).
bool ContainsNoCase(std::string_view text, std::string_view lowerNeedle) {
  for (std::size_t lt = text.find(lowerNeedle[0]); lt != std::string_view::npos;
       lt = text.find(lowerNeedle[0], lt + 1)) {
    if (CK7QBldGroceries::EqualNoCase(text.substr(lt, lowerNeedle.size()), lowerNeedle))
      return true;
  }
  return false;
}

// The object comments written after report lines are made again from the
// page object list on every save, so the reader leaves them out of the page.
bool StartsObjectComment(std::string_view line) {
  return line.substr(0, 12) == "<!-- Object " && Contains(line, " Start");
}

std::string FunctionPagePath(const std::string& folder, const std::string& base,
                             const std::string& name) {
  return K7QFile::Join(folder, base + "_" + name + ".htm");
}

}  // namespace

std::string CK7QBldFunctionEntry::SqlText(const CK7QBldSQL::CampaignContext* campaign) const {
  if (!campaign) return sqlText.empty() ? statement.BuildText(nullptr) : sqlText;
  // The statement's items may hold text it does not know ("T  GROUP BY
  // T.C" as one table item), where the item rule misses a table: the
  // text rule finds every one.
  return K7QSubstituteCampaignTables(sqlText.empty() ? statement.BuildText(campaign) : sqlText,
                                     *campaign);
}

std::string K7QSubstituteCampaignTables(std::string_view sql,
                                        const CK7QBldSQL::CampaignContext& campaign) {
  const auto isNameByte = [](unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; };
  std::string out;
  out.reserve(sql.size() + 32);
  std::size_t i = 0;
  while (i < sql.size()) {
    const char c = sql[i];
    if (c == '\'' || c == '"') {  // a literal or a quoted name stays as written
      const std::size_t close = sql.find(c, i + 1);
      const std::size_t end = close == std::string_view::npos ? sql.size() : close + 1;
      out.append(sql, i, end - i);
      i = end;
      continue;
    }
    if (!isNameByte(static_cast<unsigned char>(c))) {
      out += c;
      ++i;
      continue;
    }
    // A name, and the names joined to it by dots.
    std::size_t end = i;
    while (end < sql.size() && (isNameByte(static_cast<unsigned char>(sql[end])) ||
                                (sql[end] == '.' && end + 1 < sql.size() &&
                                 isNameByte(static_cast<unsigned char>(sql[end + 1])))))
      end += K7QCp932::CharLength(sql, end);
    const std::string name(sql.substr(i, end - i));
    // After a dot the name is a column's, whatever it is called.
    out += i > 0 && sql[i - 1] == '.' ? name : CK7QBldSQL::SubstituteCampaignName(name, campaign);
    i = end;
  }
  return out;
}

bool CK7QBldFunctionBlock::IsUsableName(std::string_view name) {
  return K7QFunctionName::IsUsable(name);
}

std::string CK7QBldFunctionBlock::NameKey(std::string_view name) {
  std::string key(name);
  for (std::size_t i = 0; i < key.size(); i += K7QCp932::CharLength(key, i)) {
    if (K7QCp932::CharLength(key, i) == 1)
      key[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
  }
  return key;
}

void CK7QBldFunctionBlock::ReportUnusableName(unsigned id, const std::string& name) const {
  IK7QBldUserInterface& ui = m_groceries.Ui();
  ui.Prompt(id, ui.String(id) + "\n" + K7QCp932::ToUtf8(name), K7QIcon::Exclamation,
            K7QButtons::Ok);
}

int CK7QBldFunctionBlock::Add(int flag, const std::string& name, const std::string& comment,
                              const std::string& page, const CK7QBldSQL& statement,
                              const CK7QBldMessageBlock& messages, int kind) {
  if (!IsUsableName(name)) {
    ReportUnusableName(kIdsUnsafeFunctionName, name);
    return -1;
  }
  try {
    CK7QBldFunctionEntry entry;
    entry.flag = flag;
    entry.kind = flag == kFunctionBuilderMade ? kind : kReportKindNone;
    entry.name = name;
    entry.comment = comment;
    entry.page = page;
    entry.statement = statement;
    entry.messages.CopyFrom(messages);
    m_entries.push_back(std::move(entry));
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return -1;
  }
  return static_cast<int>(m_entries.size()) - 1;
}

void CK7QBldFunctionBlock::Modify(int index, int flag, const std::string& name,
                                  const std::string& comment, const std::string& page,
                                  const CK7QBldSQL& statement, const CK7QBldMessageBlock& messages,
                                  int kind) {
  if (index < 0 || index >= GetCount()) return;
  try {
    CK7QBldFunctionEntry& entry = m_entries[static_cast<std::size_t>(index)];
    entry.flag = flag;
    entry.kind = flag == kFunctionBuilderMade ? kind : kReportKindNone;
    entry.name = name;
    entry.comment = comment;
    entry.page = page;
    entry.statement = statement;
    entry.sqlText.clear();
    for (const CK7QBldMessageItem& item : messages.Items())
      entry.messages.Put(item.text, item.code, item.action);
    // A block without items (a function made again from a page) leaves the
    // author's choice of position alone.
    if (messages.GetCount() > 0) entry.messages.SetPosition(messages.GetPosition());
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
}

void CK7QBldFunctionBlock::RemoveRange(int first, int count) {
  if (first < 0 || count <= 0 || first + count > GetCount()) return;
  m_entries.erase(m_entries.begin() + first, m_entries.begin() + first + count);
}

bool CK7QBldFunctionBlock::GetAt(int index, int& flag, std::string& name, std::string& comment,
                                 std::string& page, CK7QBldSQL& statement,
                                 CK7QBldMessageBlock& messages, int& kind) const {
  const CK7QBldFunctionEntry* entry = Entry(index);
  if (!entry) {
    name.clear();
    comment.clear();
    return false;
  }
  flag = entry->flag;
  name = entry->name;
  comment = entry->comment;
  page = entry->page;
  statement = entry->statement;
  messages.CopyFrom(entry->messages);
  kind = entry->kind;
  return true;
}

const CK7QBldFunctionEntry* CK7QBldFunctionBlock::Entry(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return &m_entries[static_cast<std::size_t>(index)];
}

int CK7QBldFunctionBlock::FindByName(std::string_view name) const {
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    if (CK7QBldGroceries::EqualNoCase(m_entries[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

void CK7QBldFunctionBlock::SetPage(int index, const std::string& page) {
  if (index >= 0 && index < GetCount()) m_entries[static_cast<std::size_t>(index)].page = page;
}

void CK7QBldFunctionBlock::SetSqlText(int index, const std::string& text) {
  if (index >= 0 && index < GetCount()) m_entries[static_cast<std::size_t>(index)].sqlText = text;
}

void CK7QBldFunctionBlock::Reorder(const std::vector<std::string>& names) {
  std::unordered_map<std::string, std::size_t> ranks;
  for (std::size_t r = 0; r < names.size(); ++r) ranks.emplace(NameKey(names[r]), r);
  std::vector<std::size_t> rank(m_entries.size(), names.size());
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    const auto found = ranks.find(NameKey(m_entries[i].name));
    if (found != ranks.end()) rank[i] = found->second;
  }
  std::vector<std::size_t> order(m_entries.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&rank](std::size_t a, std::size_t b) { return rank[a] < rank[b]; });
  std::vector<CK7QBldFunctionEntry> sorted;
  sorted.reserve(m_entries.size());
  for (std::size_t i : order) sorted.push_back(std::move(m_entries[i]));
  m_entries.swap(sorted);
}

K7QStringList CK7QBldFunctionBlock::BreakSqlLines(std::string_view sql) {
  K7QStringList lines;
  while (sql.size() > kSqlLineWidth) {
    const std::string_view head = sql.substr(0, kSqlLineWidth);
    std::size_t cut = K7QCp932::FindLast(head, ',');
    if (cut == std::string_view::npos || cut == 0) cut = K7QCp932::FindLast(head, ' ');
    if (cut == std::string_view::npos || cut == 0) break;
    lines.emplace_back(sql.substr(0, cut + 1));
    sql.remove_prefix(cut + 1);
  }
  if (!sql.empty()) lines.emplace_back(sql);
  return lines;
}

bool CK7QBldFunctionBlock::ExtractVariableName(std::string_view line, std::string& name) {
  const std::size_t b = K7QCp932::Find(line, "$(V_");
  const std::size_t e = K7QCp932::Find(line, ')');
  if (b == std::string_view::npos || e == std::string_view::npos) return false;
  if (e < b + 5) return false;
  name.assign(line.substr(b + 4, e - (b + 4)));
  return true;
}

bool CK7QBldFunctionBlock::WriteComponents(K7QStringList& paths, const std::string& folder,
                                           const std::string& title,
                                           const WriteContext& context) const {
  paths.clear();
  for (const CK7QBldFunctionEntry& entry : m_entries) {
    const std::string path = K7QFile::Join(folder, title + ".k7q_fun_" + entry.name);
    if (!WriteComponent(entry, path, context)) return false;
    paths.push_back(path);
  }
  return true;
}

bool CK7QBldFunctionBlock::WriteComponent(const CK7QBldFunctionEntry& entry,
                                          const std::string& path,
                                          const WriteContext& context) const {
  try {
    CK7QBldTextWriter out(path);
    CK7QBldLineReader page;
    // An author's function page edited in the page editor has its macro
    // form in the converted page; the page itself holds the editor's form.
    const std::string converted = entry.page.empty()
                                      ? std::string()
                                      : CK7QBldGroceries::ChangeExtension(entry.page, "htm", "cvt");
    if (!converted.empty() && K7QFile::Exists(converted))
      page.Open(converted);
    else if (!entry.page.empty() && K7QFile::Exists(entry.page))
      page.Open(entry.page);
    const bool builderMade = entry.flag == kFunctionBuilderMade;

    out.WriteLine("%{");
    if (builderMade) out.WriteLine(kGeneratorLine);
    if (!entry.comment.empty()) {
      // Lines of a comment are kept as CR LF in memory, as the reader joins them.
      std::string comment = entry.comment;
      CK7QBldGroceries::RemoveChars(comment, "\r");
      out.WriteLine(comment);
    }
    out.WriteLine("%}");
    out.WriteLine(context.functionPrefix + entry.name + "(){");

    std::string sql;
    if (builderMade && context.campaigns) {
      const CK7QBldSQL::CampaignContext campaign =
          context.campaigns->GetCampaignContext(entry.name);
      sql = entry.SqlText(&campaign);
    } else {
      sql = entry.SqlText(nullptr);
    }
    for (const std::string& line : BreakSqlLines(sql)) out.WriteLine(line);

    const std::string messages = entry.messages.GetSectionText();
    const bool messagesFirst = entry.messages.GetPosition() == kMessagePositionBeforeReport;
    if (messagesFirst) out.Write(messages);
    if (page.IsOpen()) {
      out.WriteLine("%REPORT{");
      std::string line;
      while (page.ReadLine(line)) {
        out.WriteLine(line);
        if (!context.pageObjects || Contains(line, "%ROW{") || Contains(line, "%}")) continue;
        const std::string comment =
            context.pageObjects->ObjectCommentForLine(entry.name, line, context.imagePath);
        if (!comment.empty()) out.WriteLine(comment);
      }
      page.Close();
      out.WriteLine("%}");
    }
    if (!messagesFirst) out.Write(messages);
    out.WriteLine("%}");
    out.Close();
  } catch (const CK7QBldFileException& e) {
    m_groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

bool CK7QBldFunctionBlock::ReadComponents(const K7QStringList& paths, int flag,
                                          const std::string& folder,
                                          const std::string& functionPrefix) {
  // Names already listed, so that reading many functions stays linear.
  std::unordered_map<std::string, int> listed;
  for (std::size_t i = 0; i < m_entries.size(); ++i)
    listed.emplace(NameKey(m_entries[i].name), static_cast<int>(i));
  for (const std::string& path : paths) {
    const std::size_t dot = path.rfind('.');  // a path: UTF-8, cut as bytes
    const std::string name = dot == std::string::npos
                                 ? std::string()
                                 : CK7QBldGroceries::TailAfterSecondField(path.substr(dot + 1));
    if (name.empty()) return false;
    if (!IsUsableName(name)) {
      ReportUnusableName(kIdsUnsafeFunctionName, name);
      K7QFile::Remove(path);
      continue;
    }
    const std::string page =
        FunctionPagePath(folder, CK7QBldGroceries::GetFileBaseName(path), name);
    bool headerSeen = false;
    try {
      std::string comment;
      std::string sql;
      CK7QBldMessageBlock messages(&m_groceries);
      int kind = kReportKindPlain;
      bool reportSeen = false;
      bool commentSeen = false;
      // The lines of a comment that starts like an object comment, until its "-->".
      K7QStringList objectLines;
      bool inObjectComment = false;
      std::vector<int> stack;
      const auto top = [&stack] { return stack.empty() ? kBlockComment : stack.back(); };
      {
        // The page is made anew from the macro; a converted page of an
        // earlier edit would stand for it on the next save.
        K7QFile::Delete(CK7QBldGroceries::ChangeExtension(page, "htm", "cvt"));
        CK7QBldLineReader in(path);
        CK7QBldTextWriter out(page);
        std::string line;
        while (in.ReadLine(line)) {
          if (Contains(line, "%{")) {
            stack.push_back(kBlockComment);
          } else if (Contains(line, "%}")) {
            if (top() == kBlockRow) out.WriteLine(line);
            if (!stack.empty()) stack.pop_back();
          } else if (Contains(line, functionPrefix)) {
            stack.push_back(kBlockBody);
            headerSeen = true;
          } else if (Contains(line, "%REPORT{")) {
            stack.push_back(kBlockReport);
            reportSeen = true;
          } else if (Contains(line, "%ROW{")) {
            stack.push_back(kBlockRow);
            out.WriteLine(line);
          } else if (Contains(line, "%MESSAGE{")) {
            stack.push_back(kBlockMessage);
            messages.SetPosition(reportSeen ? kMessagePositionAfterReport
                                            : kMessagePositionBeforeReport);
          } else {
            switch (top()) {
              case kBlockComment:
                if (line.compare(0, kGeneratorLine.size(), kGeneratorLine) == 0) break;
                if (commentSeen) comment += "\r\n";
                comment += line;
                commentSeen = true;
                break;
              case kBlockBody:
                // A line the builder broke ends in its comma or blank; a
                // line written by hand ends a word.
                if (!sql.empty() && sql.back() != ',' && sql.back() != ' ' && !line.empty() &&
                    line.front() != ' ' && line.front() != '\t')
                  sql += ' ';
                sql += line;
                break;
              case kBlockReport:
              case kBlockRow: {
                // Object comments are made again from the page object list
                // on every save; an author's comment that only looks like
                // one stays in the page.
                if (inObjectComment || StartsObjectComment(line)) {
                  objectLines.push_back(line);
                  inObjectComment = !Contains(line, "-->");
                  if (inObjectComment) break;
                  std::string joined;
                  for (const std::string& l : objectLines) joined += l + "\n";
                  joined.resize(joined.find("-->") + 3);
                  if (!CK7QBldDDBlock::IsObjectComment(joined)) {
                    for (const std::string& l : objectLines) out.WriteLine(l);
                  }
                  objectLines.clear();
                  break;
                }
                if (flag == kFunctionBuilderMade) {
                  if (ContainsNoCase(line, "<table"))
                    kind = kReportKindTable;
                  else if (ContainsNoCase(line, "<option"))
                    kind = kReportKindOption;
                }
                out.WriteLine(line);
                break;
              }
              case kBlockMessage:
                messages.ReadMessageLine(line);
                break;
              default:
                break;
            }
          }
        }
        for (const std::string& l : objectLines) out.WriteLine(l);
        // Only a report makes a function page; one left from before would
        // be read as this function's report.
        if (reportSeen) {
          out.Close();
        } else {
          out.Abandon();
          K7QFile::Delete(page);
        }
      }

      CK7QBldSQL statement;
      statement.ParseText(sql, &m_groceries);
      const auto found = listed.find(NameKey(name));
      int index = found == listed.end() ? -1 : found->second;
      if (index >= 0) {
        Modify(index, flag, name, comment, page, statement, messages, kind);
      } else {
        index = Add(flag, name, comment, page, statement, messages, kind);
        if (index >= 0) listed.emplace(NameKey(name), index);
      }
      if (index >= 0 && statement.BuildText() != sql) SetSqlText(index, sql);
      K7QFile::Delete(path);
      if (!headerSeen) {
        m_groceries.Ui().Message(kIdsFunctionWithoutHeader);
        if (index >= 0) RemoveRange(index, 1);
        K7QFile::Remove(page);
        return false;
      }
    } catch (const CK7QBldFileException& e) {
      m_groceries.ReportFileException(e, __FILE__, __LINE__);
      return false;
    } catch (const std::bad_alloc& e) {
      m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
      return false;
    }
  }
  return true;
}

void CK7QBldFunctionBlock::DeleteFunctionPages() const {
  for (const CK7QBldFunctionEntry& entry : m_entries) {
    if (entry.page.empty()) continue;
    K7QFile::Remove(entry.page);
    const std::string converted = CK7QBldGroceries::ChangeExtension(entry.page, "htm", "cvt");
    if (!converted.empty()) K7QFile::Remove(converted);
  }
}

bool CK7QBldFunctionBlock::MergeIntoPage(const std::string& page,
                                         const std::string& functionPrefix) const {
  const std::string converted = CK7QBldGroceries::ChangeExtension(page, "htm", "cvt");
  if (converted.empty()) return false;
  std::vector<std::string> merged;  // function pages to delete once the merge is complete
  try {
    if (!K7QFile::Exists(page)) return false;
    CK7QBldLineReader in(page);
    CK7QBldTextWriter out(converted);
    std::string line;
    while (in.ReadLine(line)) {
      // The first call of a builder-made function on the line is opened up;
      // any other "@" (a built-in call, an author's function, an e-mail
      // address) stays text.
      const CK7QBldFunctionEntry* entry = nullptr;
      std::size_t at = K7QCp932::Find(line, '@');
      std::size_t call = 0;  // where its "()" stands
      for (; at != std::string::npos; at = K7QCp932::Find(line, '@', at + 1)) {
        const std::size_t length = K7QFunctionName::CallNameLength(line, at);
        entry = length ? Entry(FindByName(std::string_view(line).substr(at + 1, length))) : nullptr;
        call = at + 1 + length;
        if (entry && entry->flag == kFunctionBuilderMade) break;
        entry = nullptr;
      }
      if (!entry) {
        out.WriteLine(line);
        continue;
      }
      if (entry->page.empty() || !K7QFile::Exists(entry->page)) {
        out.Close();
        K7QFile::Remove(converted);
        return false;
      }
      // Text beside the call keeps its own lines, so nothing of the page is lost.
      const std::string before = CK7QBldGroceries::Trim(std::string_view(line).substr(0, at));
      const std::string after = CK7QBldGroceries::Trim(std::string_view(line).substr(call + 2));
      if (!before.empty()) out.WriteLine(line.substr(0, at));
      out.WriteLine(functionPrefix + entry->name + "(){");
      CK7QBldLineReader function(entry->page);
      std::string pageLine;
      while (function.ReadLine(pageLine)) {
        if (!pageLine.empty()) out.WriteLine(pageLine);
      }
      merged.push_back(entry->page);
      if (!after.empty()) out.WriteLine(line.substr(call + 2));
    }
    in.Close();
    out.Close();
    K7QFile::Rename(converted, page);
  } catch (const CK7QBldFileException& e) {
    K7QFile::Remove(converted);
    m_groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    K7QFile::Remove(converted);
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  for (const std::string& path : merged) K7QFile::Remove(path);
  return true;
}

std::vector<std::pair<std::string, int>> CK7QBldFunctionBlock::FunctionComboItems(
    bool onlyBuilderMade) const {
  std::vector<std::pair<std::string, int>> items;
  for (std::size_t i = 0; i < m_entries.size(); ++i) {
    if (onlyBuilderMade && m_entries[i].flag != kFunctionBuilderMade) continue;
    items.emplace_back(m_entries[i].name, static_cast<int>(i));
  }
  return items;
}

K7QStringList CK7QBldFunctionBlock::FunctionTables(std::string_view function) const {
  const CK7QBldFunctionEntry* entry = Entry(FindByName(function));
  return entry ? entry->statement.Tables() : K7QStringList();
}

K7QStringList CK7QBldFunctionBlock::TableColumns(std::string_view function,
                                                 std::string_view table) const {
  K7QStringList columns;
  const CK7QBldFunctionEntry* entry = Entry(FindByName(function));
  if (!entry) return columns;
  K7QStringList parts;
  for (const std::string& item : entry->statement.ResultItems()) {
    if (CK7QBldGroceries::SplitString(item, parts, '.', false) != 2) continue;
    if (CK7QBldGroceries::EqualNoCase(parts[0], table)) columns.push_back(parts[1]);
  }
  return columns;
}
