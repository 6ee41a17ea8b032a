#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// Where a value came from. Values from outside (a form field, the database)
// are never macro text: they are not expanded again, they go into SQL only
// as literals, and form values are escaped where they land in a page.
enum class K7QPreviewSource { Trusted = 0, Database = 1, Form = 2 };

struct CK7QPreviewValue {
  std::string text;
  K7QPreviewSource source = K7QPreviewSource::Trusted;
  bool large = false;  // a large text from the database, shown by the large-text form
};

struct CK7QPreviewBuiltinEnv {
  std::string today;  // YYYYMMDD
};

// One built-in function of the macro language as the preview runs it. This
// table is the one list of them: the function library files describe
// exactly these, with these argument counts.
struct CK7QPreviewBuiltin {
  const char* name;
  int minArgs;
  int maxArgs;
  // One letter per parameter: 'v' a value (a quoted text, a variable's name,
  // a number, a reference or a call), 'n' the name of a variable that the
  // function sets; a call that names one writes nothing into the page.
  const char* params;
  const char* description;  // one line
  // Computes the result from the arguments (names of 'n' parameters are
  // passed as their text); 0, or the number of the message telling why not.
  unsigned (*run)(const std::vector<CK7QPreviewValue>& args, const CK7QPreviewBuiltinEnv& env,
                  std::string& result);
  // The result is the first argument itself when that is a large text, so a
  // large text keeps its content through an assignment or a path translation.
  bool passesLarge = false;
};

// Message numbers of the built-ins' refusals.
inline constexpr unsigned kIdsPreviewNotANumberArgument = 63830;
inline constexpr unsigned kIdsPreviewUnknownDateFormat = 63831;
inline constexpr unsigned kIdsPreviewUnknownSetting = 63832;

std::span<const CK7QPreviewBuiltin> K7QPreviewBuiltins();
// The built-in of that name (ignoring case), or null.
const CK7QPreviewBuiltin* K7QPreviewFindBuiltin(std::string_view name);
