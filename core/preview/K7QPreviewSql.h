#pragma once

#include <functional>
#include <string>
#include <string_view>

// Putting variable values into a function's SQL without letting a value
// change the statement, and telling a statement the preview may run.
//
// A value the author wrote (define section, assignments of constants) is
// macro text and goes in as it is, its own $(...) references included. A
// value from outside (a form field, a database value) is a literal wherever
// it lands: inside '...' its quotes are doubled (and backslashes inside
// E'...'), inside "..." its double quotes; anywhere else it must be a number
// and goes in as one; inside a comment, or with a NUL byte, it is refused.

// Why a statement was not run. The numbers are message numbers of the
// language library.
enum K7QPreviewSqlRefusal : unsigned {
  kSqlAccepted = 0,
  kSqlNotANumber = 63820,  // a value from outside where the SQL expects a number
  kSqlNoLiteral = 63821,   // a value from outside in a comment, or holding a NUL byte
  kSqlCircular = 63822,    // define variables that refer to each other
  kSqlNotSelect = 63823,   // the statement does not begin with SELECT
  kSqlMultiple = 63824,    // a semicolon: more than one statement
  kSqlInto = 63825,        // SELECT ... INTO would write a table
  kSqlCommand = 63826,     // a variable holding a command (%EXEC) in SQL
};

class CK7QPreviewSqlComposer {
 public:
  // A variable as SQL sees it; found is false for a name without a value.
  struct Value {
    bool found = false;
    bool trusted = true;  // the author's text; false for values from outside
    bool command = false;
    std::string text;
  };
  using Lookup = std::function<Value(const std::string& name)>;

  explicit CK7QPreviewSqlComposer(Lookup lookup) : m_lookup(std::move(lookup)) {}

  // Composes the statement from `text`. On refusal `detail` names the variable.
  K7QPreviewSqlRefusal Compose(std::string_view text, std::string& sql, std::string& detail);

 private:
  // SingleEnd and DoubleEnd: a quote was seen that ends the literal unless
  // another follows at once.
  enum class State {
    Normal,
    Single,
    SingleEnd,
    SingleEscape,
    Double,
    DoubleEnd,
    LineComment,
    BlockComment
  };

  K7QPreviewSqlRefusal Feed(std::string_view text, int depth, std::string& detail);
  void Put(char c);
  K7QPreviewSqlRefusal PutValue(const std::string& name, const std::string& value,
                                std::string& detail);

  Lookup m_lookup;
  std::string m_out;
  State m_state = State::Normal;
  bool m_escapeString = false;  // the open '...' is an E'...' string
};

// Checks a composed statement: it must begin with SELECT, hold no second
// statement and no INTO. A semicolon that only ends the text is dropped.
K7QPreviewSqlRefusal K7QPreviewCheckStatement(std::string& sql);
