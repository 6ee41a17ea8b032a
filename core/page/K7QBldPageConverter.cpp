#include "K7QBldPageConverter.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldFunctionBlock.h"
#include "K7QBldMacro.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kVariableOpen = "$(V_";
constexpr std::string_view kRowOpen = "%ROW{";
constexpr std::string_view kRowClose = "%}";
constexpr std::string_view kComponentInfix = ".k7q_fun_";
// A variable name longer than this is no variable: it keeps the search for
// its ")" from running over the rest of a large page again and again.
constexpr std::size_t kMaxVariableLength = 256;

std::size_t Find(std::string_view text, std::string_view needle, std::size_t from = 0) {
  return K7QCp932::Find(text, needle, from);
}
std::size_t Find(std::string_view text, char c, std::size_t from = 0) {
  return K7QCp932::Find(text, c, from);
}
bool Contains(std::string_view text, std::string_view needle) { return Find(text, needle) != npos; }
bool StartsWith(std::string_view text, std::size_t pos, std::string_view prefix) {
  return text.size() >= pos && text.size() - pos >= prefix.size() &&
         text.compare(pos, prefix.size(), prefix) == 0;
}
bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view prefix) {
  return text.size() >= pos && text.size() - pos >= prefix.size() &&
         CK7QBldGroceries::EqualNoCase(text.substr(pos, prefix.size()), prefix);
}
// First position >= from (a character boundary) where `needle` starts,
// ASCII letters compared ignoring case.
std::size_t FindNoCase(std::string_view text, std::string_view needle, std::size_t from = 0) {
  for (std::size_t i = from; i < text.size(); i += K7QCp932::CharLength(text, i)) {
    if (StartsWithNoCase(text, i, needle)) return i;
  }
  return npos;
}
std::size_t Count(std::string_view text, std::string_view needle) {
  std::size_t n = 0;
  for (std::size_t i = Find(text, needle); i != npos; i = Find(text, needle, i + needle.size()))
    ++n;
  return n;
}
// Every position i (a "$(V_") where a variable "$(V_X)" starts; `end` gets the
// position of its ")". The name may not hold what ends an attribute or a tag.
bool ParseVariable(std::string_view text, std::size_t i, std::size_t& end) {
  if (!StartsWith(text, i, kVariableOpen)) return false;
  const std::string_view window = text.substr(i, kMaxVariableLength);
  const std::size_t close = Find(window, ')', kVariableOpen.size());
  if (close == npos || close == kVariableOpen.size()) return false;
  const std::string_view name = window.substr(kVariableOpen.size(), close - kVariableOpen.size());
  if (name.find_first_of("\"'<>$( \t\r\n") != npos) return false;
  end = i + close;
  return true;
}

struct Marker {
  std::size_t start = 0;
  std::size_t end = 0;  // just after its ">"
  CK7QBldPageConverter::LoopKind kind = CK7QBldPageConverter::LoopKind::Row;
  std::string name;
};

// The kind comes from the marker's own alt text, never from the loop's body,
// so that a body that happens to say "ROW:" does not change what the loop is.
bool ParseStartMarker(std::string_view text, std::size_t start, Marker& marker) {
  using Kind = CK7QBldPageConverter::LoopKind;
  static constexpr std::pair<std::string_view, Kind> kKinds[] = {
      {"ROW:", Kind::Row}, {"TABLE:", Kind::Table}, {"OPTION:", Kind::Option}};
  const std::size_t p = start + kLoopStartPrefix.size();
  for (const auto& [prefix, kind] : kKinds) {
    if (!StartsWith(text, p, prefix)) continue;
    const std::size_t quote = Find(text, '"', p + prefix.size());
    if (quote == npos) return false;
    const std::size_t gt = Find(text, '>', quote);
    if (gt == npos) return false;
    marker.start = start;
    marker.end = gt + 1;
    marker.kind = kind;
    marker.name.assign(text.substr(p + prefix.size(), quote - p - prefix.size()));
    return true;
  }
  return false;
}

struct LoopSpan {
  Marker start;
  std::size_t endMarker = 0;  // where the end marker starts
  std::size_t end = 0;        // just after it
};

// The loops of a page in order; stops at the first malformed one (a
// validated page has none).
std::vector<LoopSpan> FindLoops(std::string_view text) {
  std::vector<LoopSpan> loops;
  std::size_t pos = 0;
  for (std::size_t s = Find(text, kLoopStartPrefix); s != npos;
       s = Find(text, kLoopStartPrefix, pos)) {
    LoopSpan loop;
    if (!ParseStartMarker(text, s, loop.start)) break;
    loop.endMarker = Find(text, kLoopEndPrefix, loop.start.end);
    if (loop.endMarker == npos) break;
    const std::size_t gt = Find(text, '>', loop.endMarker);
    if (gt == npos) break;
    loop.end = gt + 1;
    pos = loop.end;
    loops.push_back(std::move(loop));
  }
  return loops;
}

// Starts and ends alternate: each end after its start, each start after the previous end.
bool Alternate(const std::vector<std::size_t>& starts, const std::vector<std::size_t>& ends) {
  if (starts.size() != ends.size()) return false;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    if (ends[i] <= starts[i]) return false;
    if (i > 0 && starts[i] <= ends[i - 1]) return false;
  }
  return true;
}

