#include "K7QBldPageConverter.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldFunctionBlock.h"
#include "K7QBldFunctionName.h"
#include "K7QBldHtmlScanner.h"
#include "K7QBldMacro.h"
#include "K7QBldMacroFile.h"

namespace {

using Kind = CK7QBldPageConverter::LoopKind;

constexpr std::size_t npos = std::string_view::npos;
constexpr std::string_view kVariableOpen = "$(V_";
constexpr std::string_view kRowOpen = "%ROW{";
constexpr std::string_view kRowClose = "%}";
constexpr std::string_view kComponentInfix = ".k7q_fun_";
constexpr std::string_view kLoopStartImage = "k7q_loop_start.gif";
constexpr std::string_view kLoopEndImage = "k7q_loop_end.gif";
// A variable name longer than this is no variable: it keeps the search for
// its ")" from running over the rest of a large page again and again.
constexpr std::size_t kMaxVariableLength = 256;
// How much of a piece of markup a message quotes.
constexpr std::size_t kExcerptLength = 72;

// Every byte the conversion looks for in a page ("<", "$", "(", ")", quotes,
// blanks) is below 0x40 and so never the trail byte of a double-byte
// character: plain byte searches are exact.
std::size_t FindByte(std::string_view text, char c, std::size_t from, std::size_t to = npos) {
  return text.substr(0, std::min(to, text.size())).find(c, from);
}
bool StartsWith(std::string_view text, std::size_t pos, std::string_view prefix) {
  return text.size() >= pos && text.size() - pos >= prefix.size() &&
         text.compare(pos, prefix.size(), prefix) == 0;
}
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }
bool IsBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return IsSpace(c); });
}
// `needle` begins with "%", never a trail byte: a byte search is exact.
std::size_t Count(std::string_view text, std::string_view needle) {
  std::size_t n = 0;
  for (std::size_t i = text.find(needle); i != npos; i = text.find(needle, i + needle.size())) ++n;
  return n;
}

// Whether a variable "$(V_X)" starts at i; `end` gets the position of its
// ")". The name may not hold what ends an attribute or a tag.
bool ParseVariable(std::string_view text, std::size_t i, std::size_t& end) {
  if (!StartsWith(text, i, kVariableOpen)) return false;
  const std::string_view window = text.substr(i, kMaxVariableLength);
  const std::size_t close = FindByte(window, ')', kVariableOpen.size());
  if (close == npos || close == kVariableOpen.size()) return false;
  const std::string_view name = window.substr(kVariableOpen.size(), close - kVariableOpen.size());
  if (name.find_first_of("\"'<>$( \t\r\n") != npos) return false;
  end = i + close;
  return true;
}
bool IsVariable(std::string_view text) {
  std::size_t end = 0;
  return ParseVariable(text, 0, end) && end + 1 == text.size();
}

// "$(V_TABLE.COLUMN)" in a loop becomes "$(V_COLUMN)"; TABLE.COLUMN is noted
// for the loop's SELECT. A variable without a table stays as it is, and so
// does every variable outside loops (`columns` null).
void AppendRowVariable(std::string_view variable, K7QStringList* columns, std::string& out) {
  const std::string_view inner =
      variable.substr(kVariableOpen.size(), variable.size() - kVariableOpen.size() - 1);
  const std::size_t dot = columns ? FindByte(inner, '.', 0) : npos;
  if (dot == npos) {
    out.append(variable);
    return;
  }
  columns->emplace_back(inner);
  out.append(kVariableOpen);
  out.append(inner.substr(dot + 1));
  out += ')';
}

// The text of `text` from `from` with blanks and line breaks skipped.
std::size_t SkipSpace(std::string_view text, std::size_t from, std::size_t to) {
  while (from < to && IsSpace(text[from])) ++from;
  return from;
}

// Layout that an editor or a tidier adds or changes freely: blanks, line
// breaks and <BR> tags.
std::size_t SkipLayout(std::string_view text, std::size_t i, std::size_t to) {
  for (;;) {
    i = SkipSpace(text, i, to);
    if (i >= to || text[i] != '<') return i;
    K7QHtmlTag tag;
    if (!CK7QBldHtmlScanner::TagAt(text, i, to, tag) ||
        !CK7QBldHtmlScanner::EqualNoCase(tag.name, "br"))
      return i;
    i = tag.end;
  }
}

// One character of text at i, a character reference decoded; its length in `length`.
char CharAt(std::string_view text, std::size_t i, std::size_t& length) {
  length = 1;
  if (text[i] != '&') return text[i];
  const std::size_t semicolon = FindByte(text, ';', i, i + 8);
  if (semicolon == npos) return '&';
  const std::string decoded = CK7QBldHtmlScanner::Decode(text.substr(i, semicolon + 1 - i));
  if (decoded.size() != 1) return '&';
  length = semicolon + 1 - i;
  return decoded[0];
}

// Where the shown value `sample` ends when the text at `from` begins with it,
// as the page editor may have rewritten it: layout, the letter case of tags
// and character references do not count. npos when it does not begin so.
std::size_t MatchSample(std::string_view text, std::size_t from, std::size_t to,
                        std::string_view sample) {
  std::size_t i = from;
  std::size_t j = 0;
  std::size_t matched = from;
  for (;;) {
    const std::size_t before = j;
    j = SkipLayout(sample, j, sample.size());
    // The layout that ends the sample ends the shown value in the page too.
    if (j >= sample.size()) return j > before ? SkipLayout(text, matched, to) : matched;
    i = SkipLayout(text, i, to);
    if (i >= to) return npos;
    K7QHtmlTag a;
    if (CK7QBldHtmlScanner::TagAt(sample, j, sample.size(), a)) {
      K7QHtmlTag b;
      if (!CK7QBldHtmlScanner::TagAt(text, i, to, b) || a.kind != b.kind ||
          !CK7QBldGroceries::EqualNoCase(a.name, b.name))
        return npos;
      j = a.end;
      i = b.end;
      matched = i;
      continue;
    }
    std::size_t li = 0;
    std::size_t lj = 0;
    if (CharAt(text, i, li) != CharAt(sample, j, lj)) return npos;
    i += li;
    j += lj;
    matched = i;
  }
}

