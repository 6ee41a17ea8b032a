#include "K7QPreviewMacro.h"

#include <algorithm>

#include "K7QBldCp932.h"
#include "K7QBldGroceries.h"
#include "K7QPreviewText.h"

namespace {

using K7QPreviewText::Trim;
using K7QPreviewText::Upper;

// How far an argument list or a condition may reach.
constexpr std::size_t kMaxParenScan = 8192;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsWordStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsWordChar(char c) { return IsWordStart(c) || (c >= '0' && c <= '9'); }

// A plain name as an argument: letters, digits, "_", "." and Japanese, not a number.
bool IsBareName(std::string_view text) {
  if (text.empty() || (text[0] >= '0' && text[0] <= '9')) return false;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = K7QCp932::CharLength(text, i);
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (len == 1 && !IsWordChar(text[i]) && text[i] != '.' && !(c >= 0xA1 && c <= 0xDF))
      return false;
    i += len;
  }
  return true;
}

// Builder-written statements are broken after a comma or a blank and join
// back without anything between; a line that ends otherwise was broken by a
// person, and its line end separates words.
std::string JoinSqlLines(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  std::size_t start = 0;
  while (start <= raw.size()) {
    std::size_t end = raw.find('\n', start);
    if (end == std::string_view::npos) end = raw.size();
    std::string_view line = raw.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!Trim(line).empty()) {
      if (!out.empty() && out.back() != ',' && out.back() != ' ') out += ' ';
      out.append(line);
    }
    start = end + 1;
  }
  return std::string(Trim(out));
}

bool IsMessageCode(std::string_view code) {
  if (CK7QBldGroceries::EqualNoCase(code, "+default") ||
      CK7QBldGroceries::EqualNoCase(code, "-default"))
    return true;
  std::size_t i = (!code.empty() && (code[0] == '+' || code[0] == '-')) ? 1 : 0;
  if (i == code.size()) return false;
  for (; i < code.size(); ++i) {
    if (code[i] < '0' || code[i] > '9') return false;
  }
  return true;
}

}  // namespace

class CK7QPreviewMacro::CParser {
 public:
  enum class Stop { End, Close, Else, Endif, Row };

  CParser(std::string_view text, CK7QPreviewMacro* macro) : m_text(text), m_macro(macro) {}

  void ParseTop();
  Stop ParseNodes(K7QPreviewNodes& out, bool inIf, bool allowRow);

 private:
  void Issue(unsigned id, std::string_view detail) {
    if (m_macro) m_macro->m_issues.push_back({id, K7QPreviewText::Excerpt(detail)});
  }

  // The word of letters, digits and "_" at `pos` (empty when none).
  std::string_view WordAt(std::size_t pos) const {
    std::size_t end = pos;
    while (end < m_text.size() && IsWordChar(m_text[end])) ++end;
    return m_text.substr(pos, end - pos);
  }
  std::size_t SkipBlanks(std::size_t pos) const {
    while (pos < m_text.size() && IsBlank(m_text[pos])) ++pos;
    return pos;
  }
  std::size_t LineEnd(std::size_t pos) const {
    const std::size_t nl = m_text.find('\n', pos);
    return nl == std::string_view::npos ? m_text.size() : nl;
  }
  bool At(std::size_t pos, std::string_view s) const { return m_text.substr(pos, s.size()) == s; }
  bool KeywordAt(std::size_t percent, std::string_view upperWord) const {
    return Upper(WordAt(percent + 1)) == upperWord;
  }

  // Whether [start, end) stands alone on its line; then `lineStart` is where
  // its line begins and `next` where the following line does.
  bool Alone(std::size_t start, std::size_t end, std::size_t& lineStart, std::size_t& next) const;
  // Moves past a directive at [start, end): with its whole line when it stands
  // alone there (dropping the blanks before it from `pending`).
  void TakeDirective(std::string& pending, std::size_t start, std::size_t end);
  // The ")" matching the "(" at `open`, on the same line, quotes respected.
  std::size_t MatchParen(std::size_t open) const;
  // The end of a block whose "{" ends just before `pos`: after its "%}".
  std::size_t SkipBlock(std::size_t pos) const;
  // For "%WORD" at `percent` followed by "(...)" and/or "{": the construct's end, or npos.
  std::size_t ConstructEnd(std::size_t percent) const;

