#include "K7QBldDDBlock.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldHtmlScanner.h"
#include "K7QBldNameKey.h"

namespace {

constexpr std::string_view kObjectOpen = "<!-- Object ";
constexpr std::string_view kStartWord = " Start";
constexpr std::string_view kCommentClose = "-->";

// An object comment taken apart.
struct ParsedComment {
  std::string number;
  int kind = -1;
  std::string variable;
  std::string value;
  std::string replacement;
  std::string note;
};

// Parses "<!-- Object N Start ... KIND,VARIABLE,VALUE,REPLACEMENT,NOTE ... -->"
// (`comment` runs through the "-->"). The note is the rest after the fourth
// comma, so a note may hold commas.
bool ParseComment(std::string_view comment, ParsedComment& parsed) {
  if (comment.substr(0, kObjectOpen.size()) != kObjectOpen) return false;
  const std::size_t numberEnd = K7QCp932::Find(comment, ' ', kObjectOpen.size());
  if (numberEnd == std::string_view::npos || numberEnd == kObjectOpen.size()) return false;
  if (comment.substr(numberEnd, kStartWord.size()) != kStartWord) return false;
  parsed.number.assign(comment.substr(kObjectOpen.size(), numberEnd - kObjectOpen.size()));
  const std::size_t fieldsAt = numberEnd + kStartWord.size();
  const std::string_view fields =
      comment.substr(fieldsAt, comment.size() - kCommentClose.size() - fieldsAt);
  std::string_view parts[5];
  std::size_t from = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t comma = K7QCp932::Find(fields, ',', from);
    if (comma == std::string_view::npos) return false;
    parts[i] = fields.substr(from, comma - from);
    from = comma + 1;
  }
  parts[4] = fields.substr(from);
  const std::string kind = CK7QBldGroceries::Trim(parts[0]);
  if (kind == "0") {
    parsed.kind = kPageObjectBackground;
  } else if (kind == "1") {
    parsed.kind = kPageObjectText;
  } else if (kind == "2") {
    parsed.kind = kPageObjectImage;
  } else {
    return false;
  }
  parsed.variable = CK7QBldGroceries::Trim(parts[1]);
  parsed.value = CK7QBldGroceries::Trim(parts[2]);
  // The replacement text and the note are kept as typed, blanks and all;
  // only the line end the writer put before "-->" goes.
  parsed.replacement.assign(parts[3]);
  std::string_view note = parts[4];
  if (!note.empty() && note.back() == '\n') note.remove_suffix(1);
  if (!note.empty() && note.back() == '\r') note.remove_suffix(1);
  parsed.note.assign(note);
  return true;
}

std::string EndMarker(const std::string& number) {
  return std::string(kObjectOpen) + number + " End -->";
}

// Length of the text from `from` through the first line feed (all of it when none).
std::size_t RestOfLine(std::string_view text, std::size_t from) {
  const std::size_t lf = text.find('\n', from);
  return lf == std::string_view::npos ? text.size() - from : lf + 1 - from;
}