// ------------------------------------------------------------ page markup

// One piece of markup that conversion works on, in page order.
struct Mark {
  enum class Type { LoopStart, LoopEnd, ValueOpen, ValueClose };
  Type type = Type::LoopStart;
  std::size_t begin = 0;
  std::size_t end = 0;  // just after its ">"
  Kind kind = Kind::Row;
  std::string name;  // loop start: the loop's name; value tag: its variable
  bool largeText = false;
};

// The first piece of markup that conversion cannot read.
struct Problem {
  unsigned id = 0;
  std::size_t begin = 0;
  std::size_t end = 0;
};

// What one walk over a page finds.
struct PageScan {
  std::vector<Mark> marks;
  bool form = false;
  std::size_t formBegin = 0;
  std::size_t formEnd = 0;
  bool field = false;   // a named INPUT, SELECT or TEXTAREA
  bool option = false;  // an OPTION with a value
  K7QStringList fieldNames;
  Problem problem;
};

std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == npos ? path : path.substr(slash + 1);
}

// A loop start marker's alt text "KIND:NAME"; false for one of no known kind.
bool ParseLoopName(const std::string& alt, Kind& kind, std::string& name) {
  static constexpr std::pair<std::string_view, Kind> kKinds[] = {
      {"row:", Kind::Row}, {"table:", Kind::Table}, {"option:", Kind::Option}};
  for (const auto& [prefix, k] : kKinds) {
    if (alt.size() < prefix.size() ||
        !CK7QBldHtmlScanner::EqualNoCase(std::string_view(alt).substr(0, prefix.size()), prefix))
      continue;
    kind = k;
    name = alt.substr(prefix.size());
    return true;
  }
  return false;
}

Mark MakeMark(Mark::Type type, const K7QHtmlTag& tag) {
  Mark mark;
  mark.type = type;
  mark.begin = tag.begin;
  mark.end = tag.end;
  return mark;
}

void NoteProblem(PageScan& scan, unsigned id, const K7QHtmlTag& tag) {
  if (scan.problem.id == 0) scan.problem = {id, tag.begin, tag.end};
}

// Mentions of the builder's markup that no mark accounts for: a marker image
// or a value tag inside a comment, a script or an attribute, or after a tag
// that the page never closes. Each would stay in the macro unconverted.
void FindStrayMentions(std::string_view text, PageScan& scan) {
  std::size_t next = 0;  // first mark that may still hold a mention
  for (std::size_t seven = FindByte(text, '7', 1); seven != npos;
       seven = FindByte(text, '7', seven + 1)) {
    if (seven + 1 >= text.size() || (text[seven - 1] | 0x20) != 'k' ||
        (text[seven + 1] | 0x20) != 'q')
      continue;
    const std::size_t k = seven - 1;
    Mark::Type type;
    std::size_t at = k;
    std::size_t length = 3;
    const std::string_view rest = text.substr(k);
    if (k >= 1 && text[k - 1] == '<') {
      type = Mark::Type::ValueOpen;
      at = k - 1;
      length = 4;
    } else if (k >= 2 && text[k - 1] == '/' && text[k - 2] == '<') {
      type = Mark::Type::ValueClose;
      at = k - 2;
      length = 5;
    } else if (rest.size() >= kLoopStartImage.size() &&
               CK7QBldHtmlScanner::EqualNoCase(rest.substr(0, kLoopStartImage.size()),
                                               kLoopStartImage)) {
      type = Mark::Type::LoopStart;
      length = kLoopStartImage.size();
    } else if (rest.size() >= kLoopEndImage.size() &&
               CK7QBldHtmlScanner::EqualNoCase(rest.substr(0, kLoopEndImage.size()),
                                               kLoopEndImage)) {
      type = Mark::Type::LoopEnd;
      length = kLoopEndImage.size();
    } else {
      continue;
    }
    while (next < scan.marks.size() && scan.marks[next].end <= at) ++next;
    const bool accounted =
        next < scan.marks.size() && scan.marks[next].begin <= at && scan.marks[next].type == type;
    if (accounted) continue;
    if (scan.problem.id == 0 || at < scan.problem.begin) {
      const bool marker = type == Mark::Type::LoopStart || type == Mark::Type::LoopEnd;
      scan.problem = {marker ? kIdsLoopMarkerUnreadable : kIdsValueTagUnreadable, at, at + length};
    }
    return;
  }
}