  // `stop` is End when reading goes on after the %ENDIF, else what ended the
  // enclosing block inside the unclosed %IF.
  void ParseIf(K7QPreviewNodes& out, std::string& pending, Stop& stop);
  bool ParseCall(K7QPreviewNodes& out, std::string& pending);
  void ParseExec(K7QPreviewNodes& out);
  std::vector<CK7QPreviewArg> SplitArgs(std::string_view text) const;

  void SkipComment();
  void ParseDefineBlock();
  void ParseDefineLine(std::string_view line);
  void ParseFunction(std::size_t percent);
  void ParseReport(CK7QPreviewFunction& function);
  void ParseMessageBlock(std::vector<CK7QBldMessageItem>& items);
  void ParseMessageLine(std::string_view line, std::vector<CK7QBldMessageItem>& items);
  void ParseSection(std::size_t percent);
  // Moves past the "{" that opens a block at `brace`, with the rest of its line when blank.
  void OpenBlock(std::size_t brace);

  std::string_view m_text;
  std::size_t m_pos = 0;
  CK7QPreviewMacro* m_macro;
};

bool CK7QPreviewMacro::CParser::Alone(std::size_t start, std::size_t end, std::size_t& lineStart,
                                      std::size_t& next) const {
  std::size_t i = start;
  // Blanks and line feeds are below 0x40, so never the second byte of a character.
  while (i > 0 && IsBlank(m_text[i - 1])) --i;
  if (i > 0 && m_text[i - 1] != '\n') return false;
  std::size_t j = end;
  while (j < m_text.size() && (IsBlank(m_text[j]) || m_text[j] == '\r')) ++j;
  if (j < m_text.size() && m_text[j] != '\n') return false;
  lineStart = i;
  next = j < m_text.size() ? j + 1 : j;
  return true;
}

void CK7QPreviewMacro::CParser::TakeDirective(std::string& pending, std::size_t start,
                                              std::size_t end) {
  std::size_t lineStart = 0;
  std::size_t next = 0;
  if (!Alone(start, end, lineStart, next)) {
    m_pos = end;
    return;
  }
  std::size_t blanks = start - lineStart;
  while (blanks > 0 && !pending.empty() && IsBlank(pending.back())) {
    pending.pop_back();
    --blanks;
  }
  m_pos = next;
}

std::size_t CK7QPreviewMacro::CParser::MatchParen(std::size_t open) const {
  // Within the line and a few kilobytes: a long line full of unmatched "("
  // must not make reading quadratic.
  const std::size_t limit = std::min(LineEnd(open), open + kMaxParenScan);
  int depth = 0;
  bool quoted = false;
  for (std::size_t i = open; i < limit; ++i) {
    const char c = m_text[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == '(') {
      ++depth;
    } else if (!quoted && c == ')' && --depth == 0) {
      return i;
    }
  }
  return std::string_view::npos;
}

std::size_t CK7QPreviewMacro::CParser::SkipBlock(std::size_t pos) const {
  int depth = 1;
  while (pos < m_text.size()) {
    const std::size_t percent = m_text.find('%', pos);
    if (percent == std::string_view::npos || percent + 1 >= m_text.size()) break;
    const char next = m_text[percent + 1];
    if (next == '}') {
      if (--depth == 0) return percent + 2;
      pos = percent + 2;
    } else if (next == '{') {
      ++depth;
      pos = percent + 2;
    } else if (const std::size_t end = ConstructEnd(percent);
               end != std::string_view::npos && m_text[end - 1] == '{') {
      ++depth;
      pos = end;
    } else {
      pos = percent + 1;
    }
  }
  return m_text.size();
}

std::size_t CK7QPreviewMacro::CParser::ConstructEnd(std::size_t percent) const {
  const std::string_view word = WordAt(percent + 1);
  if (word.empty() || !IsWordStart(word[0])) return std::string_view::npos;
  std::size_t p = SkipBlanks(percent + 1 + word.size());
  if (p < m_text.size() && m_text[p] == '(') {
    const std::size_t close = MatchParen(p);
    if (close == std::string_view::npos) return std::string_view::npos;
    const std::size_t brace = SkipBlanks(close + 1);
    return (brace < m_text.size() && m_text[brace] == '{') ? brace + 1 : close + 1;
  }
  return (p < m_text.size() && m_text[p] == '{') ? p + 1 : std::string_view::npos;
}