std::string_view KindText(CK7QBldPageConverter::LoopKind kind) {
  switch (kind) {
    case CK7QBldPageConverter::LoopKind::Table:
      return "TABLE:";
    case CK7QBldPageConverter::LoopKind::Option:
      return "OPTION:";
    case CK7QBldPageConverter::LoopKind::Row:
      break;
  }
  return "ROW:";
}

std::string StartMarker(CK7QBldPageConverter::LoopKind kind, const std::string& name) {
  std::string marker(kLoopStartPrefix);
  marker += KindText(kind);
  marker += name;
  // As the repeat controls write them: the option marker has two blanks.
  marker += kind == CK7QBldPageConverter::LoopKind::Option ? "\"  height" : "\" height";
  marker += "=\"11\" width=\"436\">";
  return marker;
}

// "$(V_TABLE.COLUMN)" in a loop becomes "$(V_COLUMN)"; TABLE.COLUMN is noted
// for the loop's SELECT. A variable without a table stays as it is.
void AppendRowVariable(std::string_view variable, K7QStringList* columns, std::string& out) {
  const std::string_view inner =
      variable.substr(kVariableOpen.size(), variable.size() - kVariableOpen.size() - 1);
  const std::size_t dot = columns ? Find(inner, '.') : npos;
  if (dot == npos) {
    out.append(variable);
    return;
  }
  columns->emplace_back(inner);
  out.append(kVariableOpen);
  out.append(inner.substr(dot + 1));
  out += ')';
}

// One value tag at `pos` back into macro text; returns where the text goes on.
std::size_t UntagValue(std::string_view seg, std::size_t pos, K7QStringList* columns,
                       std::string& out) {
  const std::size_t varBegin = pos + kValueTagOpen.size();
  const std::size_t quote = Find(seg, '"', varBegin);
  const std::size_t gt = quote == npos ? npos : Find(seg, '>', quote);
  const std::size_t close = gt == npos ? npos : Find(seg, kValueTagClose, gt + 1);
  if (close == npos) {  // not a tag after all: keep its text
    out.append(kValueTagOpen);
    return varBegin;
  }
  const std::string_view variable = seg.substr(varBegin, quote - varBegin);
  const bool largeText = Contains(seg.substr(quote + 1, gt - quote - 1), "type=\"CLOB\"");
  const std::string_view content = seg.substr(gt + 1, close - gt - 1);

  std::string macro;
  std::size_t variableEnd = 0;
  if (ParseVariable(variable, 0, variableEnd) && variableEnd + 1 == variable.size())
    AppendRowVariable(variable, columns, macro);
  else
    macro.assign(variable);

  const std::size_t image = FindNoCase(content, "<IMG");
  if (largeText) {
    std::string_view name = macro;
    if (name.size() >= 3 && name.substr(0, 2) == "$(" && name.back() == ')')
      name = name.substr(2, name.size() - 3);
    out.append(kLargeTextCall);
    out.append(name);
    out.append(kLargeTextTail);
  } else if (image != npos) {
    // The author's image tag keeps everything but the shown file name.
    const std::size_t imageEnd = Find(content, '>', image);
    const std::size_t src = FindNoCase(content.substr(0, imageEnd), "src=\"", image);
    const std::size_t valueEnd = src == npos ? npos : Find(content, '"', src + 5);
    if (imageEnd == npos || valueEnd == npos || valueEnd > imageEnd) {
      out.append("<IMG src=\"");
      out.append(macro);
      out.append("\">");
    } else {
      out.append(content.substr(image, src + 5 - image));
      out.append(macro);
      out.append(content.substr(valueEnd, imageEnd + 1 - valueEnd));
    }
  } else {
    out.append(macro);
  }
  return close + kValueTagClose.size();
}

// Value tags back into macro text; inside a loop (`columns` given) row
// variables lose their table, which is noted. One pass: the next variable
// and the next tag are searched for again only when passed.
void Untag(std::string_view seg, K7QStringList* columns, std::string& out) {
  std::size_t i = 0;
  std::size_t nextVariable = Find(seg, kVariableOpen);
  std::size_t nextTag = Find(seg, kValueTagOpen);
  for (;;) {
    if (nextVariable != npos && nextVariable < i) nextVariable = Find(seg, kVariableOpen, i);
    if (nextTag != npos && nextTag < i) nextTag = Find(seg, kValueTagOpen, i);
    const std::size_t next = std::min(nextVariable, nextTag);
    if (next == npos) break;
    out.append(seg.substr(i, next - i));
    if (next == nextTag) {
      i = UntagValue(seg, next, columns, out);
      continue;
    }
    std::size_t end = 0;
    if (!ParseVariable(seg, next, end)) {
      out.append(kVariableOpen);
      i = next + kVariableOpen.size();
      continue;
    }
    AppendRowVariable(seg.substr(next, end + 1 - next), columns, out);
    i = end + 1;
  }
  out.append(seg.substr(i));
}