PageScan ScanPage(std::string_view text) {
  PageScan scan;
  CK7QBldHtmlScanner scanner(text);
  K7QHtmlTag tag;
  while (scanner.Next(tag)) {
    if (tag.kind == K7QHtmlTag::Kind::End) {
      if (tag.IsEnd("k7q")) scan.marks.push_back(MakeMark(Mark::Type::ValueClose, tag));
      continue;
    }
    if (tag.kind != K7QHtmlTag::Kind::Start) continue;
    // Most tags of a page are none of these: their first letter tells.
    switch (tag.name[0] | 0x20) {
      case 'f':
      case 'i':
      case 'k':
      case 'o':
      case 's':
      case 't':
        break;
      default:
        continue;
    }
    if (tag.IsStart("img")) {
      const K7QHtmlAttribute* src = tag.Find("src");
      if (!src) continue;
      const std::string path = src->Text();
      const std::string_view file = FileNameOf(path);
      if (CK7QBldHtmlScanner::EqualNoCase(file, kLoopEndImage)) {
        scan.marks.push_back(MakeMark(Mark::Type::LoopEnd, tag));
      } else if (CK7QBldHtmlScanner::EqualNoCase(file, kLoopStartImage)) {
        Mark mark = MakeMark(Mark::Type::LoopStart, tag);
        const K7QHtmlAttribute* alt = tag.Find("alt");
        if (!alt || !ParseLoopName(alt->Text(), mark.kind, mark.name)) {
          NoteProblem(scan, kIdsLoopMarkerUnreadable, tag);
          continue;
        }
        scan.marks.push_back(std::move(mark));
      }
    } else if (tag.IsStart("k7q")) {
      const K7QHtmlAttribute* macro = tag.Find("macro");
      Mark mark = MakeMark(Mark::Type::ValueOpen, tag);
      if (macro) mark.name = macro->Text();
      if (!IsVariable(mark.name)) {
        NoteProblem(scan, kIdsValueTagUnreadable, tag);
        continue;
      }
      const K7QHtmlAttribute* type = tag.Find("type");
      mark.largeText = type && CK7QBldHtmlScanner::EqualNoCase(type->Text(), "clob");
      scan.marks.push_back(std::move(mark));
    } else if (tag.IsStart("form")) {
      if (!scan.form) {
        scan.formBegin = tag.begin;
        scan.formEnd = tag.end;
      }
      scan.form = true;
    } else if (tag.IsStart("input") || tag.IsStart("select") || tag.IsStart("textarea")) {
      const K7QHtmlAttribute* name = tag.Find("name");
      std::string text = name ? name->Text() : std::string();
      if (text.empty()) continue;
      scan.field = true;
      if (!tag.IsStart("textarea")) scan.fieldNames.push_back(std::move(text));
    } else if (tag.IsStart("option")) {
      scan.option = scan.option || tag.Find("value") != nullptr;
    }
  }
  FindStrayMentions(text, scan);
  return scan;
}

// Validation's code 2 for a page without any value tag and without a
// usable form: conversion first names a loop that was left without columns.
constexpr int kNoValueTagsNorUsableForm = 102;

int Validate(const PageScan& scan) {
  if (scan.problem.id != 0) return kPageMarkupUnreadable;
  const std::vector<Mark>& marks = scan.marks;
  // Loops: start, end, start, end, ... (a value tag may stand anywhere between).
  bool inLoop = false;
  bool loops = false;
  bool values = false;
  for (const Mark& mark : marks) {
    if (mark.type == Mark::Type::LoopStart) {
      if (inLoop) return kPageLoopMarkersBad;
      inLoop = loops = true;
    } else if (mark.type == Mark::Type::LoopEnd) {
      if (!inLoop) return kPageLoopMarkersBad;
      inLoop = false;
    }
  }
  if (inLoop) return kPageLoopMarkersBad;
  if (!loops) {
    if (!scan.form) return kPageNoLoopNorForm;
    if (!scan.field) return kPageFormWithoutField;
  }
  // Value tags: each opening directly followed by its end, no marker between.
  for (std::size_t i = 0; i < marks.size(); ++i) {
    if (marks[i].type == Mark::Type::ValueOpen) {
      if (i + 1 >= marks.size() || marks[i + 1].type != Mark::Type::ValueClose)
        return kPageValueTagsBad;
      values = true;
      ++i;
    } else if (marks[i].type == Mark::Type::ValueClose) {
      return kPageValueTagsBad;
    }
  }
  if (!values && (!scan.form || (!scan.field && !scan.option))) return kNoValueTagsNorUsableForm;
  return kPageValid;
}

// Positions of the loops of a validated page: start and end marks.
std::vector<std::pair<const Mark*, const Mark*>> Loops(const PageScan& scan) {
  std::vector<std::pair<const Mark*, const Mark*>> loops;
  const Mark* start = nullptr;
  for (const Mark& mark : scan.marks) {
    if (mark.type == Mark::Type::LoopStart) start = &mark;
    if (mark.type == Mark::Type::LoopEnd && start) {
      loops.emplace_back(start, &mark);
      start = nullptr;
    }
  }
  return loops;
}

// The first text of the page that a macro reader would take for the frame
// of a section, outside the shown values of value tags (which conversion
// drops). npos when there is none.
std::size_t FindKeyword(std::string_view page, const PageScan& scan, std::string_view& keyword) {
  std::vector<std::pair<std::size_t, std::size_t>> shown;
  for (std::size_t i = 0; i + 1 < scan.marks.size(); ++i) {
    if (scan.marks[i].type == Mark::Type::ValueOpen &&
        scan.marks[i + 1].type == Mark::Type::ValueClose)
      shown.emplace_back(scan.marks[i].begin, scan.marks[i + 1].end);
  }
  std::size_t next = 0;
  for (std::size_t at = CK7QBldMacroFile::FindSectionKeyword(page, 0, keyword); at != npos;
       at = CK7QBldMacroFile::FindSectionKeyword(page, at + 1, keyword)) {
    while (next < shown.size() && shown[next].second <= at) ++next;
    if (next >= shown.size() || at < shown[next].first) return at;
  }
  return npos;
}

// Whether the page holds value tags already: it was prepared and not
// converted since.
bool HoldsPreparedValues(std::string_view page) {
  CK7QBldHtmlScanner scanner(page);
  K7QHtmlTag tag;
  while (scanner.Next(tag)) {
    if (!tag.IsStart("k7q")) continue;
    const K7QHtmlAttribute* macro = tag.Find("macro");
    if (macro && StartsWith(macro->Text(), 0, "$(")) return true;
  }
  return false;
}

// "&quot;" written by a page editor where the macro needs a double quote:
// in text (a large-text reference, a function call's argument) and in
// unquoted attribute values. A quoted attribute value keeps its "&quot;",
// which is all that keeps it one value.
std::string UnescapeQuotes(std::string_view text) {
  constexpr std::string_view kQuot = "&quot;";
  std::string out;
  out.reserve(text.size());
  const auto copy = [&](std::size_t from, std::size_t to) {
    for (std::size_t amp = text.find(kQuot, from); amp != npos && amp < to;
         amp = text.find(kQuot, from)) {
      if (amp + kQuot.size() > to) break;
      out.append(text, from, amp - from);
      out += '"';
      from = amp + kQuot.size();
    }
    out.append(text, from, to - from);
  };
  CK7QBldHtmlScanner scanner(text);
  K7QHtmlTag tag;
  std::size_t pos = 0;
  while (scanner.Next(tag)) {
    for (const K7QHtmlAttribute& a : tag.Attributes()) {
      if (a.quote == 0) continue;
      copy(pos, a.valueBegin);
      out.append(text, a.valueBegin, a.end - a.valueBegin);
      pos = a.end;
    }
    copy(pos, tag.end);
    pos = tag.end;
  }
  copy(pos, text.size());
  return out;
}