CK7QPreviewMacro::CParser::Stop CK7QPreviewMacro::CParser::ParseNodes(K7QPreviewNodes& out,
                                                                      bool inIf, bool allowRow) {
  std::string pending;
  const auto flush = [&] {
    if (pending.empty()) return;
    CK7QPreviewNode node;
    node.text = std::move(pending);
    out.push_back(std::move(node));
    pending.clear();
  };
  const auto unknown = [&](unsigned reason, std::size_t start, std::size_t end) {
    flush();
    CK7QPreviewNode node;
    node.kind = CK7QPreviewNode::Kind::Unknown;
    node.reason = reason;
    node.text = std::string(m_text.substr(start, end - start));
    out.push_back(std::move(node));
    m_pos = end;
  };
  while (m_pos < m_text.size()) {
    const std::size_t start = m_pos;
    const char c = m_text[start];
    if (K7QCp932::CharLength(m_text, start) == 2) {
      pending.append(m_text.substr(start, 2));
      m_pos += 2;
      continue;
    }
    if (c == '%' && start + 1 < m_text.size()) {
      const char d = m_text[start + 1];
      if (d == '}') {
        TakeDirective(pending, start, start + 2);
        flush();
        return Stop::Close;
      }
      if (d == '{') {
        const std::size_t close = K7QCp932::Find(m_text, "%}", start + 2);
        if (close == std::string_view::npos) {
          unknown(kIdsPreviewUnclosedBlock, start, m_text.size());
          continue;
        }
        TakeDirective(pending, start, close + 2);
        continue;
      }
      const std::string_view word = WordAt(start + 1);
      const std::string upper = Upper(word);
      if (upper == "IF" && m_text.substr(SkipBlanks(start + 3), 1) == "(") {
        Stop stop = Stop::End;
        ParseIf(out, pending, stop);
        if (stop != Stop::End) return stop;
        if (m_pos >= m_text.size()) return Stop::End;
        continue;
      }
      if (upper == "ELSE" || upper == "ENDIF") {
        const std::size_t end = start + 1 + word.size();
        if (!inIf) {
          unknown(kIdsPreviewStrayElse, start, end);
          continue;
        }
        TakeDirective(pending, start, end);
        flush();
        return upper == "ELSE" ? Stop::Else : Stop::Endif;
      }
      if (upper == "EXEC") {
        flush();
        ParseExec(out);
        continue;
      }
      const std::size_t end = ConstructEnd(start);
      if (end != std::string_view::npos) {
        if (upper == "ROW" && allowRow && m_text[end - 1] == '{') {
          TakeDirective(pending, start, end);
          flush();
          return Stop::Row;
        }
        // Only upper-case words make constructs, so "100%off(...)" stays text.
        if (word == upper) {
          unknown(kIdsPreviewUnknownConstruct, start,
                  m_text[end - 1] == '{' ? SkipBlock(end) : end);
          continue;
        }
      }
    } else if (c == '$') {
      std::size_t end = 0;
      const std::string_view name = K7QPreviewText::ReferenceAt(m_text, start, end);
      if (!name.empty()) {
        flush();
        CK7QPreviewNode node;
        node.kind = CK7QPreviewNode::Kind::Variable;
        node.offset = start;
        node.text = std::string(name);
        node.key = Upper(name);
        out.push_back(std::move(node));
        m_pos = end;
        continue;
      }
    } else if (c == '@' && ParseCall(out, pending)) {
      continue;
    }
    pending += c;
    ++m_pos;
  }
  flush();
  return Stop::End;
}

