#pragma once

#include <cctype>
#include <string>
#include <string_view>

#include "K7QBldCp932.h"

// A lookup key under which two author-given names are equal exactly when
// CK7QBldGroceries::EqualNoCase says so: single-byte letters folded to lower
// case, double-byte characters kept as they are. Lists keyed by name use it
// to find entries without scanning.
inline std::string K7QBldNameKey(std::string_view name) {
  std::string key;
  key.reserve(name.size());
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t length = K7QCp932::CharLength(name, i);
    if (length == 1) {
      key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(name[i]))));
    } else {
      key.append(name.substr(i, length));
    }
    i += length;
  }
  return key;
}
