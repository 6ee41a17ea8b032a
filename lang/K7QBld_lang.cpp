// The builder's string table: the numbered messages and labels, and the
// named texts of its windows.
#include "K7QLangTable.h"

namespace {

constexpr K7QLangEntry kStrings[] = {
#include "K7QBld_strings.inc"
// Messages added on this platform (numbers from 63000 on).
#include "K7QBld_strings_more.inc"
};

constexpr K7QLangNamed kTexts[] = {
#include "K7QBld_texts.inc"
};

}  // namespace

K7Q_LANG_EXPORTS(kStrings, kTexts)