void CK7QPreviewMacro::CParser::ParseIf(K7QPreviewNodes& out, std::string& pending, Stop& stop) {
  const std::size_t start = m_pos;
  const std::size_t open = SkipBlanks(start + 3);
  const std::size_t close = MatchParen(open);
  CK7QPreviewNode node;
  node.kind = CK7QPreviewNode::Kind::If;
  if (close == std::string_view::npos) {
    // The condition runs on to the end of the line; the interpreter reports it.
    const std::size_t end = LineEnd(open);
    node.text = std::string(m_text.substr(open, end - open));
    TakeDirective(pending, start, end);
  } else {
    node.text = std::string(m_text.substr(open + 1, close - open - 1));
    TakeDirective(pending, start, close + 1);
  }
  if (!pending.empty()) {
    CK7QPreviewNode text;
    text.text = std::move(pending);
    out.push_back(std::move(text));
    pending.clear();
  }
  Stop inner = ParseNodes(node.then, true, false);
  while (inner == Stop::Else) {
    inner = ParseNodes(node.otherwise, true, false);
    if (inner == Stop::Else) {
      CK7QPreviewNode stray;
      stray.kind = CK7QPreviewNode::Kind::Unknown;
      stray.reason = kIdsPreviewStrayElse;
      stray.text = "%ELSE";
      node.otherwise.push_back(std::move(stray));
    }
  }
  node.closed = inner == Stop::Endif;
  out.push_back(std::move(node));
  // Without its %ENDIF the block's "%}" (or the text's end) that the branch
  // met ends the enclosing block too.
  stop = inner == Stop::Endif ? Stop::End : inner;
}

bool CK7QPreviewMacro::CParser::ParseCall(K7QPreviewNodes& out, std::string& pending) {
  const std::size_t start = m_pos;
  const std::size_t nameStart = start + 1;
  if (nameStart >= m_text.size() || !IsWordStart(m_text[nameStart])) return false;
  const std::string_view name = WordAt(nameStart);
  const std::size_t open = nameStart + name.size();
  if (open >= m_text.size() || m_text[open] != '(') return false;
  const std::size_t close = MatchParen(open);
  if (close == std::string_view::npos) return false;
  CK7QPreviewNode node;
  node.kind = CK7QPreviewNode::Kind::Call;
  node.offset = start;
  node.text = std::string(name);
  node.args = SplitArgs(m_text.substr(open + 1, close - open - 1));
  std::size_t lineStart = 0;
  std::size_t next = 0;
  m_pos = close + 1;
  if (Alone(start, close + 1, lineStart, next)) {
    const std::size_t blanks = std::min(start - lineStart, pending.size());
    node.lead = pending.substr(pending.size() - blanks);
    pending.resize(pending.size() - blanks);
    node.trail = std::string(m_text.substr(close + 1, next - close - 1));
    m_pos = next;
  }
  if (!pending.empty()) {
    CK7QPreviewNode text;
    text.text = std::move(pending);
    out.push_back(std::move(text));
    pending.clear();
  }
  out.push_back(std::move(node));
  return true;
}

std::vector<CK7QPreviewArg> CK7QPreviewMacro::CParser::SplitArgs(std::string_view text) const {
  std::vector<CK7QPreviewArg> args;
  if (Trim(text).empty()) return args;
  std::size_t start = 0;
  int depth = 0;
  bool quoted = false;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ',';
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == '(') {
      ++depth;
    } else if (!quoted && c == ')') {
      --depth;
    } else if ((!quoted && depth == 0 && c == ',') || i == text.size()) {
      CK7QPreviewArg arg;
      arg.raw = std::string(Trim(text.substr(start, i - start)));
      if (arg.raw.size() >= 2 && arg.raw.front() == '"' && arg.raw.back() == '"') {
        arg.quoted = true;
        arg.nodes = ParseInline(std::string_view(arg.raw).substr(1, arg.raw.size() - 2));
      } else if (IsBareName(arg.raw)) {
        arg.bare = true;
      } else {
        arg.nodes = ParseInline(arg.raw);
      }
      args.push_back(std::move(arg));
      start = i + 1;
    }
  }
  return args;
}

void CK7QPreviewMacro::CParser::ParseExec(K7QPreviewNodes& out) {
  const std::size_t start = m_pos;
  const std::size_t p = SkipBlanks(start + 5);
  std::size_t end = start + 5;
  if (p < m_text.size() && m_text[p] == '"') {
    const std::size_t line = LineEnd(p);
    const std::size_t quote = m_text.substr(0, line).rfind('"');
    end = quote > p ? quote + 1 : line;
  } else if (p < m_text.size() && m_text[p] == '{') {
    end = SkipBlock(p + 1);
  }
  CK7QPreviewNode node;
  node.kind = CK7QPreviewNode::Kind::Exec;
  node.text = std::string(m_text.substr(start, end - start));
  out.push_back(std::move(node));
  m_pos = end;
}