std::string_view KindText(Kind kind) {
  switch (kind) {
    case Kind::Table:
      return "TABLE:";
    case Kind::Option:
      return "OPTION:";
    case Kind::Row:
      break;
  }
  return "ROW:";
}

std::string StartMarker(Kind kind, const std::string& name) {
  std::string marker(kLoopStartPrefix);
  marker += KindText(kind);
  marker += name;
  // As the repeat controls write them: the option marker has two blanks.
  marker += kind == Kind::Option ? "\"  height" : "\" height";
  marker += "=\"11\" width=\"436\">";
  return marker;
}

// Each option list of a loop repeats its options: the text from its first
// option with a value up to the list's end tag becomes a row template.
std::string WrapOptionLists(std::string text) {
  CK7QBldHtmlScanner scanner(text);
  K7QHtmlTag tag;
  std::string out;
  std::size_t pos = 0;
  while (scanner.Next(tag)) {
    if (!tag.IsStart("option") || !tag.Find("value")) continue;
    const std::size_t first = tag.begin;
    bool closed = false;
    while (!closed && scanner.Next(tag)) closed = tag.IsEnd("select");
    if (!closed) break;
    if (out.empty()) out.reserve(text.size() + 16);
    out.append(text, pos, first - pos);
    out.append(kRowOpen);
    out += '\n';
    out.append(text, first, tag.begin - first);
    out.append(kRowClose);
    out += '\n';
    out.append(text, tag.begin, tag.end - tag.begin);
    pos = tag.end;
  }
  if (pos == 0) return text;
  out.append(text, pos, std::string::npos);
  return out;
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

// Whether an end tag </SELECT> (any letter case) starts at `pos`.
bool SelectEndAt(std::string_view text, std::size_t pos) {
  return text.size() - std::min(pos, text.size()) >= 9 && text[pos] == '<' &&
         text[pos + 1] == '/' && CK7QBldHtmlScanner::EqualNoCase(text.substr(pos + 2, 6), "select");
}

// The loop body that a report text was made from, by the rules of `kind`;
// false when the text does not have that kind's shape.
bool InverseTemplate(Kind kind, const std::string& text, std::string_view nl, std::string& body) {
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
  const std::string close = kind == Kind::Table ? std::string(nl) + std::string(kRowClose)
                                                : std::string(kRowClose) + std::string(nl);
  std::size_t pos = 0;
  bool found = false;
  for (std::size_t r = text.find(open); r != npos; r = text.find(open, pos)) {
    std::size_t c = text.find(close, r + open.size());
    // An option list's template ends right before the list's end tag.
    while (kind == Kind::Option && c != npos && !SelectEndAt(text, c + close.size()))
      c = text.find(close, c + 1);
    if (c == npos) return false;
    body.append(text, pos, r - pos);
    body.append(text, r + open.size(), c - r - open.size());
    pos = c + close.size();
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

// The line (from 1) that `at` stands on.
std::size_t LineOf(std::string_view text, std::size_t at) {
  std::size_t line = 1;
  for (std::size_t lf = FindByte(text, '\n', 0, at); lf != npos;
       lf = FindByte(text, '\n', lf + 1, at))
    ++line;
  return line;
}

// A piece of markup as a message quotes it: on one line, shortened.
std::string Excerpt(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size() && out.size() < kExcerptLength;) {
    const std::size_t length = K7QCp932::CharLength(text, i);
    if (length == 1 && IsSpace(text[i])) {
      if (out.empty() || out.back() != ' ') out += ' ';
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  if (out.size() < text.size() && out.size() >= kExcerptLength) out += "...";
  return out;
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

  const std::string& Sample(const CK7QBldProfile& profile, std::string_view table,
                            std::string_view column) {
    std::string key(table);
    key += '\n';
    key += column;
    auto [it, added] = samples.try_emplace(std::move(key));
    if (added) {
      it->second = profile.ColumnSample(table, column);
      // An empty value would leave nothing to see or to click in the editor.
      if (it->second.empty()) it->second = "***";
    }
    return it->second;
  }
};

// Turns a page of editor form (or a piece of one) back into macro text:
// value tags into variables, "$(V_TABLE.COLUMN)" in loops into row
// variables. Pieces are asked for from left to right.
class CK7QBldPageConverter::CUntagger {
 public:
  CUntagger(std::string_view text, const std::vector<Mark>& marks, const CK7QBldProfile& profile,
            ColumnCache& cache)
      : m_text(text), m_marks(marks), m_profile(profile), m_cache(cache) {}

  // Appends text[from, to) in macro form.
  void Append(std::size_t from, std::size_t to, K7QStringList* columns, std::string& out) {
    from = std::max(from, m_done);
    while (m_next < m_marks.size() && m_marks[m_next].begin < from) ++m_next;
    while (from < to) {
      while (m_next < m_marks.size() && m_marks[m_next].type != Mark::Type::ValueOpen) ++m_next;
      const bool value = m_next + 1 < m_marks.size() && m_marks[m_next].begin < to &&
                         m_marks[m_next + 1].type == Mark::Type::ValueClose;
      const std::size_t stop = value ? m_marks[m_next].begin : to;
      AppendVariables(from, stop, columns, out);
      if (!value) {
        from = to;
        break;
      }
      Untag(m_marks[m_next], m_marks[m_next + 1], columns, out);
      from = m_marks[m_next + 1].end;
      m_next += 2;
    }
    m_done = std::max(m_done, from);
  }

  // Whether text[from, to) holds a value tag.
  bool HoldsValueTag(std::size_t from, std::size_t to) const {
    const auto it = std::lower_bound(m_marks.begin(), m_marks.end(), from,
                                     [](const Mark& m, std::size_t p) { return m.begin < p; });
    for (auto i = it; i != m_marks.end() && i->begin < to; ++i) {
      if (i->type == Mark::Type::ValueOpen) return true;
    }
    return false;
  }

  // Whether `at` lies inside a value tag (its own tags included).
  bool InsideValueTag(std::size_t at) const {
    auto it = std::upper_bound(m_marks.begin(), m_marks.end(), at,
                               [](std::size_t p, const Mark& m) { return p < m.begin; });
    if (it == m_marks.begin()) return false;
    --it;
    if (it->type == Mark::Type::ValueClose) return at < it->end;
    return it->type == Mark::Type::ValueOpen;
  }

  // Text typed inside a value tag that holds the frame of a section; npos when none.
  std::size_t KeywordAt() const { return m_keywordAt; }

 private:
  void AppendVariables(std::size_t from, std::size_t to, K7QStringList* columns, std::string& out) {
    std::size_t pos = from;
    for (std::size_t d = FindByte(m_text, '$', from, to); d != npos;
         d = FindByte(m_text, '$', d + 1, to)) {
      std::size_t end = 0;
      if (!ParseVariable(m_text, d, end) || end >= to) continue;
      out.append(m_text, pos, d - pos);
      AppendRowVariable(m_text.substr(d, end + 1 - d), columns, out);
      pos = end + 1;
      d = end;
    }
    out.append(m_text, pos, to - pos);
  }

  // What the author typed inside a value tag besides the shown value: after
  // the sample in the coloured text (the caret stays inside it), and after
  // the coloured text. Layout alone is not kept.
  std::string TypedText(std::size_t from, std::size_t to, std::string_view sample) const {
    std::string kept;
    const std::size_t start = SkipSpace(m_text, from, to);
    K7QHtmlTag tag;
    if (CK7QBldHtmlScanner::TagAt(m_text, start, to, tag) && tag.IsStart("font")) {
      const std::size_t matched = MatchSample(m_text, tag.end, to, sample);
      // The end tag of the coloured text: the first </FONT> of its level.
      std::size_t pos = matched == npos ? tag.end : matched;
      std::size_t depth = 0;
      K7QHtmlTag inner;
      bool closed = false;
      while (!closed && CK7QBldHtmlScanner::TagIn(m_text, pos, to, inner)) {
        pos = inner.end;
        if (inner.IsStart("font")) ++depth;
        if (inner.IsEnd("font")) closed = depth-- == 0;
      }
      const std::size_t innerEnd = closed ? inner.begin : to;
      if (matched != npos) kept.append(m_text, matched, innerEnd - matched);
      if (closed) kept.append(m_text, inner.end, to - inner.end);
    } else {
      const std::size_t matched = MatchSample(m_text, start, to, sample);
      if (matched != npos) kept.append(m_text, matched, to - matched);
    }
    if (IsBlank(kept)) kept.clear();
    return kept;
  }

  // One value tag (open .. close) into macro text.
  void Untag(const Mark& open, const Mark& close, K7QStringList* columns, std::string& out) {
    const std::string& variable = open.name;
    std::string macro;
    AppendRowVariable(variable, columns, macro);
    const std::string_view inner =
        std::string_view(variable).substr(kVariableOpen.size(), variable.size() - 5);
    const std::size_t dot = FindByte(inner, '.', 0);
    const std::string_view table = dot == npos ? std::string_view() : inner.substr(0, dot);
    const std::string_view column = dot == npos ? inner : inner.substr(dot + 1);

    K7QHtmlTag image;
    bool hasImage = false;
    for (std::size_t pos = open.end; CK7QBldHtmlScanner::TagIn(m_text, pos, close.begin, image);
         pos = image.end) {
      if (image.IsStart("img")) {
        hasImage = true;
        break;
      }
    }
    std::string before;  // typed in front of the image
    std::string typed;   // typed after the shown value
    if (open.largeText) {
      out.append(kLargeTextCall);
      out.append(std::string_view(macro).substr(2, macro.size() - 3));
      out.append(kLargeTextTail);
      typed = TypedText(open.end, close.begin, m_cache.Sample(m_profile, table, column));
    } else if (hasImage) {
      // The author's image tag keeps everything but the shown file name.
      before.assign(m_text, open.end, image.begin - open.end);
      if (IsBlank(before)) before.clear();
      out += before;
      const K7QHtmlAttribute* src = image.Find("src");
      if (!src || !src->hasValue) {
        out.append("<IMG src=\"");
        out.append(macro);
        out.append("\">");
      } else {
        const char quote = src->quote ? src->quote : '"';
        out.append(m_text, image.begin, src->valueBegin - image.begin);
        out += quote;
        out.append(macro);
        out += quote;
        out.append(m_text, src->end, image.end - src->end);
      }
      typed.assign(m_text, image.end, close.begin - image.end);
      if (IsBlank(typed)) typed.clear();
    } else {
      out.append(macro);
      typed = TypedText(open.end, close.begin, m_cache.Sample(m_profile, table, column));
    }
    std::string_view keyword;
    if (m_keywordAt == npos && (CK7QBldMacroFile::FindSectionKeyword(before, 0, keyword) != npos ||
                                CK7QBldMacroFile::FindSectionKeyword(typed, 0, keyword) != npos))
      m_keywordAt = open.begin;
    out.append(typed);
  }

  std::string_view m_text;
  const std::vector<Mark>& m_marks;
  const CK7QBldProfile& m_profile;
  ColumnCache& m_cache;
  std::size_t m_next = 0;
  std::size_t m_done = 0;
  std::size_t m_keywordAt = npos;
};

CK7QBldPageConverter::CK7QBldPageConverter(CK7QBldMacro& macro) : m_macro(macro) {}

// ---------------------------------------------------------------- validation

int CK7QBldPageConverter::ValidatePage(std::string_view text) {
  const int code = Validate(ScanPage(text));
  return code == kNoValueTagsNorUsableForm ? kPageValueTagsBad : code;
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

void CK7QBldPageConverter::Refuse(unsigned id, std::string_view page, std::size_t at,
                                  std::string_view what) const {
  IK7QBldUserInterface& ui = m_macro.Groceries().Ui();
  std::string text = ui.String(id);
  text += "\n\n";
  text += ui.String(kIdsPageLineLabel);
  text += ' ';
  text += std::to_string(LineOf(page, at));
  text += ": ";
  text += K7QCp932::ToUtf8(Excerpt(what));
  ui.Prompt(id, text, K7QIcon::Stop, K7QButtons::Ok);
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
    const bool reports = Count(text, "%REPORT{") > 1;
    const bool rows = Count(text, kRowOpen) >= 2;
    if (!reports && !rows) continue;
    const std::string line = "    " + K7QCp932::ToUtf8(name) + "\n";
    if (reports) twoReports += line;
    if (rows) twoRows += line;
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
    std::string table = column.substr(0, FindByte(column, '.', 0));
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

// The report text of a loop: a table repeats its rows that hold a value tag
// (header rows and the text after the last row stay plain), a row loop
// repeats its whole body, an option loop only its option lists.
std::string CK7QBldPageConverter::BuildTemplate(LoopKind kind, std::string_view text,
                                                std::size_t from, std::size_t to,
                                                CUntagger& untagger, K7QStringList& columns) const {
  std::string out;
  out.reserve(to - from + 32);
  // The rows of the loop's own table (or of a table around the loop): a
  // row ends at its </TR>, at the next row of its level or at its table's
  // end. Rows of a table inside a cell belong to that cell.
  std::vector<std::pair<std::size_t, std::size_t>> rows;
  if (kind == Kind::Table) {
    CK7QBldHtmlScanner scanner(text, from, to);
    K7QHtmlTag tag;
    int depth = 0;
    int rowDepth = 0;
    std::size_t rowStart = npos;
    while (scanner.Next(tag)) {
      const std::size_t begin = tag.begin;
      if (untagger.InsideValueTag(begin)) continue;
      if (tag.IsStart("table")) {
        ++depth;
      } else if (tag.IsEnd("table")) {
        if (rowStart != npos && depth == rowDepth) {
          rows.emplace_back(rowStart, begin);
          rowStart = npos;
        }
        depth = std::max(0, depth - 1);
      } else if (tag.IsStart("tr")) {
        if (rowStart != npos && depth == rowDepth) {
          rows.emplace_back(rowStart, begin);
          rowStart = npos;
        }
        if (rowStart == npos && depth <= 1) {
          rowStart = begin;
          rowDepth = depth;
        }
      } else if (tag.IsEnd("tr") && rowStart != npos && depth == rowDepth) {
        rows.emplace_back(rowStart, tag.end);
        rowStart = npos;
      }
    }
    if (rowStart != npos) rows.emplace_back(rowStart, to);
  }
  if (!rows.empty()) {
    std::size_t pos = from;
    for (const auto& [begin, end] : rows) {
      untagger.Append(pos, begin, &columns, out);
      if (untagger.HoldsValueTag(begin, end)) {
        out += '\n';
        out.append(kRowOpen);
        out += '\n';
        untagger.Append(begin, end, &columns, out);
        out += '\n';
        out.append(kRowClose);
      } else {
        untagger.Append(begin, end, &columns, out);
      }
      pos = end;
    }
    untagger.Append(pos, to, &columns, out);
  } else if (kind == Kind::Option) {
    untagger.Append(from, to, &columns, out);
  } else {
    out += '\n';
    out.append(kRowOpen);
    untagger.Append(from, to, &columns, out);
    out += '\n';
    out.append(kRowClose);
  }
  return WrapOptionLists(std::move(out));
}

// A loop's SELECT needs a column, and a row names its columns without
// their tables: one column name of two tables could not be told apart.
bool CK7QBldPageConverter::CheckLoopColumns(std::string_view page, std::size_t at,
                                            const std::string& name,
                                            const K7QStringList& columns) const {
  if (columns.empty()) {
    Refuse(kIdsLoopWithoutColumns, page, at, name);
    return false;
  }
  const auto split = [](const std::string& qualified) {
    const std::size_t dot = FindByte(qualified, '.', 0);
    return std::pair{std::string_view(qualified).substr(0, dot),
                     std::string_view(qualified).substr(dot + 1)};
  };
  const auto clash = [&](const std::string& a, const std::string& b) {
    const auto [tableA, columnA] = split(a);
    const auto [tableB, columnB] = split(b);
    if (!CK7QBldGroceries::EqualNoCase(columnA, columnB) ||
        CK7QBldGroceries::EqualNoCase(tableA, tableB))
      return false;
    Refuse(kIdsColumnNameTwice, page, at, name + ": " + a + ", " + b);
    return true;
  };
  // A loop shows a few columns; only a long list is worth a table.
  if (columns.size() <= 16) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      for (std::size_t j = 0; j < i; ++j) {
        if (clash(columns[j], columns[i])) return false;
      }
    }
    return true;
  }
  std::unordered_map<std::string, const std::string*> first;  // column key -> "T.C"
  for (const std::string& qualified : columns) {
    const auto [it, added] =
        first.try_emplace(CK7QBldFunctionBlock::NameKey(split(qualified).second), &qualified);
    if (!added && clash(*it->second, qualified)) return false;
  }
  return true;
}

bool CK7QBldPageConverter::ConvertText(std::string_view page, Conversion& result) const {
  const CK7QBldFunctionBlock& functions = m_macro.Functions();
  IK7QBldUserInterface& ui = m_macro.Groceries().Ui();
  result = Conversion();

  const PageScan scan = ScanPage(page);
  // Text that a reader of the macro would take for the frame of a section.
  std::string_view keyword;
  const std::size_t keywordAt = FindKeyword(page, scan, keyword);
  if (keywordAt != npos) {
    const bool function = StartsWith(keyword, 0, "%FUNCTION");
    Refuse(function ? kIdsPageHoldsFunction : kIdsPageHoldsSectionKeyword, page, keywordAt,
           page.substr(keywordAt, std::min<std::size_t>(kExcerptLength, page.size() - keywordAt)));
    return false;
  }
  const int code = Validate(scan);
  switch (code) {
    case kPageMarkupUnreadable:
      Refuse(scan.problem.id, page, scan.problem.begin,
             page.substr(scan.problem.begin, scan.problem.end - scan.problem.begin));
      return false;
    case kPageLoopMarkersBad:
      ui.Message(kIdsLoopMarkersUnbalanced, K7QIcon::Stop);
      return false;
    case kPageValueTagsBad:
      ui.Message(kIdsValueTagsUnbalanced, K7QIcon::Stop);
      return false;
    case kPageFormWithoutField:
      Refuse(kIdsFormWithoutField, page, scan.formBegin,
             page.substr(scan.formBegin, scan.formEnd - scan.formBegin));
      return false;
    case kPageNoLoopNorForm:
      ui.Message(kIdsNoLoopNorForm, K7QIcon::Exclamation);
      break;
    default:
      break;
  }
  const bool noValueTagsNorForm = code == kNoValueTagsNorUsableForm;

  // Looked up once per loop: a page of many loops stays linear.
  std::unordered_set<std::string> names;
  std::unordered_map<std::string, const CK7QBldFunctionEntry*> listed;
  for (int i = functions.GetCount() - 1; i >= 0; --i)
    listed[CK7QBldFunctionBlock::NameKey(functions.Entry(i)->name)] = functions.Entry(i);
  ColumnCache cache;
  CUntagger untagger(page, scan.marks, m_macro.Profile(), cache);
  const bool escapedQuotes = page.find("&quot;") != npos;
  result.page.reserve(page.size());
  std::size_t pos = 0;
  for (const auto& [start, end] : Loops(scan)) {
    const std::string& name = start->name;
    // The name becomes a function, a call and a file name.
    if (!K7QFunctionName::IsUsable(name)) {
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
    untagger.Append(pos, start->begin, nullptr, result.page);
    result.page += '@';
    result.page += name;
    result.page += "()";

    K7QStringList columns;
    std::string rowTemplate =
        BuildTemplate(start->kind, page, start->end, end->begin, untagger, columns);
    if (!CheckLoopColumns(page, start->begin, name, columns)) return false;
    if (escapedQuotes) rowTemplate = UnescapeQuotes(rowTemplate);
    GeneratedFunction function;
    function.name = name;
    function.kind = start->kind;
    function.component = MakeComponent(name, columns, rowTemplate, function.statement);
    result.functions.push_back(std::move(function));
    pos = end->end;
  }
  // Every loop has its columns (or a loop without them was named).
  if (noValueTagsNorForm) {
    ui.Message(kIdsValueTagsUnbalanced, K7QIcon::Stop);
    return false;
  }
  untagger.Append(pos, page.size(), nullptr, result.page);
  if (untagger.KeywordAt() != npos) {
    const std::size_t at = untagger.KeywordAt();
    Refuse(kIdsPageHoldsSectionKeyword, page, at,
           page.substr(at, std::min<std::size_t>(kExcerptLength, page.size() - at)));
    return false;
  }
  if (escapedQuotes) result.page = UnescapeQuotes(result.page);
  result.formFieldNames = scan.fieldNames;
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
  // conversion and the function list in step. The page itself stays as the
  // author left it.
  try {
    Conversion conversion;
    if (!ConvertText(K7QFile::ReadAll(pagePath), conversion)) return false;

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
    m_macro.AddFormFieldNames(conversion.formFieldNames);
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
  const std::size_t dot = FindByte(inner, '.', 0);
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
  std::string tag(kValueTagOpen);
  tag += "$(V_" + table + "." + column + ")\"";
  if (largeText) tag += kLargeTextMark;
  tag += "><FONT color=\"";
  tag += cache.color;
  tag += "\">";
  tag += cache.Sample(m_macro.Profile(), table, column);
  tag += "</FONT>";
  tag += kValueTagClose;
  return tag;
}

// A page in macro form into editor form: database values in text become
// value tags, images whose file is a column show the sample image, and
// variables inside other tags (an anchor's address, an attribute) are only
// qualified, as a value tag there would break the markup.
std::string CK7QBldPageConverter::Tag(std::string_view seg, const CK7QBldFunctionEntry* function,
                                      ColumnCache& cache) const {
  std::string out;
  out.reserve(seg.size() + seg.size() / 4);
  std::string table;
  std::string column;
  const auto qualifyAll = [&](std::size_t from, std::size_t to) {
    std::size_t pos = from;
    for (std::size_t v = FindByte(seg, '$', from, to); v != npos;
         v = FindByte(seg, '$', v + 1, to)) {
      std::size_t end = 0;
      if (!ParseVariable(seg, v, end) || end >= to) continue;
      out.append(seg, pos, v - pos);
      if (Qualify(seg.substr(v, end + 1 - v), function, cache, table, column))
        out += "$(V_" + table + "." + column + ")";
      else
        out.append(seg, v, end + 1 - v);
      pos = end + 1;
      v = end;
    }
    out.append(seg, pos, to - pos);
  };
  bool inOptionList = false;
  // Text between tags: variables and large-text references show as value
  // tags, except in option lists, which stay lists.
  const auto text = [&](std::size_t from, std::size_t to) {
    std::size_t copied = from;
    std::size_t boundary = from;  // a character boundary at or before the search
    std::size_t dollar = FindByte(seg, '$', from, to);
    std::size_t at = FindByte(seg, '@', from, to);
    while (dollar != npos || at != npos) {
      const std::size_t i = std::min(dollar, at);
      std::string variable;
      std::size_t next = npos;
      bool largeText = false;
      std::size_t end = 0;
      if (i == dollar && ParseVariable(seg, i, end) && end < to) {
        variable.assign(seg.substr(i, end + 1 - i));
        next = end + 1;
        if (StartsWith(seg, next, kLargeTextMark) && next + kLargeTextMark.size() <= to) {
          largeText = true;
          next += kLargeTextMark.size();
        }
      } else if (i == at && StartsWith(seg, i, kLargeTextCall)) {
        // "@" may be a trail byte: only one on a character boundary counts.
        while (boundary < i) boundary += K7QCp932::CharLength(seg, boundary);
        const std::size_t nameBegin = i + kLargeTextCall.size();
        const std::size_t comma =
            FindByte(seg, ',', nameBegin, std::min(to, nameBegin + kMaxVariableLength));
        if (boundary == i && comma != npos && StartsWith(seg, comma, kLargeTextTail) &&
            comma + kLargeTextTail.size() <= to && StartsWith(seg, nameBegin, "V_")) {
          variable = "$(" + std::string(seg.substr(nameBegin, comma - nameBegin)) + ")";
          if (!ParseVariable(variable, 0, end)) variable.clear();
          next = comma + kLargeTextTail.size();
          largeText = true;
        }
      }
      if (!variable.empty() && Qualify(variable, function, cache, table, column)) {
        out.append(seg, copied, i - copied);
        if (inOptionList && !largeText)
          out += "$(V_" + table + "." + column + ")";
        else
          out += ValueTag(table, column, largeText, cache);
        copied = next;
      } else {
        next = i + 1;
      }
      if (dollar != npos && dollar < next) dollar = FindByte(seg, '$', next, to);
      if (at != npos && at < next) at = FindByte(seg, '@', next, to);
    }
    out.append(seg, copied, to - copied);
  };

  CK7QBldHtmlScanner scanner(seg);
  K7QHtmlTag tag;
  std::size_t pos = 0;
  while (scanner.Next(tag)) {
    text(pos, tag.begin);
    pos = tag.end;
    if (tag.IsStart("k7q")) {  // shown already: keep it whole
      K7QHtmlTag close;
      while (scanner.Next(close) && !close.IsEnd("k7q")) {
      }
      const std::size_t end = close.IsEnd("k7q") ? close.end : tag.end;
      out.append(seg, tag.begin, end - tag.begin);
      pos = end;
      continue;
    }
    if (tag.IsStart("option")) inOptionList = true;
    if (tag.IsEnd("select")) inOptionList = false;
    // An image whose file name is a variable shows the sample image.
    const K7QHtmlAttribute* src = tag.IsStart("img") ? tag.Find("src") : nullptr;
    if (!inOptionList && src && src->quote && IsVariable(src->value) &&
        Qualify(src->value, function, cache, table, column)) {
      out.append(kValueTagOpen);
      out += "$(V_" + table + "." + column + ")\">";
      out.append(seg, tag.begin, src->valueBegin + 1 - tag.begin);
      out += cache.Sample(m_macro.Profile(), table, column);
      out.append(seg, src->end - 1, tag.end - (src->end - 1));
      out.append(kValueTagClose);
      continue;
    }
    qualifyAll(tag.begin, tag.end);
  }
  text(pos, seg.size());
  return out;
}

std::string CK7QBldPageConverter::PrepareText(std::string_view page) const {
  ColumnCache cache;
  char color[16];
  std::snprintf(color, sizeof color, "#%06X", static_cast<unsigned>(m_macro.TagColor() & 0xFFFFFF));
  cache.color = color;
  const CK7QBldFunctionBlock& functions = m_macro.Functions();
  const PageScan scan = ScanPage(page);
  std::string out;
  out.reserve(page.size() + page.size() / 2);
  std::size_t pos = 0;
  for (const auto& [start, end] : Loops(scan)) {
    out += Tag(page.substr(pos, start->begin - pos), nullptr, cache);
    const CK7QBldFunctionEntry* function = functions.Entry(functions.FindByName(start->name));
    out += Tag(page.substr(start->begin, end->end - start->begin), function, cache);
    pos = end->end;
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
    const std::string prepared = Tag(body, &entry, cache);
    const PageScan scan = ScanPage(prepared);
    if (Validate(scan) == kPageMarkupUnreadable) continue;
    ColumnCache samples;
    CUntagger untagger(prepared, scan.marks, m_macro.Profile(), samples);
    K7QStringList columns;
    if (SameLines(BuildTemplate(kind, prepared, 0, prepared.size(), untagger, columns), pageLines))
      return StartMarker(kind, entry.name) + body + std::string(kLoopEndMarker);
  }
  // A report edited by hand: the first kind that fits its shape, or its text as it is.
  if (!InverseTemplate(kinds[0], text, lineEnd, body)) body = text;
  return StartMarker(kinds[0], entry.name) + body + std::string(kLoopEndMarker);
}

bool CK7QBldPageConverter::OpenLoops(std::string_view page, std::string& result) const {
  const CK7QBldFunctionBlock& functions = m_macro.Functions();
  const std::string_view lineEnd = page.find("\r\n") != npos ? "\r\n" : "\n";
  result.clear();
  result.reserve(page.size());
  std::size_t pos = 0;
  for (std::size_t at = K7QCp932::Find(page, '@'); at != npos;
       at = K7QCp932::Find(page, '@', at + 1)) {
    const std::size_t length = K7QFunctionName::CallNameLength(page, at);
    if (length == 0) continue;
    const CK7QBldFunctionEntry* entry =
        functions.Entry(functions.FindByName(page.substr(at + 1, length)));
    if (!entry || entry->flag != kFunctionBuilderMade) continue;
    if (entry->page.empty() || !K7QFile::Exists(entry->page)) return false;
    K7QStringList lines;
    CK7QBldLineReader reader(entry->page);
    for (std::string line; reader.ReadLine(line);) lines.push_back(line);
    result.append(page.substr(pos, at - pos));
    result += OpenLoop(*entry, lines, lineEnd);
    pos = at + 1 + length + 2;
    at = pos - 1;
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
    if (HoldsPreparedValues(text)) return true;
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
