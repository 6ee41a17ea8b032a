#include "K7QBldHtmlScanner.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Byte classes of a tag, looked up once per byte.
constexpr unsigned char kSpace = 1;     // blank, tab, line feed, carriage return, form feed
constexpr unsigned char kNameEnd = 2;   // ends a tag or attribute name: a blank, "/" or ">"
constexpr unsigned char kValueEnd = 4;  // ends an unquoted value: a blank or ">"
constexpr unsigned char kEquals = 8;
constexpr unsigned char kGreater = 16;
constexpr unsigned char kQuote = 32;

struct ByteClasses {
  unsigned char of[256] = {};
  constexpr ByteClasses() {
    for (unsigned char c : {' ', '\t', '\n', '\r', '\f'}) of[c] = kSpace | kNameEnd | kValueEnd;
    of[static_cast<unsigned char>('/')] = kNameEnd;
    of[static_cast<unsigned char>('>')] = kNameEnd | kValueEnd | kGreater;
    of[static_cast<unsigned char>('=')] = kEquals;
    of[static_cast<unsigned char>('"')] = kQuote;
    of[static_cast<unsigned char>('\'')] = kQuote;
  }
};
constexpr ByteClasses kClasses;

unsigned char ClassOf(char c) { return kClasses.of[static_cast<unsigned char>(c)]; }
bool IsSpace(char c) { return ClassOf(c) & kSpace; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::size_t FindByte(std::string_view text, char c, std::size_t from) { return text.find(c, from); }

enum class Parse { Tag, NotTag, Unclosed };

// Elements whose content is text up to their own end tag.
bool HoldsRawText(const K7QHtmlTag& tag) {
  const std::size_t n = tag.name.size();
  if ((n != 5 && n != 6) || (tag.name[0] | 0x20) != 's') return false;
  return (tag.IsStart("script") || tag.IsStart("style")) && !tag.SelfClosing();
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

void K7QHtmlTag::Parse() const {
  if (m_parsed) return;
  m_parsed = true;
  m_attributes.clear();
  if (kind != Kind::Start) return;
  std::size_t tagEnd = 0;
  CK7QBldHtmlScanner::ParseAttributes(m_text, m_attributesAt, tagEnd, m_selfClosing, &m_attributes);
}

bool K7QHtmlTag::SelfClosing() const {
  Parse();
  return m_selfClosing;
}

const std::vector<K7QHtmlAttribute>& K7QHtmlTag::Attributes() const {
  Parse();
  return m_attributes;
}

const K7QHtmlAttribute* K7QHtmlTag::Find(std::string_view lowerName) const {
  for (const K7QHtmlAttribute& a : Attributes()) {
    if (a.Is(lowerName)) return &a;
  }
  return nullptr;
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
    std::string text = name ? name->Text() : std::string();
    if (!text.empty()) names.push_back(std::move(text));
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
  tag.m_text = t;
  tag.m_parsed = true;
  tag.m_selfClosing = false;
  tag.m_attributes.clear();
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
  while (pos < t.size() && !(ClassOf(t[pos]) & kNameEnd)) ++pos;
  tag.name = t.substr(nameAt, pos - nameAt);
  tag.m_attributesAt = pos;
  // Without a quote before the next ">", nothing can hide a ">": the tag
  // ends there, and its attributes are read only when asked for.
  std::size_t gt = pos;
  while (gt < t.size() && !(ClassOf(t[gt]) & (kGreater | kQuote))) ++gt;
  if (gt >= t.size()) {
    tag.end = npos;
    return false;
  }
  if (t[gt] == '>') {
    tag.end = gt + 1;
    tag.m_parsed = false;
    return true;
  }
  std::size_t end = 0;
  if (!ParseAttributes(t, pos, end, tag.m_selfClosing,
                       tag.kind == K7QHtmlTag::Kind::Start ? &tag.m_attributes : nullptr)) {
    tag.end = npos;
    return false;
  }
  tag.end = end;
  return true;
}

bool CK7QBldHtmlScanner::ParseAttributes(std::string_view t, std::size_t pos, std::size_t& end,
                                         bool& selfClosing,
                                         std::vector<K7QHtmlAttribute>* attributes) {
  const std::size_t n = t.size();
  selfClosing = false;
  for (;;) {
    while (pos < n && IsSpace(t[pos])) ++pos;
    if (pos >= n) return false;
    if (t[pos] == '>') {
      end = pos + 1;
      return true;
    }
    if (t[pos] == '/') {
      ++pos;
      if (pos < n && t[pos] == '>') selfClosing = true;
      continue;
    }
    K7QHtmlAttribute attribute;
    attribute.begin = pos;
    // A name may begin with "=" (HTML reads it so); it ends at a blank, "/", ">" or "=".
    ++pos;
    while (pos < n && !(ClassOf(t[pos]) & (kNameEnd | kEquals))) ++pos;
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
        // Values are short: a plain loop beats a library search here.
        std::size_t close = pos + 1;
        while (close < n && t[close] != attribute.quote) ++close;
        if (close >= n) return false;
        attribute.value = t.substr(pos + 1, close - pos - 1);
        pos = close + 1;
      } else {
        const std::size_t from = pos;
        while (pos < n && !(ClassOf(t[pos]) & kValueEnd)) ++pos;
        attribute.value = t.substr(from, pos - from);
      }
      attribute.end = pos;
    }
    if (attributes) attributes->push_back(attribute);
  }
}