void CK7QPreviewMacro::CParser::OpenBlock(std::size_t brace) {
  std::size_t j = brace + 1;
  while (j < m_text.size() && (IsBlank(m_text[j]) || m_text[j] == '\r')) ++j;
  m_pos = (j < m_text.size() && m_text[j] == '\n') ? j + 1 : brace + 1;
}

void CK7QPreviewMacro::CParser::SkipComment() {
  const std::size_t close = K7QCp932::Find(m_text, "%}", m_pos + 2);
  if (close == std::string_view::npos) {
    Issue(kIdsPreviewUnclosedBlock, m_text.substr(m_pos));
    m_pos = m_text.size();
    return;
  }
  m_pos = close + 2;
}

void CK7QPreviewMacro::CParser::ParseTop() {
  while (m_pos < m_text.size()) {
    if (IsSpace(m_text[m_pos])) {
      ++m_pos;
      continue;
    }
    const std::size_t start = m_pos;
    if (At(start, "%{")) {
      SkipComment();
      continue;
    }
    if (m_text[start] == '%') {
      const std::string upper = Upper(WordAt(start + 1));
      const std::size_t after = SkipBlanks(start + 1 + upper.size());
      const bool brace = after < m_text.size() && m_text[after] == '{';
      if (upper == "DEFINE") {
        if (brace) {
          OpenBlock(after);
          ParseDefineBlock();
        } else {
          const std::size_t end = LineEnd(after);
          ParseDefineLine(m_text.substr(after, end - after));
          m_pos = end;
        }
        continue;
      }
      if (upper == "FUNCTION") {
        ParseFunction(start);
        continue;
      }
      if (upper == "HTML") {
        ParseSection(start);
        continue;
      }
      if (upper == "MESSAGE" && brace && m_macro) {
        OpenBlock(after);
        ParseMessageBlock(m_macro->m_messages);
        continue;
      }
      const std::size_t end = ConstructEnd(start);
      if (end != std::string_view::npos) {
        const std::size_t stop = m_text[end - 1] == '{' ? SkipBlock(end) : end;
        Issue(kIdsPreviewUnknownConstruct, m_text.substr(start, stop - start));
        m_pos = stop;
        continue;
      }
    }
    const std::size_t end = LineEnd(start);
    Issue(kIdsPreviewTextOutside, m_text.substr(start, end - start));
    m_pos = end;
  }
}

void CK7QPreviewMacro::CParser::ParseDefineBlock() {
  while (m_pos < m_text.size()) {
    const std::size_t end = LineEnd(m_pos);
    const std::string_view line = Trim(m_text.substr(m_pos, end - m_pos));
    if (line.substr(0, 2) == "%}") {
      m_pos = m_pos + m_text.substr(m_pos, end - m_pos).find("%}") + 2;
      return;
    }
    if (!line.empty()) ParseDefineLine(line);
    m_pos = end + 1;
  }
  m_pos = m_text.size();
  Issue(kIdsPreviewUnclosedBlock, "%DEFINE{");
}

void CK7QPreviewMacro::CParser::ParseDefineLine(std::string_view line) {
  line = Trim(line);
  const std::size_t eq = line.find('=');
  const std::string_view name = eq == std::string_view::npos ? "" : Trim(line.substr(0, eq));
  if (name.empty() || !m_macro) {
    Issue(kIdsPreviewBadDefineLine, line);
    return;
  }
  CK7QPreviewDefine define;
  define.name = std::string(name);
  std::string_view rest = Trim(line.substr(eq + 1));
  if (Upper(rest.substr(0, 5)) == "%EXEC") {
    define.command = true;
    rest = Trim(rest.substr(5));
  }
  const std::size_t last = rest.rfind('"');
  if (!rest.empty() && rest.front() == '"' && last > 0 && last != std::string_view::npos) {
    define.value = std::string(rest.substr(1, last - 1));
  } else {
    define.value = std::string(rest);
  }
  define.nodes = ParseInline(define.value);
  const std::string key = Upper(define.name);
  auto [it, added] = m_macro->m_defineIndex.emplace(key, m_macro->m_defines.size());
  if (added) {
    m_macro->m_defines.push_back(std::move(define));
  } else {
    m_macro->m_defines[it->second] = std::move(define);
  }
}

