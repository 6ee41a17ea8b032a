#include "K7QPreviewText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include "K7QBldCp932.h"

namespace K7QPreviewText {

namespace {

template <typename Fn>
std::string MapAscii(std::string_view text, Fn fn) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size();) {
    const std::size_t len = K7QCp932::CharLength(out, i);
    if (len == 1) out[i] = fn(out[i]);
    i += len;
  }
  return out;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The parts of a plain decimal: sign, digits before and after the point.
struct Decimal {
  bool negative = false;
  std::string_view whole;
  std::string_view fraction;
};

bool SplitDecimal(std::string_view text, Decimal& d) {
  text = Trim(text);
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) d.negative = text[i++] == '-';
  const std::size_t wholeStart = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  d.whole = text.substr(wholeStart, i - wholeStart);
  if (i < text.size() && text[i] == '.') {
    const std::size_t fractionStart = ++i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    d.fraction = text.substr(fractionStart, i - fractionStart);
  }
  return i == text.size() && !(d.whole.empty() && d.fraction.empty());
}

bool HasExponent(std::string_view text) {
  return text.find_first_of("eE") != std::string_view::npos;
}

double ToDouble(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

bool ToScaled(const Decimal& d, std::size_t scale, __int128& out) {
  if (d.whole.size() + scale > 36) return false;
  __int128 v = 0;
  for (char c : d.whole) v = v * 10 + (c - '0');
  for (std::size_t i = 0; i < scale; ++i)
    v = v * 10 + (i < d.fraction.size() ? d.fraction[i] - '0' : 0);
  out = d.negative ? -v : v;
  return true;
}

}  // namespace

std::string Upper(std::string_view text) {
  return MapAscii(text, [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; });
}

std::string Lower(std::string_view text) {
  return MapAscii(text, [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
}

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsNumber(std::string_view text) {
  text = Trim(text);
  const std::size_t e = text.find_first_of("eE");
  Decimal d;
  if (!SplitDecimal(text.substr(0, e), d)) return false;
  if (e == std::string_view::npos) return true;
  std::string_view exponent = text.substr(e + 1);
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) exponent.remove_prefix(1);
  return !exponent.empty() && std::all_of(exponent.begin(), exponent.end(), IsDigit);
}

int CompareNumbers(std::string_view a, std::string_view b) {
  if (HasExponent(a) || HasExponent(b)) {
    const double x = ToDouble(a);
    const double y = ToDouble(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  Decimal x;
  Decimal y;
  SplitDecimal(a, x);
  SplitDecimal(b, y);
  const auto strip = [](Decimal& d) {
    while (!d.whole.empty() && d.whole.front() == '0') d.whole.remove_prefix(1);
    while (!d.fraction.empty() && d.fraction.back() == '0') d.fraction.remove_suffix(1);
    if (d.whole.empty() && d.fraction.empty()) d.negative = false;  // -0 is 0
  };
  strip(x);
  strip(y);
  if (x.negative != y.negative) return x.negative ? -1 : 1;
  int magnitude = 0;
  if (x.whole.size() != y.whole.size()) {
    magnitude = x.whole.size() < y.whole.size() ? -1 : 1;
  } else if (int c = x.whole.compare(y.whole); c != 0) {
    magnitude = c < 0 ? -1 : 1;
  } else if (int f = x.fraction.compare(y.fraction); f != 0) {
    magnitude = f < 0 ? -1 : 1;
  }
  return x.negative ? -magnitude : magnitude;
}

bool AddDecimals(std::string_view a, std::string_view b, bool subtract, std::string& sum) {
  Decimal x;
  Decimal y;
  if (HasExponent(a) || HasExponent(b) || !SplitDecimal(a, x) || !SplitDecimal(b, y)) return false;
  const std::size_t scale = std::max(x.fraction.size(), y.fraction.size());
  __int128 p = 0;
  __int128 q = 0;
  if (!ToScaled(x, scale, p) || !ToScaled(y, scale, q)) return false;
  __int128 r = subtract ? p - q : p + q;
  const bool negative = r < 0;
  if (negative) r = -r;
  std::string digits;
  do {
    digits.push_back(char('0' + int(r % 10)));
    r /= 10;
  } while (r > 0);
  while (digits.size() <= scale) digits.push_back('0');
  std::reverse(digits.begin(), digits.end());
  if (scale > 0) digits.insert(digits.size() - scale, 1, '.');
  sum = (negative ? "-" : "") + digits;
  return true;
}

std::size_t CharCount(std::string_view text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size(); i += K7QCp932::CharLength(text, i)) ++n;
  return n;
}

std::string_view CharSlice(std::string_view text, std::size_t first, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < first && i < text.size(); ++n) i += K7QCp932::CharLength(text, i);
  std::size_t end = i;
  for (std::size_t n = 0; n < count && end < text.size(); ++n)
    end += K7QCp932::CharLength(text, end);
  return text.substr(i, end - i);
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t hit = K7QCp932::Find(text, from); hit != std::string_view::npos;
       hit = K7QCp932::Find(text, from, start)) {
    out.append(text.substr(start, hit - start));
    out.append(to);
    start = hit + from.size();
  }
  out.append(text.substr(start));
  return out;
}

