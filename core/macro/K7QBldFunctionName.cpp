#include "K7QBldFunctionName.h"

#include "K7QBldCp932.h"
#include "K7QBldGroceries.h"

namespace K7QFunctionName {

bool IsNameByte(unsigned char c) {
  if (c <= 0x20 || c == 0x7F) return false;
  return std::string_view("\"'<>()@,;=&/\\.%{}$").find(static_cast<char>(c)) ==
         std::string_view::npos;
}

bool IsUsable(std::string_view name) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t length = K7QCp932::CharLength(name, i);
    if (length == 1 && !IsNameByte(static_cast<unsigned char>(name[i]))) return false;
    i += length;
  }
  return !CK7QBldGroceries::EqualNoCase(name, "HTML_INPUT") &&
         !CK7QBldGroceries::EqualNoCase(name, "HTML_REPORT");
}

std::size_t CallNameLength(std::string_view text, std::size_t at) {
  std::size_t i = at + 1;
  while (i < text.size()) {
    const std::size_t length = K7QCp932::CharLength(text, i);
    if (length == 1 && !IsNameByte(static_cast<unsigned char>(text[i]))) break;
    i += length;
  }
  if (i == at + 1 || text.substr(i, 2) != "()") return 0;
  return i - at - 1;
}

}  // namespace K7QFunctionName
