// The builder's string table: the numbered messages and labels, and the
// named texts of its windows.
#include "K7QLangTable.h"

namespace {

constexpr K7QLangEntry kStrings[] = {
#include "K7QBld_strings.inc"
// Messages added on this platform (numbers from 63000 on).
#include "K7QBld_strings_more.inc"
// One file per area of the builder, each with its own range of numbers.
#include "K7QBld_strings_document.inc"
#include "K7QBld_strings_page.inc"
#include "K7QBld_strings_files.inc"
#include "K7QBld_strings_sheet.inc"
#include "K7QBld_strings_functions.inc"
#include "K7QBld_strings_campaigns.inc"
#include "K7QBld_strings_library.inc"
#include "K7QBld_strings_preview.inc"
#include "K7QBld_strings_check.inc"
};

constexpr K7QLangNamed kTexts[] = {
#include "K7QBld_texts.inc"
#include "K7QBld_texts_document.inc"
#include "K7QBld_texts_page.inc"
#include "K7QBld_texts_files.inc"
#include "K7QBld_texts_sheet.inc"
#include "K7QBld_texts_functions.inc"
#include "K7QBld_texts_campaigns.inc"
#include "K7QBld_texts_library.inc"
#include "K7QBld_texts_preview.inc"
#include "K7QBld_texts_check.inc"
};

}  // namespace

K7Q_LANG_EXPORTS(kStrings, kTexts)
