#pragma once

#include <array>
#include <string_view>

#include "K7QBldMessageItem.h"

// The SQL return codes that the message dialog offers, each with the
// language library's default text and the default action.
struct K7QSqlCode {
  std::string_view code;
  unsigned text;
  int action;
};

class CK7QBldSqlCodeTable {
 public:
  static const std::array<K7QSqlCode, 10>& Codes();
  // The table's row of `code` (ignoring case), or nullptr.
  static const K7QSqlCode* Find(std::string_view code);
  // "+default", "-default" (ignoring case) or a whole decimal number with an
  // optional sign, as trimmed text: what the macro processor can match.
  static bool IsValidCode(std::string_view code);
  // Whether a message text reads back unchanged from "CODE: "TEXT": ACTION"
  // (colons and quotes do): a section keyword ("%{", "%}", "%REPORT{", ...)
  // would open or close a section of the macro. `keyword` gets the one found.
  static bool IsReadableText(std::string_view text, std::string_view& keyword);
};
