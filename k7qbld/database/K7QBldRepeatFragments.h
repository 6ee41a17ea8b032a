#pragma once

// Folder k7qbld/database: the database sheet beside the page, its pages
// (tables and columns, repeat controls) and their tree and dialogs.

#include <string>

#include "K7QBldGroceries.h"

// The page fragments of the repeat controls, as CP932 text. Loops stand
// between the two marker images that page conversion reads back.
namespace K7QBldRepeatFragments {

inline constexpr int kMinColumns = 1;
inline constexpr int kMaxColumns = 32767;

std::string RowLoop(const std::string& name);
// A table of `columns` header cells and as many data cells in one row each.
std::string TableLoop(const std::string& name, int columns);
std::string InputForm(bool get, const std::string& action, const std::string& input,
                      const std::string& submit, const std::string& reset);
// One option per "TABLE.COLUMN" of `columns`, in order.
std::string OptionLoop(const std::string& loop, bool get, const std::string& action,
                       const std::string& select, const K7QStringList& columns,
                       const std::string& submit, const std::string& reset);

// The column count typed by the author: 0 valid (`count` set), 1 not a
// decimal number consumed whole, 2 outside 1 .. 32767.
int ParseColumnCount(const std::string& trimmed, int& count);

}  // namespace K7QBldRepeatFragments
