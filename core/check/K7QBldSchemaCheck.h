#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "K7QBldSqlNames.h"

class CK7QBldMacro;
class CK7QBldProfile;

// What a finding of the check is; the numbers are the language library's texts.
enum class K7QCheckKind : unsigned {
  kMissingTable = 63900,
  kMissingColumn = 63901,
  kTypeClass = 63902,
  kReservedWord = 63903,
  kUnsafeName = 63904,
  kUncalledFunction = 63905,
  // Not a fault: a statement the check cannot take apart (kept as the
  // author wrote it, not a SELECT with upper-case keywords); its names are unchecked.
  kUncheckedStatement = 63906,
};

// Where the author finds a finding: the section ("input", "report", "@NAME"
// for the report of function NAME, "function" for a function's own
// definition) and the line of the macro file (from 1).
struct K7QCheckPlace {
  std::string section;
  long line = 0;
  bool operator==(const K7QCheckPlace&) const = default;
};

struct K7QCheckFinding {
  K7QCheckKind kind = K7QCheckKind::kMissingTable;
  std::string function;  // the function concerned; "" for a page's own value
  std::string name;      // TABLE, TABLE.COLUMN, COLUMN or FUNCTION, as the macro writes it
  std::string use;       // from, select, where, order, page, campaign, object, function
  std::string detail;    // a type class change: "numeric>character"
  std::vector<K7QCheckPlace> places;

  // Whether it breaks a page (everything but an unchecked statement).
  bool IsFault() const { return kind != K7QCheckKind::kUncheckedStatement; }
  // The kind as a word of k7q check's output ("missing-table", ...).
  static const char* KindWord(K7QCheckKind kind);
  // "report:100,@F:12": the places joined.
  std::string PlacesText() const;
};

// Compares every table and column that a macro's functions, pages,
// campaigns and page objects use with a freshly made profile of its
// database: what no longer exists, columns whose type class changed (how a
// condition quotes its value), names a database reads as SQL's own or that
// cannot stand unquoted, and functions that no page calls.
class CK7QBldSchemaCheck {
 public:
  // `macro`: the macro opened as the builder opens it; `macroText`: the
  // macro file's bytes (for the lines); `fresh`: the new profile; `was`: the
  // profile the macro was made with (null when not known: only conditions
  // then tell the type class the macro expects).
  static std::vector<K7QCheckFinding> Run(const CK7QBldMacro& macro, std::string_view macroText,
                                          const CK7QBldProfile& fresh, const CK7QBldProfile* was);
};
