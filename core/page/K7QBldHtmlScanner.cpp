#include "K7QBldHtmlScanner.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t FindByte(std::string_view text, char c, std::size_t from) { return text.find(c, from); }

enum class Parse { Tag, NotTag, Unclosed };

// Elements whose content is text up to their own end tag.
bool HoldsRawText(const K7QHtmlTag& tag) {
  return tag.kind == K7QHtmlTag::Kind::Start && !tag.selfClosing &&
         (tag.IsStart("script") || tag.IsStart("style"));
}

}  // namespace

bool K7QHtmlAttribute::Is(std::string_view lowerName) const {
  return CK7QBldHtmlScanner::EqualNoCase(name, lowerName);
}

std::string K7QHtmlAttribute::Text() const {
  std::string text = CK7QBldHtmlScanner::Decode(value);
  if (quote == 0 && text.size() >= 2 && text.front() == '"' && text.back() == '"')
    text = text.substr(1, text.size() - 2);
  return text;
}

bool K7QHtmlTag::IsStart(std::string_view lowerName) const {
  return kind == Kind::Start && CK7QBldHtmlScanner::EqualNoCase(name, lowerName);
}

bool K7QHtmlTag::IsEnd(std::string_view lowerName) const {
  return kind == Kind::End && CK7QBldHtmlScanner::EqualNoCase(name, lowerName);
}

const K7QHtmlAttribute* K7QHtmlTag::Find(std::string_view lowerName) const {
  for (const K7QHtmlAttribute& a : attributes) {
    if (a.Is(lowerName)) return &a;
  }
  return nullptr;
}

bool CK7QBldHtmlScanner::EqualNoCase(std::string_view a, std::string_view lowerB) {
  if (a.size() != lowerB.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != lowerB[i]) return false;
  }
  return true;
}