void CK7QPreviewMacro::CParser::ParseFunction(std::size_t percent) {
  CK7QPreviewFunction function;
  const std::size_t open = SkipBlanks(percent + 9);
  const std::size_t close =
      open < m_text.size() && m_text[open] == '(' ? MatchParen(open) : std::string_view::npos;
  const std::size_t line = LineEnd(percent);
  const std::size_t paren = close == std::string_view::npos ? line : m_text.find('(', close + 1);
  const std::size_t paramsEnd = paren < line ? MatchParen(paren) : std::string_view::npos;
  const std::size_t brace = paramsEnd == std::string_view::npos ? line : SkipBlanks(paramsEnd + 1);
  if (brace >= line || m_text[brace] != '{') {
    const std::size_t end = ConstructEnd(percent);
    const std::size_t stop =
        end != std::string_view::npos && m_text[end - 1] == '{' ? SkipBlock(end) : line;
    Issue(kIdsPreviewUnknownConstruct, m_text.substr(percent, stop - percent));
    m_pos = stop;
    return;
  }
  function.offset = percent;
  function.kind = std::string(Trim(m_text.substr(open + 1, close - open - 1)));
  function.name = std::string(Trim(m_text.substr(close + 1, paren - close - 1)));
  function.params = std::string(Trim(m_text.substr(paren + 1, paramsEnd - paren - 1)));
  OpenBlock(brace);
  std::string sql;
  bool closed = false;
  while (m_pos < m_text.size() && !closed) {
    const std::size_t start = m_pos;
    const std::size_t len = K7QCp932::CharLength(m_text, start);
    if (len == 2 || m_text[start] != '%') {
      sql.append(m_text.substr(start, len));
      m_pos += len;
      continue;
    }
    if (At(start, "%}")) {
      std::size_t lineStart = 0;
      std::size_t next = 0;
      m_pos = Alone(start, start + 2, lineStart, next) ? next : start + 2;
      closed = true;
    } else if (At(start, "%{")) {
      SkipComment();
    } else if (KeywordAt(start, "MESSAGE") && At(SkipBlanks(start + 8), "{")) {
      OpenBlock(SkipBlanks(start + 8));
      ParseMessageBlock(function.messages);
    } else if (KeywordAt(start, "REPORT") && At(SkipBlanks(start + 7), "{")) {
      OpenBlock(SkipBlanks(start + 7));
      ParseReport(function);
    } else {
      // Anything else is SQL text, a LIKE pattern's "%" included.
      sql += '%';
      ++m_pos;
    }
  }
  if (!closed) Issue(kIdsPreviewUnclosedBlock, "%FUNCTION(" + function.kind + ")" + function.name);
  function.sql = JoinSqlLines(sql);
  if (!m_macro) return;
  const std::string key = Upper(function.name);
  auto [it, added] = m_macro->m_functionIndex.emplace(key, m_macro->m_functions.size());
  if (added) {
    m_macro->m_functions.push_back(std::move(function));
  } else {
    m_macro->m_functions[it->second] = std::move(function);
  }
}

void CK7QPreviewMacro::CParser::ParseReport(CK7QPreviewFunction& function) {
  function.hasReport = true;
  Stop stop = ParseNodes(function.header, false, true);
  if (stop == Stop::Row) {
    function.hasRow = true;
    stop = ParseNodes(function.row, false, false);
    if (stop == Stop::Close) stop = ParseNodes(function.footer, false, false);
  }
  if (stop != Stop::Close) Issue(kIdsPreviewUnclosedBlock, "%REPORT{ (" + function.name + ")");
}

void CK7QPreviewMacro::CParser::ParseMessageBlock(std::vector<CK7QBldMessageItem>& items) {
  while (m_pos < m_text.size()) {
    const std::size_t end = LineEnd(m_pos);
    const std::string_view line = Trim(m_text.substr(m_pos, end - m_pos));
    if (line.substr(0, 2) == "%}") {
      m_pos = m_pos + m_text.substr(m_pos, end - m_pos).find("%}") + 2;
      OpenBlock(m_pos - 1);
      return;
    }
    if (!line.empty()) ParseMessageLine(line, items);
    m_pos = end + 1;
  }
  m_pos = m_text.size();
  Issue(kIdsPreviewUnclosedBlock, "%MESSAGE{");
}