// Length of the text that stood between the author's cell and the object
// comment, taken from the front of `text` at `from`. The writer puts the
// comment on a line of its own after the cell's line, so that text ends in a
// line feed and the comment's own line end follows it: the first non-empty
// piece ending in a line feed that is followed by a line end (or the end of
// the text). Searching stops at `limit` (the next object comment), where the
// rest of the line is taken instead.
std::size_t AfterLength(std::string_view text, std::size_t from, std::size_t limit) {
  for (std::size_t lf = text.find('\n', from); lf != std::string_view::npos && lf < limit;
       lf = text.find('\n', lf + 1)) {
    const std::size_t next = lf + 1;
    if (next >= text.size() || text[next] == '\n' ||
        (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n'))
      return next - from;
  }
  return RestOfLine(text, from);
}

// The last complete table cell of `line` (any letter case and attributes)
// that shows "$(V_" VARIABLE ")": its start and end in `line`; false when none.
bool FindCell(std::string_view line, std::string_view variable, std::size_t& begin,
              std::size_t& end) {
  const std::string shown = "$(V_" + std::string(variable) + ")";
  CK7QBldHtmlScanner scanner(line);
  K7QHtmlTag tag;
  std::size_t open = std::string_view::npos;
  bool found = false;
  while (scanner.Next(tag)) {
    if (tag.IsStart("td")) {
      open = tag.begin;
    } else if (tag.IsEnd("td") && open != std::string_view::npos) {
      if (K7QCp932::Find(line.substr(open, tag.end - open), shown) != std::string_view::npos) {
        begin = open;
        end = tag.end;
        found = true;
      }
      open = std::string_view::npos;
    }
  }
  return found;
}

}  // namespace

int CK7QBldDDBlock::AddOrReplace(int kind, const std::string& value, const std::string& replacement,
                                 const std::string& function, const std::string& table,
                                 const std::string& column, const std::string& note) {
  try {
    CK7QBldPageObject object{kind, value, replacement, function, table, column, note, -1};
    const int found = Find(function);
    if (found >= 0) {
      m_objects[static_cast<std::size_t>(found)] = std::move(object);
      return found;
    }
    std::string key = K7QBldNameKey(function);
    m_objects.push_back(std::move(object));
    try {
      m_index.emplace(std::move(key), GetCount() - 1);
    } catch (const std::bad_alloc&) {
      m_objects.pop_back();
      throw;
    }
    return GetCount() - 1;
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return -1;
  }
}

bool CK7QBldDDBlock::IsImageFileName(std::string_view name) {
  if (name.size() <= 4) return false;
  for (char c : std::string_view("\\/,;*?\"<>|")) {
    if (K7QCp932::Find(name, c) != std::string_view::npos) return false;
  }
  const std::string_view extension = name.substr(name.size() - 4);
  return CK7QBldGroceries::EqualNoCase(extension, ".gif") ||
         CK7QBldGroceries::EqualNoCase(extension, ".bmp") ||
         CK7QBldGroceries::EqualNoCase(extension, ".jpg");
}

unsigned CK7QBldDDBlock::CheckFields(int kind, std::string_view value, std::string_view replacement,
                                     std::string_view note) {
  // All of them are below 0x40, so never the trail byte of a double-byte character.
  const auto holds = [](std::string_view text, std::string_view chars) {
    for (char c : chars) {
      if (K7QCp932::Find(text, c) != std::string_view::npos) return true;
    }
    return K7QCp932::Find(text, kCommentClose) != std::string_view::npos;
  };
  if (holds(value, ",\"\r\n")) return kIdsObjectValueRefused;
  if (kind == kPageObjectBackground && holds(replacement, ",'\r\n")) return kIdsObjectPathRefused;
  if (holds(replacement, ",\r\n")) return kIdsObjectTextRefused;
  if (holds(note, "\r\n")) return kIdsObjectNoteRefused;
  return 0;
}

int CK7QBldDDBlock::Find(const std::string& function) const {
  const auto it = m_index.find(K7QBldNameKey(function));
  return it == m_index.end() ? -1 : it->second;
}

void CK7QBldDDBlock::RebuildIndex() {
  m_index.clear();
  for (std::size_t i = 0; i < m_objects.size(); ++i) {
    // The first object of a name is the one Find has always given.
    m_index.emplace(K7QBldNameKey(m_objects[i].function), static_cast<int>(i));
  }
}

const CK7QBldPageObject* CK7QBldDDBlock::GetAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return &m_objects[static_cast<std::size_t>(index)];
}

std::string CK7QBldDDBlock::GetObjectComment(const std::string& function,
                                             const std::string& variable,
                                             const std::string& imagePath) const {
  const int i = Find(function);
  if (i < 0) return {};
  const CK7QBldPageObject& object = m_objects[static_cast<std::size_t>(i)];
  if (!CK7QBldGroceries::EqualNoCase(object.column, variable)) return {};
  std::string replacement = object.replacement;
  if (object.kind == kPageObjectImage) {
    replacement = imagePath + "/" + object.replacement;
    CK7QBldGroceries::CollapseRepeats(replacement, '/');
  }
  std::string out = "<!-- Object ";
  out += std::to_string(i);
  out += " Start\n";
  out += std::to_string(object.kind);
  out += ',';
  out += variable;
  out += ',';
  out += object.value;
  out += ',';
  out += replacement;
  out += ',';
  // A note of several lines keeps "\n" between them, which the text file
  // writes as CR LF and reading gives back as such.
  std::string note = object.note;
  CK7QBldGroceries::RemoveChars(note, "\r");
  out += note;
  out += "\n-->";
  return out;
}

