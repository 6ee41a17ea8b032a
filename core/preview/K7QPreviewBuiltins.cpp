#include "K7QPreviewBuiltins.h"

#include <charconv>

#include "K7QBldGroceries.h"
#include "K7QPreviewText.h"

namespace {

using Args = std::vector<CK7QPreviewValue>;
using Env = CK7QPreviewBuiltinEnv;

unsigned Assign(const Args& a, const Env&, std::string& r) {
  r = a[1].text;
  return 0;
}

unsigned Date(const Args& a, const Env& env, std::string& r) {
  const std::string format = a.empty() ? std::string() : K7QPreviewText::Upper(a[0].text);
  if (format == "S") {
    r = env.today;
  } else if (format.empty() || format == "D") {
    r = env.today.substr(0, 4) + "/" + env.today.substr(4, 2) + "/" + env.today.substr(6, 2);
  } else {
    return kIdsPreviewUnknownDateFormat;
  }
  return 0;
}

unsigned Translate(const Args& a, const Env&, std::string& r) {
  r = K7QPreviewText::ReplaceAll(a[0].text, a[1].text, a[2].text);
  return 0;
}

// The preview stands for the web server: the server's page folder is the
// folder the preview reads from, so paths under it stay relative.
unsigned GetIniData(const Args& a, const Env&, std::string& r) {
  if (!CK7QBldGroceries::EqualNoCase(K7QPreviewText::Trim(a[0].text), "html_path"))
    return kIdsPreviewUnknownSetting;
  r.clear();
  return 0;
}

unsigned Length(const Args& a, const Env&, std::string& r) {
  r = std::to_string(K7QPreviewText::CharCount(a[0].text));
  return 0;
}

bool ToCount(std::string_view text, std::size_t& n) {
  text = K7QPreviewText::Trim(text);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  return ec == std::errc() && end == text.data() + text.size();
}

unsigned Substring(const Args& a, const Env&, std::string& r) {
  std::size_t start = 0;
  std::size_t count = 0;
  if (!ToCount(a[1].text, start) || !ToCount(a[2].text, count) || start == 0)
    return kIdsPreviewNotANumberArgument;
  r = std::string(K7QPreviewText::CharSlice(a[0].text, start - 1, count));
  return 0;
}

unsigned Upper(const Args& a, const Env&, std::string& r) {
  r = K7QPreviewText::Upper(a[0].text);
  return 0;
}

unsigned Lower(const Args& a, const Env&, std::string& r) {
  r = K7QPreviewText::Lower(a[0].text);
  return 0;
}

unsigned Strip(const Args& a, const Env&, std::string& r) {
  r = std::string(K7QPreviewText::Trim(a[0].text));
  return 0;
}

unsigned Add(const Args& a, const Env&, std::string& r) {
  return K7QPreviewText::AddDecimals(a[0].text, a[1].text, false, r)
             ? 0
             : kIdsPreviewNotANumberArgument;
}

unsigned Subtract(const Args& a, const Env&, std::string& r) {
  return K7QPreviewText::AddDecimals(a[0].text, a[1].text, true, r) ? 0
                                                                    : kIdsPreviewNotANumberArgument;
}

constexpr CK7QPreviewBuiltin kBuiltins[] = {
    {"RZV_ASSIGN", 2, 2, "nv", "Sets the variable NAME to VALUE.", Assign, true},
    {"RZV_DATE", 0, 2, "vn",
     "Today's date: format \"S\" gives YYYYMMDD, \"D\" or none YYYY/MM/DD; with NAME it sets that "
     "variable.",
     Date},
    {"RZV_TRANSLATE", 4, 4, "vvvn",
     "Sets NAME to VALUE with every FROM replaced by TO (a large text is kept as it is).",
     Translate, true},
    {"RZV_rGETINIDATA", 1, 2, "vn",
     "A setting of the web server: \"html_path\" is the page folder (empty: the folder the page "
     "is read from).",
     GetIniData},
    {"RZV_LENGTH", 1, 2, "vn", "The number of characters of VALUE.", Length},
    {"RZV_SUBSTR", 3, 4, "vvvn", "COUNT characters of VALUE from character START (from 1).",
     Substring},
    {"RZV_UPPER", 1, 2, "vn", "VALUE with its letters a to z in upper case.", Upper},
    {"RZV_LOWER", 1, 2, "vn", "VALUE with its letters A to Z in lower case.", Lower},
    {"RZV_TRIM", 1, 2, "vn", "VALUE without blanks, tabs and line ends at either end.", Strip},
    {"RZV_ADD", 2, 3, "vvn", "The exact sum of two decimal numbers.", Add},
    {"RZV_SUB", 2, 3, "vvn", "The exact difference of two decimal numbers.", Subtract},
};

}  // namespace

std::span<const CK7QPreviewBuiltin> K7QPreviewBuiltins() { return kBuiltins; }

const CK7QPreviewBuiltin* K7QPreviewFindBuiltin(std::string_view name) {
  for (const CK7QPreviewBuiltin& b : kBuiltins) {
    if (CK7QBldGroceries::EqualNoCase(name, b.name)) return &b;
  }
  return nullptr;
}
