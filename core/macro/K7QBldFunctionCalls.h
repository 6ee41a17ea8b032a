#pragma once

#include <string>
#include <string_view>
#include <vector>

class CK7QBldMacro;
struct CK7QBldFunctionEntry;

// Which pages of a macro call a function ("@NAME(" in their macro form), so
// that deleting a function never leaves a call behind unasked.
class CK7QBldFunctionCalls {
 public:
  enum class Kind { InputPage, ReportPage, Function };
  struct Caller {
    Kind kind;
    std::string function;  // the calling function's name (Kind::Function)
    bool operator==(const Caller&) const = default;
  };

  // Whether `text` calls `name` (compared ignoring case).
  static bool Calls(std::string_view text, std::string_view name);
  // The input page, the report page and the pages of `functions` other than
  // `name`'s own that call `name`. A page that cannot be read counts as a
  // caller: whether it calls cannot be told.
  static std::vector<Caller> Find(const CK7QBldMacro& macro, std::string_view name,
                                  const std::vector<const CK7QBldFunctionEntry*>& functions);
};