std::string CK7QBldDDBlock::ObjectCommentForLine(const std::string& function, std::string_view line,
                                                 const std::string& imagePath) const {
  const int i = Find(function);
  if (i < 0) return {};
  const CK7QBldPageObject& object = m_objects[static_cast<std::size_t>(i)];
  constexpr std::string_view kOpen = "$(V_";
  for (std::size_t at = K7QCp932::Find(line, kOpen); at != std::string_view::npos;
       at = K7QCp932::Find(line, kOpen, at + kOpen.size())) {
    const std::size_t close = K7QCp932::Find(line, ')', at + kOpen.size());
    if (close == std::string_view::npos) break;
    const std::string variable(line.substr(at + kOpen.size(), close - at - kOpen.size()));
    if (CK7QBldGroceries::EqualNoCase(variable, object.column))
      return GetObjectComment(function, variable, imagePath);
  }
  return {};
}

bool CK7QBldDDBlock::IsObjectComment(std::string_view comment) {
  ParsedComment parsed;
  return ParseComment(comment, parsed);
}

std::string CK7QBldDDBlock::ExpandObjectComments(std::string_view text, std::string_view lineEnd) {
  if (K7QCp932::Find(text, kObjectOpen) == std::string_view::npos) return std::string(text);
  const std::string le(lineEnd);
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  std::size_t pos = 0;
  for (;;) {
    const std::size_t at = K7QCp932::Find(text, kObjectOpen, pos);
    if (at == std::string_view::npos) break;
    const std::size_t close = K7QCp932::Find(text, kCommentClose, at);
    if (close == std::string_view::npos) break;
    const std::size_t next = close + kCommentClose.size();
    const std::string_view comment = text.substr(at, next - at);
    ParsedComment parsed;
    if (!ParseComment(comment, parsed)) {
      out.append(text.substr(pos, next - pos));
      pos = next;
      continue;
    }

    // The cell the object replaces shows its variable on the line that the
    // comment follows; what stands after it on that line follows the
    // condition. A comment that does not begin a line has no cell.
    std::string_view prefix = text.substr(pos, at - pos);
    std::string_view cell;
    std::string_view after;
    if (at > pos && text[at - 1] == '\n') {
      const std::size_t lf = prefix.substr(0, prefix.size() - 1).rfind('\n');
      const std::size_t lineBegin = lf == std::string_view::npos ? 0 : lf + 1;
      const std::string_view line = prefix.substr(lineBegin);
      std::size_t cellBegin = 0;
      std::size_t cellEnd = 0;
      if (FindCell(line, parsed.variable, cellBegin, cellEnd)) {
        cell = line.substr(cellBegin, cellEnd - cellBegin);
        after = line.substr(cellEnd);
        prefix = prefix.substr(0, lineBegin + cellBegin);
      }
    }
    out.append(prefix);
    if (parsed.kind == kPageObjectBackground) out.append(cell);
    out += le;
    out.append(comment);
    out += le + "%IF( \"$(V_";
    out += parsed.variable;
    out += ")\" == \"";
    out += parsed.value;
    out += "\")" + le;
    switch (parsed.kind) {
      case kPageObjectBackground:
        out += "<script> document.bgColor='";
        out += parsed.replacement;
        out += "';</script>";
        break;
      case kPageObjectText:
        out += "<TD>";
        out += parsed.replacement;
        out += "</TD>" + le + "%ELSE" + le;
        out.append(cell);
        break;
      default:
        out += "<TD><IMG src=\"";
        out += parsed.replacement;
        out += "\"></TD>" + le + "%ELSE" + le;
        out.append(cell);
        break;
    }
    out += le + "%ENDIF" + le;
    out += EndMarker(parsed.number);
    out += le;
    out.append(after);
    pos = next;
  }
  out.append(text.substr(pos));
  return out;
}