std::string CK7QBldHtmlScanner::Decode(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kNamed[] = {
      {"quot;", '"'}, {"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"apos;", '\''}};
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  for (std::size_t amp = FindByte(text, '&', 0); amp != npos; amp = FindByte(text, '&', pos)) {
    out.append(text, pos, amp - pos);
    pos = amp + 1;
    const std::string_view rest = text.substr(pos);
    bool decoded = false;
    for (const auto& [name, c] : kNamed) {
      if (rest.substr(0, name.size()) == name) {
        out += c;
        pos += name.size();
        decoded = true;
        break;
      }
    }
    if (decoded || rest.empty() || rest[0] != '#') {
      if (!decoded) out += '&';
      continue;
    }
    // "&#NN;" and "&#xHH;" of a character below 0x80; others stay as written.
    const bool hex = rest.size() > 1 && (rest[1] == 'x' || rest[1] == 'X');
    std::size_t i = hex ? 2 : 1;
    unsigned value = 0;
    const std::size_t digitsAt = i;
    for (; i < rest.size() && i < digitsAt + 6; ++i) {
      const char c = rest[i];
      unsigned digit;
      if (c >= '0' && c <= '9') {
        digit = static_cast<unsigned>(c - '0');
      } else if (hex && Lower(c) >= 'a' && Lower(c) <= 'f') {
        digit = static_cast<unsigned>(Lower(c) - 'a' + 10);
      } else {
        break;
      }
      value = value * (hex ? 16 : 10) + digit;
    }
    if (i == digitsAt || i >= rest.size() || rest[i] != ';' || value == 0 || value >= 0x80) {
      out += '&';
      continue;
    }
    out += static_cast<char>(value);
    pos += i + 1;
  }
  out.append(text, pos, npos);
  return out;
}

std::vector<std::string> CK7QBldHtmlScanner::FormFieldNames(std::string_view text) {
  std::vector<std::string> names;
  CK7QBldHtmlScanner scanner(text);
  K7QHtmlTag tag;
  while (scanner.Next(tag)) {
    if (!tag.IsStart("input") && !tag.IsStart("select")) continue;
    const K7QHtmlAttribute* name = tag.Find("name");
    if (name && !name->value.empty()) names.push_back(name->Text());
  }
  return names;
}

bool CK7QBldHtmlScanner::Next(K7QHtmlTag& tag) {
  while (m_pos < m_text.size()) {
    const std::size_t lt = FindByte(m_text, '<', m_pos);
    if (lt == npos) break;
    switch (ParseTag(lt, tag) ? Parse::Tag : (tag.end == npos ? Parse::Unclosed : Parse::NotTag)) {
      case Parse::Tag:
        m_pos = tag.end;
        if (HoldsRawText(tag)) SkipRawText(tag);
        return true;
      case Parse::NotTag:
        m_pos = lt + 1;
        continue;
      case Parse::Unclosed:
        m_pos = m_text.size();
        return false;
    }
  }
  m_pos = m_text.size();
  return false;
}

// Moves to the end tag that closes a script or style, which the next call
// then gives; without one the rest of the page is its content.
void CK7QBldHtmlScanner::SkipRawText(const K7QHtmlTag& tag) {
  const std::string_view name = tag.IsStart("script") ? "script" : "style";
  for (std::size_t lt = FindByte(m_text, '<', m_pos); lt != npos;
       lt = FindByte(m_text, '<', lt + 1)) {
    const std::size_t nameAt = lt + 2;
    if (nameAt + name.size() > m_text.size() || m_text[lt + 1] != '/' ||
        !EqualNoCase(m_text.substr(nameAt, name.size()), name))
      continue;
    const std::size_t after = nameAt + name.size();
    if (after < m_text.size() && !IsSpace(m_text[after]) && m_text[after] != '>' &&
        m_text[after] != '/')
      continue;
    m_pos = lt;
    return;
  }
  m_pos = m_text.size();
}

// False for a "<" that starts no tag (tag.end then 0) and for a tag that the
// text never closes (tag.end then npos).
bool CK7QBldHtmlScanner::ParseTag(std::size_t lt, K7QHtmlTag& tag) {
  const std::string_view t = m_text;
  tag.begin = lt;
  tag.end = 0;
  tag.name = {};
  tag.selfClosing = false;
  tag.attributes.clear();
  std::size_t pos = lt + 1;
  if (pos >= t.size()) return false;
  const char c = t[pos];
  if (c == '!' || c == '?') {
    if (c == '!' && t.substr(pos, 3) == "!--") {
      tag.kind = K7QHtmlTag::Kind::Comment;
      // "<!-->" and "<!--->" are empty comments.
      std::size_t close = pos + 3;
      if (t.substr(close, 1) == ">") {
        tag.end = close + 1;
        return true;
      }
      if (t.substr(close, 2) == "->") {
        tag.end = close + 2;
        return true;
      }
      const std::size_t found = t.find("-->", close);
      if (found == npos) {
        tag.end = npos;
        return false;
      }
      tag.end = found + 3;
      return true;
    }
    tag.kind = K7QHtmlTag::Kind::Declaration;
    const std::size_t gt = FindByte(t, '>', pos);
    tag.end = gt == npos ? npos : gt + 1;
    return gt != npos;
  }
  tag.kind = K7QHtmlTag::Kind::Start;
  if (c == '/') {
    tag.kind = K7QHtmlTag::Kind::End;
    ++pos;
  }
  if (pos >= t.size() || !IsLetter(t[pos])) return false;
  const std::size_t nameAt = pos;
  while (pos < t.size() && !IsSpace(t[pos]) && t[pos] != '/' && t[pos] != '>') ++pos;
  tag.name = t.substr(nameAt, pos - nameAt);
  if (!ParseAttributes(pos, tag)) {
    tag.end = npos;
    return false;
  }
  if (tag.kind == K7QHtmlTag::Kind::End) tag.attributes.clear();
  return true;
}

bool CK7QBldHtmlScanner::ParseAttributes(std::size_t pos, K7QHtmlTag& tag) {
  const std::string_view t = m_text;
  const std::size_t n = t.size();
  for (;;) {
    while (pos < n && IsSpace(t[pos])) ++pos;
    if (pos >= n) return false;
    if (t[pos] == '>') {
      tag.end = pos + 1;
      return true;
    }
    if (t[pos] == '/') {
      ++pos;
      if (pos < n && t[pos] == '>') tag.selfClosing = true;
      continue;
    }
    K7QHtmlAttribute attribute;
    attribute.begin = pos;
    // A name may begin with "=" (HTML reads it so); it ends at a blank, "/", ">" or "=".
    ++pos;
    while (pos < n && !IsSpace(t[pos]) && t[pos] != '/' && t[pos] != '>' && t[pos] != '=') ++pos;
    attribute.name = t.substr(attribute.begin, pos - attribute.begin);
    attribute.end = pos;
    std::size_t after = pos;
    while (after < n && IsSpace(t[after])) ++after;
    if (after < n && t[after] == '=') {
      pos = after + 1;
      while (pos < n && IsSpace(t[pos])) ++pos;
      if (pos >= n) return false;
      attribute.hasValue = true;
      attribute.valueBegin = pos;
      if (t[pos] == '"' || t[pos] == '\'') {
        attribute.quote = t[pos];
        const std::size_t close = FindByte(t, attribute.quote, pos + 1);
        if (close == npos) return false;
        attribute.value = t.substr(pos + 1, close - pos - 1);
        pos = close + 1;
      } else {
        const std::size_t from = pos;
        while (pos < n && !IsSpace(t[pos]) && t[pos] != '>') ++pos;
        attribute.value = t.substr(from, pos - from);
      }
      attribute.end = pos;
    }
    tag.attributes.push_back(attribute);
  }
}