void AppendHtmlEscaped(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = K7QCp932::CharLength(text, i);
    if (len == 2) {
      out.append(text.substr(i, 2));
      i += 2;
      continue;
    }
    switch (text[i]) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += text[i];
        break;
    }
    ++i;
  }
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendHtmlEscaped(out, text);
  return out;
}

std::string DataUri(std::string_view bytes) {
  const auto starts = [&](std::string_view magic) {
    return bytes.substr(0, magic.size()) == magic;
  };
  std::string out = "data:";
  if (starts("GIF8")) {
    out += "image/gif";
  } else if (starts("\xFF\xD8\xFF")) {
    out += "image/jpeg";
  } else if (starts("\x89PNG")) {
    out += "image/png";
  } else if (starts("BM")) {
    out += "image/bmp";
  } else {
    out += "application/octet-stream";
  }
  out += ";base64,";
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  out.reserve(out.size() + (bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16 |
                            std::uint32_t(std::uint8_t(bytes[i + 1])) << 8 |
                            std::uint8_t(bytes[i + 2]);
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += kDigits[(v >> 6) & 63];
    out += kDigits[v & 63];
  }
  if (i < bytes.size()) {
    std::uint32_t v = std::uint32_t(std::uint8_t(bytes[i])) << 16;
    if (i + 1 < bytes.size()) v |= std::uint32_t(std::uint8_t(bytes[i + 1])) << 8;
    out += kDigits[v >> 18];
    out += kDigits[(v >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string ImageTypeOfName(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  const std::string ext = Lower(name.substr(dot + 1));
  if (ext == "gif") return "image/gif";
  if (ext == "jpg" || ext == "jpeg") return "image/jpeg";
  if (ext == "png") return "image/png";
  if (ext == "bmp") return "image/bmp";
  return {};
}

std::string_view ReferenceAt(std::string_view text, std::size_t pos, std::size_t& end) {
  if (text.substr(pos, 2) != "$(") return {};
  const std::size_t start = pos + 2;
  std::size_t i = start;
  while (i < text.size() && i - start <= 256) {
    const std::size_t len = K7QCp932::CharLength(text, i);
    const char c = text[i];
    if (len == 1 && c == ')') {
      if (i == start) return {};
      end = i + 1;
      return text.substr(start, i - start);
    }
    const bool ascii =
        (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == '_' || c == '.';
    const bool kana =
        static_cast<unsigned char>(c) >= 0xA1 && static_cast<unsigned char>(c) <= 0xDF;
    if (len == 1 && !ascii && !kana) return {};
    i += len;
  }
  return {};
}

std::string Excerpt(std::string_view text) {
  constexpr std::size_t kMax = 80;
  text = Trim(text);
  std::size_t end = 0;
  while (end < text.size() && text[end] != '\n' && text[end] != '\r' && end < kMax)
    end += K7QCp932::CharLength(text, end);
  std::string out(text.substr(0, end));
  if (end < text.size()) out += "...";
  return out;
}

std::size_t FindLastNoCase(std::string_view text, std::string_view needle) {
  if (needle.empty() || needle.size() > text.size()) return std::string_view::npos;
  const std::string upperNeedle = Upper(needle);
  for (std::size_t i = text.size() - needle.size() + 1; i-- > 0;) {
    bool match = true;
    for (std::size_t k = 0; k < needle.size() && match; ++k) {
      char c = text[i + k];
      if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
      match = c == upperNeedle[k];
    }
    if (match) return i;
  }
  return std::string_view::npos;
}

}  // namespace K7QPreviewText