// Each option list of a loop repeats its options: the text from its first
// "<OPTION value=\"" up to "</SELECT>" becomes a row template.
std::string WrapOptionLists(std::string text) {
  constexpr std::string_view kOption = "<OPTION value=\"";
  constexpr std::string_view kSelectEnd = "</SELECT>";
  if (!Contains(text, kOption)) return text;
  std::string out;
  out.reserve(text.size() + 16);
  std::size_t pos = 0;
  for (std::size_t o = Find(text, kOption); o != npos; o = Find(text, kOption, pos)) {
    const std::size_t end = Find(text, kSelectEnd, o);
    if (end == npos) break;
    out.append(text, pos, o - pos);
    out.append(kRowOpen);
    out += '\n';
    out.append(text, o, end - o);
    out.append(kRowClose);
    out += '\n';
    out.append(kSelectEnd);
    pos = end + kSelectEnd.size();
  }
  out.append(text, pos, std::string::npos);
  return out;
}

// The report text of a loop: a table repeats its rows that hold a value tag
// (header rows and the text after the last row stay plain), a row loop
// repeats its whole body, an option loop only its option lists.
std::string BuildTemplate(CK7QBldPageConverter::LoopKind kind, std::string_view body,
                          K7QStringList& columns) {
  using Kind = CK7QBldPageConverter::LoopKind;
  constexpr std::string_view kRow = "<TR>";
  constexpr std::string_view kRowEnd = "</TR>";
  std::string out;
  out.reserve(body.size() + 32);
  if (kind == Kind::Table && Contains(body, kRow)) {
    std::size_t pos = 0;
    for (std::size_t tr = Find(body, kRow); tr != npos; tr = Find(body, kRow, pos)) {
      Untag(body.substr(pos, tr - pos), &columns, out);
      const std::size_t close = Find(body, kRowEnd, tr);
      const std::size_t rowEnd = close == npos ? body.size() : close + kRowEnd.size();
      const std::string_view row = body.substr(tr, rowEnd - tr);
      if (Contains(row, kValueTagOpen)) {
        out += '\n';
        out.append(kRowOpen);
        out += '\n';
        Untag(row, &columns, out);
        out += '\n';
        out.append(kRowClose);
      } else {
        Untag(row, &columns, out);
      }
      pos = rowEnd;
    }
    Untag(body.substr(pos), &columns, out);
  } else if (kind == Kind::Option) {
    Untag(body, &columns, out);
  } else {
    out += '\n';
    out.append(kRowOpen);
    Untag(body, &columns, out);
    out += '\n';
    out.append(kRowClose);
  }
  return WrapOptionLists(std::move(out));
}

// The lines a function page holds for a report text.
bool SameLines(std::string_view text, const K7QStringList& lines) {
  std::size_t pos = 0;
  for (std::size_t i = 0;; ++i) {
    std::size_t lf = text.find('\n', pos);
    std::string_view line = text.substr(pos, lf == npos ? npos : lf - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (i >= lines.size() || line != lines[i]) return false;
    if (lf == npos) return i + 1 == lines.size();
    pos = lf + 1;
  }
}

// The loop body that a report text was made from, by the rules of `kind`;
// false when the text does not have that kind's shape.
bool InverseTemplate(CK7QBldPageConverter::LoopKind kind, const std::string& text,
                     std::string_view nl, std::string& body) {
  using Kind = CK7QBldPageConverter::LoopKind;
  body.clear();
  if (kind == Kind::Row) {
    const std::string open = std::string(nl) + std::string(kRowOpen);
    const std::string close = std::string(nl) + std::string(kRowClose);
    if (text.size() < open.size() + close.size() || text.compare(0, open.size(), open) != 0 ||
        text.compare(text.size() - close.size(), close.size(), close) != 0)
      return false;
    body = text.substr(open.size(), text.size() - open.size() - close.size());
    return true;
  }
  const std::string open = kind == Kind::Table
                               ? std::string(nl) + std::string(kRowOpen) + std::string(nl)
                               : std::string(kRowOpen) + std::string(nl);
  const std::string close = kind == Kind::Table
                                ? std::string(nl) + std::string(kRowClose)
                                : std::string(kRowClose) + std::string(nl) + "</SELECT>";
  const std::size_t closeLength = kind == Kind::Table ? close.size() : kRowClose.size() + nl.size();
  std::size_t pos = 0;
  bool found = false;
  for (std::size_t r = Find(text, open); r != npos; r = Find(text, open, pos)) {
    const std::size_t c = Find(text, close, r + open.size());
    if (c == npos) return false;
    body.append(text, pos, r - pos);
    body.append(text, r + open.size(), c - r - open.size());
    pos = c + closeLength;
    found = true;
  }
  body.append(text, pos, std::string::npos);
  return found || kind == Kind::Table;
}

std::string FunctionNameOf(const std::string& component) {
  const std::size_t at = K7QCp932::FindLast(component, kComponentInfix);
  return at == npos ? std::string() : component.substr(at + kComponentInfix.size());
}

bool SameNames(const K7QStringList& a, const K7QStringList& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](const std::string& x, const std::string& y) {
           return CK7QBldGroceries::EqualNoCase(x, y);
         });
}

}  // namespace