void CK7QPreviewMacro::CParser::ParseMessageLine(std::string_view line,
                                                 std::vector<CK7QBldMessageItem>& items) {
  // CODE: "TEXT": ACTION. The text may hold colons of its own.
  const std::size_t first = line.find(':');
  const std::size_t last = line.rfind(':');
  if (first == std::string_view::npos || first == last) {
    Issue(kIdsPreviewBadMessageLine, line);
    return;
  }
  CK7QBldMessageItem item;
  item.code = std::string(Trim(line.substr(0, first)));
  std::string_view text = Trim(line.substr(first + 1, last - first - 1));
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = text.substr(1, text.size() - 2);
  item.text = std::string(text);
  const std::string_view action = Trim(line.substr(last + 1));
  if (!IsMessageCode(item.code)) {
    Issue(kIdsPreviewBadMessageLine, line);
    return;
  }
  if (CK7QBldGroceries::EqualNoCase(action, "exit")) {
    item.action = kMessageActionExit;
  } else if (CK7QBldGroceries::EqualNoCase(action, "continue")) {
    item.action = kMessageActionContinue;
  } else {
    Issue(kIdsPreviewBadMessageLine, line);
    return;
  }
  for (CK7QBldMessageItem& existing : items) {
    if (CK7QBldGroceries::EqualNoCase(existing.code, item.code)) {
      existing = std::move(item);
      return;
    }
  }
  items.push_back(std::move(item));
}

void CK7QPreviewMacro::CParser::ParseSection(std::size_t percent) {
  const std::size_t open = SkipBlanks(percent + 5);
  const std::size_t close =
      open < m_text.size() && m_text[open] == '(' ? MatchParen(open) : std::string_view::npos;
  const std::size_t brace = close == std::string_view::npos ? open : SkipBlanks(close + 1);
  if (close == std::string_view::npos || brace >= m_text.size() || m_text[brace] != '{') {
    const std::size_t end = ConstructEnd(percent);
    const std::size_t stop =
        end != std::string_view::npos && m_text[end - 1] == '{' ? SkipBlock(end) : LineEnd(percent);
    Issue(kIdsPreviewUnknownConstruct, m_text.substr(percent, stop - percent));
    m_pos = stop;
    return;
  }
  CK7QPreviewSection section;
  section.name = std::string(Trim(m_text.substr(open + 1, close - open - 1)));
  OpenBlock(brace);
  if (ParseNodes(section.nodes, false, false) != Stop::Close)
    Issue(kIdsPreviewUnclosedBlock, "%HTML(" + section.name + ")");
  if (m_macro) m_macro->m_sections.push_back(std::move(section));
}

CK7QPreviewMacro CK7QPreviewMacro::Parse(std::string_view text) {
  CK7QPreviewMacro macro;
  CParser parser(text, &macro);
  parser.ParseTop();
  return macro;
}

K7QPreviewNodes CK7QPreviewMacro::ParseInline(std::string_view text) {
  K7QPreviewNodes nodes;
  CParser parser(text, nullptr);
  // A "%}" inside a piece of text closes nothing: it is text.
  while (parser.ParseNodes(nodes, false, false) == CParser::Stop::Close) {
    CK7QPreviewNode close;
    close.text = "%}";
    nodes.push_back(std::move(close));
  }
  return nodes;
}

const CK7QPreviewDefine* CK7QPreviewMacro::FindDefine(std::string_view name) const {
  const auto it = m_defineIndex.find(Upper(name));
  return it == m_defineIndex.end() ? nullptr : &m_defines[it->second];
}

const CK7QPreviewFunction* CK7QPreviewMacro::FindFunction(std::string_view name) const {
  const auto it = m_functionIndex.find(Upper(name));
  return it == m_functionIndex.end() ? nullptr : &m_functions[it->second];
}

const CK7QPreviewSection* CK7QPreviewMacro::FindSection(std::string_view name) const {
  for (auto it = m_sections.rbegin(); it != m_sections.rend(); ++it) {
    if (CK7QBldGroceries::EqualNoCase(it->name, name)) return &*it;
  }
  return nullptr;
}
