#include "K7QBldCp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

namespace K7QCp932 {

std::size_t Find(std::string_view text, char c, std::size_t from) {
  const std::size_t n = text.size();
  for (std::size_t i = from; i < n; i += CharLength(text, i)) {
    if (text[i] == c) return i;
  }
  return std::string_view::npos;
}

std::size_t FindLast(std::string_view text, char c) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
    if (text[i] == c) found = i;
  }
  return found;
}

std::size_t Find(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  const std::size_t n = text.size();
  const std::size_t m = needle.size();
  const char first = needle[0];
  for (std::size_t i = from; i < n && n - i >= m; i += CharLength(text, i)) {
    if (text[i] == first && std::memcmp(text.data() + i, needle.data(), m) == 0) return i;
  }
  return std::string_view::npos;
}

std::size_t FindLast(std::string_view text, std::string_view needle) {
  std::size_t found = std::string_view::npos;
  for (std::size_t i = Find(text, needle, 0); i != std::string_view::npos;
       i = Find(text, needle, i + CharLength(text, i))) {
    found = i;
  }
  return found;
}

namespace {

// Converts with iconv; on an invalid or unconvertible sequence either stops
// (strict) or writes `substitute` and skips one input character.
bool Convert(const char* to, const char* from, std::string_view in, std::string& out, bool strict,
             std::string_view substitute, bool fromCp932) {
  out.clear();
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  bool ok = true;
  std::string buffer(in.size() * 3 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  while (srcLeft > 0) {
    char* dst = buffer.data();
    std::size_t dstLeft = buffer.size();
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buffer.data(), static_cast<std::size_t>(dst - buffer.data()));
    if (rc != static_cast<std::size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    ok = false;
    if (strict) break;
    out.append(substitute);
    // Skip one character of the input.
    std::size_t skip = 1;
    if (fromCp932) {
      skip = CharLength(std::string_view(src, srcLeft), 0);
    } else {
      const unsigned char c = static_cast<unsigned char>(*src);
      skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    }
    if (skip > srcLeft) skip = srcLeft;
    src += skip;
    srcLeft -= skip;
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

bool ToUtf8(std::string_view cp932, std::string& utf8) {
  return Convert("UTF-8", "CP932", cp932, utf8, true, {}, true);
}

bool FromUtf8(std::string_view utf8, std::string& cp932) {
  return Convert("CP932", "UTF-8", utf8, cp932, true, {}, false);
}

std::string ToUtf8(std::string_view cp932) {
  std::string out;
  Convert("UTF-8", "CP932", cp932, out, false, "\xEF\xBF\xBD", true);
  return out;
}

}  // namespace K7QCp932