// What the preparation of one page looks up again and again: the table of
// a row variable in its function's SELECT, and the text shown for a column.
struct CK7QBldPageConverter::ColumnCache {
  struct Function {
    std::string select;
    std::unordered_map<std::string, std::string> tables;  // lower-case column -> table
  };
  std::map<const CK7QBldFunctionEntry*, Function> functions;
  std::unordered_map<std::string, std::string> samples;  // "table\ncolumn" -> shown text
  std::string color;
};

CK7QBldPageConverter::CK7QBldPageConverter(CK7QBldMacro& macro) : m_macro(macro) {}

// ---------------------------------------------------------------- validation

int CK7QBldPageConverter::ValidatePage(std::string_view text) {
  bool formField = false;
  return Validate(text, formField);
}

// `formField`: whether the page has a tag that can name a form field
// ("<INPUT" or "<SELECT" in any letter case); only then is it read for names.
int CK7QBldPageConverter::Validate(std::string_view text, bool& formField) {
  // One walk over the page finds every piece of markup the rules look at.
  std::vector<std::size_t> starts;
  std::vector<std::size_t> ends;
  std::vector<std::size_t> opens;
  std::vector<std::size_t> closes;
  bool form = false;
  bool inputField = false;
  bool option = false;
  formField = false;
  for (std::size_t i = Find(text, '<'); i != npos; i = Find(text, '<', i + 1)) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (((next == 'I' || next == 'i') && StartsWithNoCase(text, i, "<INPUT")) ||
        ((next == 'S' || next == 's') && StartsWithNoCase(text, i, "<SELECT")))
      formField = true;
    if (StartsWith(text, i, kLoopStartPrefix)) {
      starts.push_back(i);
    } else if (StartsWith(text, i, kLoopEndPrefix)) {
      ends.push_back(i);
    } else if (StartsWith(text, i, kValueTagOpen)) {
      opens.push_back(i);
    } else if (StartsWith(text, i, kValueTagClose)) {
      closes.push_back(i);
    } else if (StartsWith(text, i, "<FORM")) {
      form = true;
    } else if (StartsWith(text, i, "<INPUT ")) {
      // The attribute name in any letter case: the builder's own form
      // fragment writes it in capitals.
      inputField = inputField || StartsWithNoCase(text, i + 7, "name=");
    } else if (StartsWith(text, i, "<OPTION value=\"")) {
      option = true;
    }
  }
  if (!Alternate(starts, ends)) return kPageLoopMarkersBad;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    Marker marker;
    if (!ParseStartMarker(text, starts[i], marker) || marker.end > ends[i])
      return kPageLoopMarkersBad;
  }
  if (starts.empty()) {
    if (!form) return kPageNoLoopNorForm;
    if (!inputField) return kPageLoopMarkersBad;
  }
  if (!Alternate(opens, closes)) return kPageValueTagsBad;
  if (opens.empty() && (!form || (!inputField && !option))) return kPageValueTagsBad;
  return kPageValid;
}

int CK7QBldPageConverter::ValidatePageFile(const std::string& path) const {
  try {
    return ValidatePage(K7QFile::ReadAll(path));
  } catch (const CK7QBldFileException& e) {
    m_macro.Groceries().ReportFileException(e, __FILE__, __LINE__);
  } catch (const std::bad_alloc& e) {
    m_macro.Groceries().ReportMemoryException(e, __FILE__, __LINE__);
  }
  return -1;
}

void CK7QBldPageConverter::ShowValidation(int code) const {
  IK7QBldUserInterface& ui = m_macro.Groceries().Ui();
  if (code == kPageLoopMarkersBad) ui.Message(kIdsLoopMarkersUnbalanced, K7QIcon::Stop);
  if (code == kPageValueTagsBad) ui.Message(kIdsValueTagsUnbalanced, K7QIcon::Stop);
  if (code == kPageNoLoopNorForm) ui.Message(kIdsNoLoopNorForm, K7QIcon::Exclamation);
}

