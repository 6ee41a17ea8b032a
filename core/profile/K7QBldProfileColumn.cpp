#include "K7QBldProfileColumn.h"

#include <array>
#include <utility>

#include "K7QBldGroceries.h"

int CK7QBldProfileColumn::TypeCode(std::string_view typeName) {
  static constexpr std::array<std::pair<std::string_view, int>, 10> kCodes{{
      {"DATE", kTypeDate},
      {"DECIMAL", kTypeDecimal},
      {"INTEGER", kTypeInteger},
      {"SMALLINT", kTypeSmallint},
      {"CHARACTER", kTypeCharacter},
      {"VARCHAR", kTypeVarchar},
      {"GRAPHIC", kTypeGraphic},
      {"VARGRAPHIC", kTypeVargraphic},
      {"CLOB", kTypeClob},
      {"BLOB", kTypeBlob},
  }};
  for (const auto& [name, code] : kCodes) {
    if (CK7QBldGroceries::EqualNoCase(typeName, name)) return code;
  }
  return kTypeOther;
}

int CK7QBldProfileColumn::KindOf(std::string_view reference, int typeCode) {
  if (reference.empty()) return kKindNone;
  const std::size_t n = reference.size();
  // Sample names have no extension: anything without a dot fourth from the end.
  if (n < 4 || reference[n - 4] != '.') return kKindSample;
  const std::string_view ext = reference.substr(n - 3);
  if (CK7QBldGroceries::EqualNoCase(ext, "gif") || CK7QBldGroceries::EqualNoCase(ext, "bmp") ||
      CK7QBldGroceries::EqualNoCase(ext, "jpg"))
    return kKindImage;
  if (CK7QBldGroceries::EqualNoCase(ext, "txt"))
    return typeCode == kTypeClob ? kKindClobText : kKindText;
  return kKindNone;
}
