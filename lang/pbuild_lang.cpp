// The profile creator's string table.
#include "K7QLangTable.h"

namespace {

constexpr K7QLangEntry kStrings[] = {
#include "pbuild_strings.inc"
// Messages added on this platform (numbers from 1000 on).
#include "pbuild_strings_more.inc"
#include "pbuild_strings_creator.inc"
};

constexpr K7QLangNamed kTexts[] = {
#include "pbuild_texts.inc"
};

}  // namespace

K7Q_LANG_EXPORTS(kStrings, kTexts)
