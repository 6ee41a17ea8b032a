#include "K7QBldPageEditing.h"

#include "K7QBldMacro.h"
#include "K7QBldPageConverter.h"

bool K7QPrepareForEditing(CK7QBldMacro& macro, const std::string& page) {
  return CK7QBldPageConverter(macro).PrepareForEditing(page);
}

bool K7QConvertAfterEditing(CK7QBldMacro& macro, const std::string& page) {
  K7QStringList components;
  return CK7QBldPageConverter(macro).ConvertAfterEditing(page, components);
}
