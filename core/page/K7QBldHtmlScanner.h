#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One attribute of a start tag, as HTML reads it: a name in any letter case,
// a value in double, single or no quotes (or none at all), white space and
// line breaks around the "=".
struct K7QHtmlAttribute {
  std::string_view name;
  std::string_view value;      // between the quotes, entities not decoded
  std::size_t begin = 0;       // where the name starts
  std::size_t valueBegin = 0;  // where the value starts, its opening quote included
  std::size_t end = 0;         // just after the value (its closing quote), or the name
  char quote = 0;              // '"', '\'' or 0
  bool hasValue = false;

  bool Is(std::string_view lowerName) const;
  // The value with its character references decoded; an unquoted value
  // that an editor wrote as "&quot;X&quot;" gives X.
  std::string Text() const;
};

// One piece of markup: a start or end tag, a comment or a declaration
// ("<!DOCTYPE ...>", "<?xml ...?>"). A start tag's attributes are read
// when first asked for: most tags of a page are never asked.
struct K7QHtmlTag {
  enum class Kind { Start, End, Comment, Declaration };

  Kind kind = Kind::Start;
  std::size_t begin = 0;  // its "<"
  std::size_t end = 0;    // just after its ">"
  std::string_view name;  // as written

  bool IsStart(std::string_view lowerName) const;  // defined below the scanner
  bool IsEnd(std::string_view lowerName) const;
  // "<NAME ... />".
  bool SelfClosing() const;
  // The attributes of a start tag, in order (positions in the walked text).
  const std::vector<K7QHtmlAttribute>& Attributes() const;
  // The first attribute of that name, any letter case; nullptr when none.
  const K7QHtmlAttribute* Find(std::string_view lowerName) const;

 private:
  friend class CK7QBldHtmlScanner;
  void Parse() const;

  std::string_view m_text;         // the walked text
  std::size_t m_attributesAt = 0;  // where the attributes begin
  mutable bool m_parsed = false;
  mutable bool m_selfClosing = false;
  mutable std::vector<K7QHtmlAttribute> m_attributes;
};

// Walks the markup of a page from left to right, one tag at a time; what
// lies between two tags is text. Script and style contents are text, never
// tags. A tag or comment that the page does not close ends the walk: HTML
// drops it with everything after it, and the caller keeps that rest as text.
// Every character the walk looks for ("<", ">", "=", quotes, blanks) is below
// 0x40 and so never the trail byte of a double-byte character: the walk is
// one linear pass over bytes.
class CK7QBldHtmlScanner {
 public:
  explicit CK7QBldHtmlScanner(std::string_view text) : m_text(text) {}
  // The walk over text[from, to); positions stay those of `text`.
  CK7QBldHtmlScanner(std::string_view text, std::size_t from, std::size_t to)
      : m_text(text.substr(0, to)), m_pos(from) {}

  // The first tag of text[from, to), positions in `text`; false when none.
  static bool TagIn(std::string_view text, std::size_t from, std::size_t to, K7QHtmlTag& tag) {
    CK7QBldHtmlScanner scanner(text, from, to);
    return scanner.Next(tag);
  }
  // The tag that begins at `at` and ends by `to`; false when none does.
  static bool TagAt(std::string_view text, std::size_t at, std::size_t to, K7QHtmlTag& tag) {
    CK7QBldHtmlScanner scanner(text, at, to);
    return at < to && text[at] == '<' && scanner.ParseTag(at, tag);
  }

  // The next tag; false when no tag is left.
  bool Next(K7QHtmlTag& tag);
  // Where the walk stands: after the last tag given, or the end.
  std::size_t Position() const { return m_pos; }

  // ASCII letters compared ignoring case; `lowerB` is in lower case.
  static bool EqualNoCase(std::string_view a, std::string_view lowerB) {
    if (a.size() != lowerB.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      const char c = a[i];
      if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lowerB[i]) return false;
    }
    return true;
  }
  // The names of the page's INPUT and SELECT fields (their name attribute),
  // in page order, as the SQL builder offers them as variables.
  static std::vector<std::string> FormFieldNames(std::string_view text);
  // `text` with its character references decoded (named ones that pages
  // use in attributes and the numeric ones); others stay as they are.
  static std::string Decode(std::string_view text);

 private:
  friend struct K7QHtmlTag;
  bool ParseTag(std::size_t lt, K7QHtmlTag& tag);
  // Reads the attributes of the tag whose name ends at `pos`: into
  // `attributes` when given, else only to find the tag's end. False when
  // the text ends inside the tag.
  static bool ParseAttributes(std::string_view text, std::size_t pos, std::size_t& end,
                              bool& selfClosing, std::vector<K7QHtmlAttribute>* attributes);
  void SkipRawText(const K7QHtmlTag& tag);

  std::string_view m_text;
  std::size_t m_pos = 0;
};

inline bool K7QHtmlTag::IsStart(std::string_view lowerName) const {
  return kind == Kind::Start && CK7QBldHtmlScanner::EqualNoCase(name, lowerName);
}

inline bool K7QHtmlTag::IsEnd(std::string_view lowerName) const {
  return kind == Kind::End && CK7QBldHtmlScanner::EqualNoCase(name, lowerName);
}
