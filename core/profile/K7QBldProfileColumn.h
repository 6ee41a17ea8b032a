#pragma once

#include <string>
#include <string_view>

// Type codes of the profile's type names; every other type name is 0.
enum K7QProfileTypeCode : int {
  kTypeOther = 0,
  kTypeDate = 1,
  kTypeDecimal = 2,
  kTypeInteger = 3,
  kTypeSmallint = 4,
  kTypeCharacter = 5,
  kTypeVarchar = 6,
  kTypeGraphic = 7,
  kTypeVargraphic = 8,
  kTypeClob = 9,
  kTypeBlob = 10,
};

// How a column shows on a page, decided by its reference.
enum K7QProfileColumnKind : int {
  kKindNone = 0,      // no reference, an unrecognised large object, or an unsafe file name
  kKindImage = 1,     // image file (.gif, .bmp, .jpg) beside the profile
  kKindClobText = 2,  // text file of a CLOB column
  kKindText = 3,      // text file of any other column
  kKindSample = 4,    // inline sample, filled from its sample block
};

// One column line of a profile. The five fixed fields stay text exactly as
// cut from the line (trailing blanks removed): the builder only ever shows
// and compares them.
class CK7QBldProfileColumn {
 public:
  std::string m_table;
  std::string m_column;
  std::string m_typeName;
  std::string m_length;
  std::string m_scale;
  std::string m_reference;
  std::string m_sample;
  int m_kind = kKindNone;
  int m_typeCode = kTypeOther;

  // Type code of a type name, compared whole and ignoring case.
  static int TypeCode(std::string_view typeName);
  // Kind from the reference alone (and the type code for text files). Does
  // not judge whether a file name is safe to open; the profile does that.
  static int KindOf(std::string_view reference, int typeCode);
  // Whether a kind names a file in the profile folder.
  static bool IsFileKind(int kind) {
    return kind == kKindImage || kind == kKindClobText || kind == kKindText;
  }
};