bool CK7QBldPageConverter::CheckGeneratedFunctions(const K7QStringList& components) const {
  std::vector<std::pair<std::string, std::string>> texts;  // name, component text
  try {
    for (const std::string& path : components)
      texts.emplace_back(FunctionNameOf(path), K7QFile::ReadAll(path));
  } catch (const CK7QBldFileException& e) {
    m_macro.Groceries().ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  return CheckGeneratedTexts(texts);
}

bool CK7QBldPageConverter::CheckGeneratedTexts(
    const std::vector<std::pair<std::string, std::string>>& functions) const {
  std::string twoReports;
  std::string twoRows;
  for (const auto& [name, text] : functions) {
    const std::string line = "    " + K7QCp932::ToUtf8(name) + "\n";
    if (Count(text, "%REPORT{") > 1) twoReports += line;
    if (Count(text, kRowOpen) >= 2) twoRows += line;
  }
  IK7QBldUserInterface& ui = m_macro.Groceries().Ui();
  if (!twoReports.empty()) {
    ui.Prompt(kIdsTwoReportBlocks, ui.String(kIdsTwoReportBlocks) + "\n\n" + twoReports,
              K7QIcon::Exclamation, K7QButtons::Ok);
  }
  if (!twoRows.empty()) {
    ui.Prompt(kIdsTwoRowTemplates, ui.String(kIdsTwoRowTemplates) + "\n\n" + twoRows,
              K7QIcon::Question, K7QButtons::Ok);
  }
  return twoReports.empty() && twoRows.empty();
}

// ---------------------------------------------------------------- conversion

std::string CK7QBldPageConverter::MakeComponent(const std::string& name,
                                                const K7QStringList& columns,
                                                const std::string& rowTemplate,
                                                std::string& statement) const {
  K7QStringList tables;
  std::unordered_set<std::string> seenTables;
  for (const std::string& column : columns) {
    std::string table = column.substr(0, Find(column, '.'));
    if (seenTables.insert(table).second) tables.push_back(std::move(table));
  }
  // A column met twice keeps its last place.
  K7QStringList kept;
  std::unordered_set<std::string> seenColumns;
  for (auto it = columns.rbegin(); it != columns.rend(); ++it) {
    if (seenColumns.insert(*it).second) kept.push_back(*it);
  }
  std::reverse(kept.begin(), kept.end());

  statement = "SELECT ";
  for (std::size_t i = 0; i < kept.size(); ++i) statement += (i ? "," : "") + kept[i];
  statement += " FROM ";
  for (std::size_t i = 0; i < tables.size(); ++i) statement += (i ? "," : "") + tables[i];

  std::string text;
  text.reserve(rowTemplate.size() + statement.size() + 128);
  text += "%{\n";
  text += kGeneratorLine;
  text += "\n%}\n";
  text += m_macro.FunctionPrefix();
  text += name;
  text += "() {\n";
  text += statement;
  text += "\n%REPORT{\n";
  text += rowTemplate;
  text += "\n%}\n%}";
  return text;
}

bool CK7QBldPageConverter::ConvertText(std::string_view page, Conversion& result) const {
  const CK7QBldFunctionBlock& functions = m_macro.Functions();
  IK7QBldUserInterface& ui = m_macro.Groceries().Ui();
  result.page.clear();
  result.functions.clear();
  result.page.reserve(page.size());
  // Looked up once per loop: a page of many loops stays linear.
  std::unordered_set<std::string> names;
  std::unordered_map<std::string, const CK7QBldFunctionEntry*> listed;
  for (int i = functions.GetCount() - 1; i >= 0; --i)
    listed[CK7QBldFunctionBlock::NameKey(functions.Entry(i)->name)] = functions.Entry(i);
  std::size_t pos = 0;
  for (const LoopSpan& loop : FindLoops(page)) {
    const std::string& name = loop.start.name;
    // The name becomes a function and a file name.
    if (!CK7QBldFunctionBlock::IsUsableName(name)) {
      functions.ReportUnusableName(kIdsUnsafeLoopName, name);
      return false;
    }
    const bool twice = !names.insert(CK7QBldFunctionBlock::NameKey(name)).second;
    const auto known = listed.find(CK7QBldFunctionBlock::NameKey(name));
    const CK7QBldFunctionEntry* existing = known == listed.end() ? nullptr : known->second;
    if (twice || (existing && existing->flag != kFunctionBuilderMade)) {
      const unsigned id = twice ? kIdsDuplicateLoopName : kIdsLoopNamesAuthorFunction;
      ui.Prompt(id, ui.String(id) + "\n" + K7QCp932::ToUtf8(name), K7QIcon::Stop, K7QButtons::Ok);
      return false;
    }
    Untag(page.substr(pos, loop.start.start - pos), nullptr, result.page);
    result.page += '@';
    result.page += name;
    result.page += "()";

    K7QStringList columns;
    const std::string rowTemplate = BuildTemplate(
        loop.start.kind, page.substr(loop.start.end, loop.endMarker - loop.start.end), columns);
    GeneratedFunction function;
    function.name = name;
    function.kind = loop.start.kind;
    function.component = MakeComponent(name, columns, rowTemplate, function.statement);
    result.functions.push_back(std::move(function));
    pos = loop.end;
  }
  Untag(page.substr(pos), nullptr, result.page);
  return true;
}

void CK7QBldPageConverter::KeepAuthorsWork(const std::vector<Kept>& before) const {
  CK7QBldFunctionBlock& functions = m_macro.Functions();
  for (const Kept& old : before) {
    const int index = functions.FindByName(old.name);
    const CK7QBldFunctionEntry* entry = functions.Entry(index);
    if (!entry) continue;
    // The loop still selects the same columns from the same tables: the
    // conditions and orderings the author added stay.
    const bool sameSelect = SameNames(entry->statement.Tables(), old.statement.Tables()) &&
                            SameNames(entry->statement.ResultItems(), old.statement.ResultItems());
    if (!sameSelect && old.comment.empty()) continue;
    const CK7QBldMessageBlock noMessages(&m_macro.Groceries());
    const CK7QBldSQL statement = sameSelect ? old.statement : entry->statement;
    const std::string sqlText = sameSelect ? old.sqlText : entry->sqlText;
    functions.Modify(index, entry->flag, entry->name, old.comment, entry->page, statement,
                     noMessages, entry->kind);
    if (!sqlText.empty()) functions.SetSqlText(index, sqlText);
  }
}

bool CK7QBldPageConverter::ConvertAfterEditing(const std::string& pagePath,
                                               K7QStringList& components, bool readIntoList) {
  components.clear();
  const CK7QBldGroceries& groceries = m_macro.Groceries();
  const std::string converted = CK7QBldGroceries::ChangeExtension(pagePath, "htm", "cvt");
  if (converted.empty()) return false;

  // The page is converted in memory; the converted page is written only once
  // everything has succeeded, so a refused page leaves the last good
  // conversion and the function list in step.
  try {
    if (!K7QFile::Exists(pagePath)) return false;
    std::string text = K7QFile::ReadAll(pagePath);
    // The page editor may have written the quotes of attribute values as
    // "&quot;". Only a page that holds one is rewritten.
    if (Contains(text, "&quot;")) {
      if (!groceries.UnescapeQuotesInFile(pagePath)) return false;
      text = K7QFile::ReadAll(pagePath);
    }
    // A function section inside a page section would split the macro in
    // the wrong place when it is opened again.
    if (Contains(text, m_macro.FunctionPrefix())) {
      groceries.Ui().Message(kIdsPageHoldsFunction, K7QIcon::Stop);
      return false;
    }
    bool formField = false;
    const int code = Validate(text, formField);
    ShowValidation(code);
    if (code == kPageLoopMarkersBad || code == kPageValueTagsBad) return false;
    if (formField) m_macro.CollectFormFieldNames(pagePath);

    Conversion conversion;
    if (!ConvertText(text, conversion)) return false;

    // The generated texts are checked before any of them is written, so a
    // refused page leaves no component behind.
    std::vector<std::pair<std::string, std::string>> generated;
    generated.reserve(conversion.functions.size());
    for (GeneratedFunction& function : conversion.functions)
      generated.emplace_back(function.name, std::move(function.component));
    if (!CheckGeneratedTexts(generated)) return false;

    // Reading the functions into the list may still fail: the converted page
    // then goes back to what it was, so that a failed conversion changes nothing.
    const bool hadConverted = readIntoList && K7QFile::Exists(converted);
    const std::string oldConverted = hadConverted ? K7QFile::ReadAll(converted) : std::string();
    const std::string base = converted.substr(0, K7QCp932::FindLast(converted, '.'));
    const auto removeComponents = [&components] {
      for (const std::string& path : components) K7QFile::Remove(path);
      components.clear();
    };
    try {
      for (const auto& [name, text] : generated) {
        components.push_back(base + std::string(kComponentInfix) + name);
        K7QFile::WriteAll(components.back(), text);
      }
    } catch (...) {
      removeComponents();
      throw;
    }
    try {
      K7QFile::WriteAll(converted, conversion.page);
    } catch (...) {
      removeComponents();
      throw;
    }
    if (!readIntoList) return true;
    const auto restoreConverted = [&] {
      if (!hadConverted) return K7QFile::Remove(converted);
      try {
        K7QFile::WriteAll(converted, oldConverted);
      } catch (const CK7QBldFileException& e) {
        groceries.ReportFileException(e, __FILE__, __LINE__);
        return false;
      }
      return true;
    };

    std::vector<Kept> before;
    const CK7QBldFunctionBlock& functions = m_macro.Functions();
    for (const GeneratedFunction& function : conversion.functions) {
      const CK7QBldFunctionEntry* entry = functions.Entry(functions.FindByName(function.name));
      if (entry) before.push_back({entry->name, entry->comment, entry->statement, entry->sqlText});
    }
    bool read = m_macro.Functions().ReadComponents(
        components, kFunctionBuilderMade, K7QFile::Folder(pagePath), m_macro.FunctionPrefix());
    try {
      for (const std::string& path : components) K7QFile::Delete(path);
    } catch (const CK7QBldFileException& e) {
      groceries.ReportFileException(e, __FILE__, __LINE__);
      read = false;
    }
    if (!read) {
      removeComponents();
      restoreConverted();
      return false;
    }
    KeepAuthorsWork(before);
    m_macro.LoopNames().clear();
    m_macro.InputNames().clear();
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- preparation

bool CK7QBldPageConverter::Qualify(std::string_view variable, const CK7QBldFunctionEntry* function,
                                   ColumnCache& cache, std::string& table,
                                   std::string& column) const {
  const std::string_view inner =
      variable.substr(kVariableOpen.size(), variable.size() - kVariableOpen.size() - 1);
  const std::size_t dot = Find(inner, '.');
  if (dot != npos) {
    table.assign(inner.substr(0, dot));
    column.assign(inner.substr(dot + 1));
    return true;
  }
  if (!function) return false;
  auto [it, added] = cache.functions.try_emplace(function);
  ColumnCache::Function& known = it->second;
  if (added) known.select = function->SqlText(nullptr);
  const std::string key = CK7QBldFunctionBlock::NameKey(inner);
  auto found = known.tables.find(key);
  if (found == known.tables.end())
    found = known.tables.emplace(key, CK7QBldProfile::ColumnQualifier(known.select, inner)).first;
  if (found->second.empty()) return false;
  table = found->second;
  column.assign(inner);
  return true;
}

std::string CK7QBldPageConverter::ValueTag(const std::string& table, const std::string& column,
                                           bool largeText, ColumnCache& cache) const {
  auto [it, added] = cache.samples.try_emplace(table + '\n' + column);
  if (added) {
    it->second = m_macro.Profile().ColumnSample(table, column);
    // An empty value would leave nothing to see or to click in the editor.
    if (it->second.empty()) it->second = "***";
  }
  std::string tag(kValueTagOpen);
  tag += "$(V_" + table + "." + column + ")\"";
  if (largeText) tag += kLargeTextMark;
  tag += "><FONT color=\"";
  tag += cache.color;
  tag += "\">";
  tag += it->second;
  tag += "</FONT>";
  tag += kValueTagClose;
  return tag;
}

std::string CK7QBldPageConverter::Tag(std::string_view seg, const CK7QBldFunctionEntry* function,
                                      ColumnCache& cache) const {
  std::string out;
  out.reserve(seg.size() + seg.size() / 4);
  std::string table;
  std::string column;
  // Variables inside a tag (an anchor's address, an attribute) are only
  // qualified: a value tag there would break the markup.
  const auto qualifyAll = [&](std::string_view text) {
    std::size_t pos = 0;
    for (std::size_t v = Find(text, kVariableOpen); v != npos; v = Find(text, kVariableOpen, pos)) {
      std::size_t end = 0;
      if (!ParseVariable(text, v, end)) {
        out.append(text.substr(pos, v + kVariableOpen.size() - pos));
        pos = v + kVariableOpen.size();
        continue;
      }
      out.append(text.substr(pos, v - pos));
      if (Qualify(text.substr(v, end + 1 - v), function, cache, table, column))
        out += "$(V_" + table + "." + column + ")";
      else
        out.append(text.substr(v, end + 1 - v));
      pos = end + 1;
    }
    out.append(text.substr(pos));
  };
  bool inOptionList = false;
  std::size_t copied = 0;
  std::size_t i = 0;
  while (i < seg.size()) {
    const char c = seg[i];
    if (c == '<') {
      const std::size_t gt = Find(seg, '>', i);
      if (gt == npos) break;
      out.append(seg.substr(copied, i - copied));
      const std::string_view tag = seg.substr(i, gt + 1 - i);
      if (StartsWith(tag, 0, kValueTagOpen)) {  // shown already: keep it whole
        const std::size_t close = Find(seg, kValueTagClose, gt + 1);
        const std::size_t end = close == npos ? gt + 1 : close + kValueTagClose.size();
        out.append(seg.substr(i, end - i));
        i = copied = end;
        continue;
      }
      if (StartsWith(tag, 0, "<OPTION")) inOptionList = true;
      if (StartsWith(tag, 0, "</SELECT>")) inOptionList = false;
      // An image whose file name is a variable shows the sample image.
      const std::size_t src = StartsWithNoCase(tag, 0, "<IMG") ? FindNoCase(tag, "src=\"") : npos;
      std::size_t end = 0;
      if (!inOptionList && src != npos && ParseVariable(tag, src + 5, end) &&
          StartsWith(tag, end + 1, "\"") &&
          Qualify(tag.substr(src + 5, end - src - 4), function, cache, table, column)) {
        auto [it, added] = cache.samples.try_emplace(table + '\n' + column);
        if (added) it->second = m_macro.Profile().ColumnSample(table, column);
        out.append(kValueTagOpen);
        out += "$(V_" + table + "." + column + ")\">";
        out.append(tag.substr(0, src + 5));
        out += it->second;
        out.append(tag.substr(end + 1));
        out.append(kValueTagClose);
      } else {
        qualifyAll(tag);
      }
      i = copied = gt + 1;
      continue;
    }
    if (c == '$' || c == '@') {
      std::string variable;
      std::size_t next = npos;
      bool largeText = false;
      std::size_t end = 0;
      if (c == '$' && ParseVariable(seg, i, end)) {
        variable.assign(seg.substr(i, end + 1 - i));
        next = end + 1;
        if (StartsWith(seg, next, kLargeTextMark)) {
          largeText = true;
          next += kLargeTextMark.size();
        }
      } else if (c == '@' && StartsWith(seg, i, kLargeTextCall)) {
        const std::size_t nameBegin = i + kLargeTextCall.size();
        const std::size_t comma =
            Find(seg.substr(0, nameBegin + kMaxVariableLength), ',', nameBegin);
        if (comma != npos && StartsWith(seg, comma, kLargeTextTail) &&
            StartsWith(seg, nameBegin, "V_")) {
          variable = "$(" + std::string(seg.substr(nameBegin, comma - nameBegin)) + ")";
          if (!ParseVariable(variable, 0, end)) variable.clear();
          next = comma + kLargeTextTail.size();
          largeText = true;
        }
      }
      if (variable.empty()) {
        i += 1;
        continue;
      }
      const bool known = Qualify(variable, function, cache, table, column);
      // «="$(V_X)">» is an attribute value the editor shows as text; option
      // lists keep their values bare so that the list stays a list.
      const bool bare =
          inOptionList || (i > 0 && seg[i - 1] == '=' && StartsWith(seg, next, "\">"));
      if (!known) {
        i += 1;
        continue;
      }
      out.append(seg.substr(copied, i - copied));
      if (bare && !largeText)
        out += "$(V_" + table + "." + column + ")";
      else
        out += ValueTag(table, column, largeText, cache);
      i = copied = next;
      continue;
    }
    i += K7QCp932::CharLength(seg, i);
  }
  out.append(seg.substr(copied));
  return out;
}

std::string CK7QBldPageConverter::PrepareText(std::string_view page) const {
  ColumnCache cache;
  char color[16];
  std::snprintf(color, sizeof color, "#%06X", static_cast<unsigned>(m_macro.TagColor() & 0xFFFFFF));
  cache.color = color;
  const CK7QBldFunctionBlock& functions = m_macro.Functions();
  std::string out;
  out.reserve(page.size() + page.size() / 2);
  std::size_t pos = 0;
  for (const LoopSpan& loop : FindLoops(page)) {
    out += Tag(page.substr(pos, loop.start.start - pos), nullptr, cache);
    const CK7QBldFunctionEntry* function = functions.Entry(functions.FindByName(loop.start.name));
    out += Tag(page.substr(loop.start.start, loop.end - loop.start.start), function, cache);
    pos = loop.end;
  }
  out += Tag(page.substr(pos), nullptr, cache);
  return out;
}

std::string CK7QBldPageConverter::OpenLoop(const CK7QBldFunctionEntry& entry,
                                           const K7QStringList& pageLines,
                                           std::string_view lineEnd) const {
  std::string text;
  for (std::size_t i = 0; i < pageLines.size(); ++i) {
    if (i) text.append(lineEnd);
    text += pageLines[i];
  }
  std::vector<LoopKind> kinds = {LoopKind::Row, LoopKind::Table, LoopKind::Option};
  if (entry.kind == kReportKindTable) kinds = {LoopKind::Table, LoopKind::Row, LoopKind::Option};
  if (entry.kind == kReportKindOption) kinds = {LoopKind::Option, LoopKind::Row, LoopKind::Table};

  // The report text came from a loop body by one kind's rules; the kind
  // whose inverse gives a body that converts back to these very lines wins.
  ColumnCache cache;
  cache.color = "#000000";
  std::string body;
  for (LoopKind kind : kinds) {
    if (!InverseTemplate(kind, text, lineEnd, body)) continue;
    K7QStringList columns;
    if (SameLines(BuildTemplate(kind, Tag(body, &entry, cache), columns), pageLines))
      return StartMarker(kind, entry.name) + body + std::string(kLoopEndMarker);
  }
  // A report edited by hand: the first kind that fits its shape, or its text as it is.
  if (!InverseTemplate(kinds[0], text, lineEnd, body)) body = text;
  return StartMarker(kinds[0], entry.name) + body + std::string(kLoopEndMarker);
}

bool CK7QBldPageConverter::OpenLoops(std::string_view page, std::string& result) const {
  const CK7QBldFunctionBlock& functions = m_macro.Functions();
  const std::string_view lineEnd = Contains(page, "\r\n") ? "\r\n" : "\n";
  result.clear();
  result.reserve(page.size());
  std::size_t pos = 0;
  std::size_t from = 0;
  for (std::size_t at = Find(page, '@'); at != npos; at = Find(page, '@', from)) {
    std::size_t e = at + 1;
    while (e < page.size() && std::string_view("\"'<>()@,;=& \t\r\n").find(page[e]) == npos)
      e += K7QCp932::CharLength(page, e);
    from = at + 1;
    if (e == at + 1 || !StartsWith(page, e, "()")) continue;
    const CK7QBldFunctionEntry* entry =
        functions.Entry(functions.FindByName(page.substr(at + 1, e - at - 1)));
    if (!entry || entry->flag != kFunctionBuilderMade) continue;
    if (entry->page.empty() || !K7QFile::Exists(entry->page)) return false;
    K7QStringList lines;
    CK7QBldLineReader reader(entry->page);
    for (std::string line; reader.ReadLine(line);) lines.push_back(line);
    result.append(page.substr(pos, at - pos));
    result += OpenLoop(*entry, lines, lineEnd);
    pos = from = e + 2;
  }
  result.append(page.substr(pos));
  return true;
}

bool CK7QBldPageConverter::PrepareForEditing(const std::string& pagePath) {
  if (pagePath.empty()) return false;
  const CK7QBldGroceries& groceries = m_macro.Groceries();
  try {
    if (!K7QFile::Exists(pagePath)) return false;
    const std::string text = K7QFile::ReadAll(pagePath);
    // Prepared before and not converted since: preparing again would show
    // the sample values inside the value tags as new values.
    if (Contains(text, "<K7Q macro=\"$(")) return true;
    std::string opened;
    if (!OpenLoops(text, opened)) return false;
    const std::string prepared = PrepareText(opened);
    if (prepared == text) return true;
    K7QFile::RewriteInPlace(
        pagePath, CK7QBldGroceries::TemporaryName(pagePath),
        [&prepared](CK7QBldTextWriter& out) { out.Write(prepared); }, true);
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}
