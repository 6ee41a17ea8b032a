#pragma once

// Folder core/check: what a macro's SQL and pages use of a database, and
// what a changed database breaks of it.

#include <string>
#include <string_view>
#include <vector>

// A name that a piece of SQL uses for a column: "T.C", "C" or "T.*".
struct K7QSqlColumnName {
  std::string qualifier;  // the table or alias before the dot, "" when none
  std::string name;       // the column, "*" for all of them
  bool quoted = false;    // written between double quotes
  bool qualifierQuoted = false;
};

// A table of a FROM entry with the alias it goes by there.
struct K7QSqlTableName {
  std::string name;  // without a schema before it
  std::string alias;
  bool quoted = false;
};

// How a column is compared: numeric and date columns take bare values,
// character columns quoted ones and LIKE.
enum class K7QCheckTypeClass { kUnknown, kNumeric, kCharacter, kOther };

// The names a piece of SQL text uses, read as a database reads them:
// string literals, macro variables ("$(NAME)") and function names are not
// names of columns; double quotes make a name of anything. CP932-aware.
namespace K7QSqlNames {

// The columns that an expression (a result item, a condition, an ordering)
// names. An expression that is one bare word is a column even when the
// word is one of SQL's own.
std::vector<K7QSqlColumnName> Columns(std::string_view expression);

// The tables of a FROM entry ("t", "t AS a", "s.t a", "a JOIN b ON ...")
// and the columns that its ON conditions name.
void FromEntry(std::string_view entry, std::vector<K7QSqlTableName>& tables,
               std::vector<K7QSqlColumnName>& onColumns);

// The column that a condition compares first and the type class it was
// written for: LIKE or a quoted value is character, a bare number or
// variable is numeric/date; kUnknown when the condition does not tell.
struct ConditionUse {
  K7QSqlColumnName column;
  K7QCheckTypeClass typeClass = K7QCheckTypeClass::kUnknown;
};
ConditionUse Condition(std::string_view condition);

// A reserved word of SQL (ignoring case), which a database reads as its
// own syntax where it stands unquoted as a name.
bool IsReservedWord(std::string_view word);
// A name that can stand in SQL without quotes and in a macro variable
// ("$(V_T.C)"): letters (single- or double-byte), digits and underscores,
// not beginning with a digit.
bool IsSafeName(std::string_view name);

// The class of a profile type code: DATE, DECIMAL, INTEGER, SMALLINT are
// numeric/date; CHARACTER, VARCHAR character; anything else other.
K7QCheckTypeClass ClassOf(int typeCode);
// "numeric", "character", "other" ("" for kUnknown).
const char* ClassName(K7QCheckTypeClass typeClass);

}  // namespace K7QSqlNames
