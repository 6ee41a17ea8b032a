#pragma once

#include <string>

// What a page object puts in place of a report cell when its column has the value.
inline constexpr int kPageObjectBackground = 0;
inline constexpr int kPageObjectText = 1;
inline constexpr int kPageObjectImage = 2;

// One page object: when `column` of `function`'s rows equals `value`, the
// cell shows `replacement` (kind 0: "#RRGGBB" or an image path; kind 1: the
// text; kind 2: an image file name without folder).
struct CK7QBldPageObject {
  int kind = kPageObjectBackground;
  std::string value;
  std::string replacement;
  std::string function;
  std::string table;
  std::string column;
  std::string note;
  // The object number a reopened macro gave it (-1 when made on the page);
  // only used to put reverted objects back in their saved order.
  int savedNumber = -1;

  bool operator==(const CK7QBldPageObject&) const = default;
};