bool CK7QBldDDBlock::ExpandObjectCommentsInFile(const std::string& path) const {
  try {
    const std::string text = K7QFile::ReadAll(path);
    if (K7QCp932::Find(text, kObjectOpen) == std::string::npos) return true;
    const std::string expanded = ExpandObjectComments(text);
    K7QFile::RewriteInPlace(
        path, CK7QBldGroceries::TemporaryName(path),
        [&expanded](CK7QBldTextWriter& out) { out.Write(expanded); }, true);
  } catch (const CK7QBldFileException& e) {
    m_groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    m_groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

std::string CK7QBldDDBlock::RevertObjectComments(std::string_view text,
                                                 const std::string& function) {
  if (K7QCp932::Find(text, kObjectOpen) == std::string_view::npos) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (;;) {
    const std::size_t at = K7QCp932::Find(text, kObjectOpen, pos);
    if (at == std::string_view::npos) break;
    const std::size_t close = K7QCp932::Find(text, kCommentClose, at);
    if (close == std::string_view::npos) break;
    const std::size_t next = close + kCommentClose.size();
    const std::string_view comment = text.substr(at, next - at);
    ParsedComment parsed;
    if (!ParseComment(comment, parsed)) {
      out.append(text.substr(pos, next - pos));
      pos = next;
      continue;
    }

    std::string replacement = parsed.replacement;
    if (parsed.kind == kPageObjectImage) {
      // The list keeps the bare file name; the prefix is added again on save.
      const std::size_t slash = K7QCp932::FindLast(replacement, '/');
      if (slash != std::string::npos) replacement.erase(0, slash + 1);
    }
    const int index = AddOrReplace(parsed.kind, parsed.value, replacement, function, {},
                                   parsed.variable, parsed.note);
    if (index >= 0) {
      m_objects[static_cast<std::size_t>(index)].savedNumber = std::atoi(parsed.number.c_str());
    }

    // Expanded with CR LF, or with the bare line feeds of an earlier builder.
    const std::string le = text.substr(next, 2) == "\r\n" ? "\r\n" : "\n";
    const std::string endMarker = EndMarker(parsed.number);
    const bool shaped = at >= pos + le.size() && text.substr(at - le.size(), le.size()) == le &&
                        text.substr(next, le.size() + 4) == le + "%IF(";
    const std::size_t endAt =
        shaped ? K7QCp932::Find(text, endMarker, next) : std::string_view::npos;
    if (endAt == std::string_view::npos) {
      out.append(text.substr(pos, next - pos));
      pos = next;
      continue;
    }

    // Expanded: [cell of kind 0] LE COMMENT LE "%IF(...)" LE ... END LE AFTER.
    const std::string_view before = text.substr(pos, at - le.size() - pos);
    std::string_view cell;
    if (parsed.kind != kPageObjectBackground) {
      const std::string elseMark = le + "%ELSE" + le;
      const std::string endIfMark = le + "%ENDIF" + le;
      const std::string_view inner = text.substr(next, endAt - next);
      const std::size_t elseAt = K7QCp932::Find(inner, elseMark);
      const std::size_t endIfAt = K7QCp932::FindLast(inner, endIfMark);
      if (elseAt != std::string_view::npos && endIfAt != std::string_view::npos &&
          endIfAt >= elseAt + elseMark.size()) {
        cell = inner.substr(elseAt + elseMark.size(), endIfAt - elseAt - elseMark.size());
      }
    }
    std::size_t rest = endAt + endMarker.size();
    if (text.substr(rest, le.size()) == le) rest += le.size();
    // Without a cell there was no text between it and the comment: the
    // comment began the line after the variable's.
    const bool hadCell = parsed.kind == kPageObjectBackground
                             ? !before.empty() && before.back() != '\n'
                             : !cell.empty();
    std::size_t afterLength = 0;
    if (hadCell) {
      std::size_t limit = K7QCp932::Find(text, kObjectOpen, rest);
      if (limit == std::string_view::npos) limit = text.size();
      afterLength = AfterLength(text, rest, limit);
    }
    out.append(before);
    out.append(cell);
    out.append(text.substr(rest, afterLength));
    out.append(comment);
    pos = rest + afterLength;
  }
  out.append(text.substr(pos));
  return out;
}

void CK7QBldDDBlock::SortBySavedNumber() {
  std::stable_sort(m_objects.begin(), m_objects.end(),
                   [](const CK7QBldPageObject& a, const CK7QBldPageObject& b) {
                     const int ka = a.savedNumber < 0 ? INT_MAX : a.savedNumber;
                     const int kb = b.savedNumber < 0 ? INT_MAX : b.savedNumber;
                     return ka < kb;
                   });
  RebuildIndex();
}
