#include "K7QBldSqlCodeTable.h"

#include <cctype>

#include "K7QBldGroceries.h"
#include "K7QBldMacroFile.h"

namespace {

constexpr std::array<K7QSqlCode, 10> kCodes = {{
    {"+default", 62402, kMessageActionContinue},
    {"-default", 62403, kMessageActionContinue},
    {"+100", 62411, kMessageActionContinue},
    {"-801", 62404, kMessageActionContinue},
    {"-802", 62405, kMessageActionContinue},
    {"-803", 62406, kMessageActionContinue},
    {"-900", 62407, kMessageActionExit},
    {"-901", 62408, kMessageActionExit},
    {"-902", 62409, kMessageActionExit},
    {"-912", 62410, kMessageActionExit},
}};

}  // namespace

const std::array<K7QSqlCode, 10>& CK7QBldSqlCodeTable::Codes() { return kCodes; }

const K7QSqlCode* CK7QBldSqlCodeTable::Find(std::string_view code) {
  for (const K7QSqlCode& row : kCodes) {
    if (CK7QBldGroceries::EqualNoCase(row.code, code)) return &row;
  }
  return nullptr;
}

bool CK7QBldSqlCodeTable::IsValidCode(std::string_view code) {
  if (CK7QBldGroceries::EqualNoCase(code, "+default") ||
      CK7QBldGroceries::EqualNoCase(code, "-default"))
    return true;
  std::size_t i = 0;
  if (i < code.size() && (code[i] == '+' || code[i] == '-')) ++i;
  if (i == code.size()) return false;
  for (; i < code.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(code[i]))) return false;
  }
  return true;
}

bool CK7QBldSqlCodeTable::IsReadableText(std::string_view text, std::string_view& keyword) {
  return CK7QBldMacroFile::FindSectionKeyword(text, 0, keyword) == std::string_view::npos;
}
