#pragma once

#include <string>
#include <vector>

#include "K7QBldFunctionLibrary.h"

// Message numbers of the argument dialog.
inline constexpr unsigned kIdsArgumentEmptyValue = 62326;
inline constexpr unsigned kIdsArgumentNoRow = 62347;
inline constexpr unsigned kIdsArgumentDeleteCaption = 62348;
inline constexpr unsigned kIdsArgumentOnlyRow = 62349;
inline constexpr unsigned kIdsArgumentLastRow = 62350;
inline constexpr unsigned kIdsArgumentSetCaption = 62351;
inline constexpr unsigned kIdsArgumentNotOneValue = 63703;

// The rows of the argument dialog: one per argument of a function with a
// fixed number of them, or "NAME1", "NAME2", ... and an empty row to add
// the next one for a function that takes any number. The dialog shows
// them; the rules of setting, deleting and storing values live here.
class CK7QBldArgumentRows {
 public:
  struct Row {
    std::string name;
    std::string value;
  };

  // The rows for `function` and the values stored for it.
  explicit CK7QBldArgumentRows(const CK7QBldLibraryFunction& function);

  const std::vector<Row>& Rows() const { return m_rows; }
  bool Variable() const { return m_variable; }

  // Gives every row of `selected` the value `text` (trimmed, and quoted
  // when it would not stay one argument of the call as it stands); a
  // function with any number of arguments gets a new empty row, whose name
  // is also added to `argumentLines`. 0, or the message telling why nothing
  // changed (62347, 62326, 63703; caption 62351).
  unsigned Set(const std::vector<int>& selected, const std::string& text,
               K7QStringList* argumentLines = nullptr);
  // Deletes the rows of `selected` and numbers the rest again. 0, or the
  // message telling why nothing changed (62347, 62349, 62350; caption 62348).
  unsigned Delete(const std::vector<int>& selected);
  // The values as stored on OK: each row's value at its position, empty
  // texts for empty rows before the last row that has one.
  K7QStringList Values() const;

  // `value` as one argument of a call: as it stands when the macro reader
  // takes it for one (quotes closed, parentheses matched, no comma outside
  // them), else in double quotes. False when neither would do (it holds a
  // double quote and would still split or spill).
  static bool QuoteArgument(const std::string& value, std::string& argument);
  // "@NAME(v1,v2,...)": the call the function page drags.
  static std::string BuildCall(const std::string& name, const K7QStringList& values);

 private:
  std::string RowName(std::size_t number) const;

  std::vector<Row> m_rows;
  bool m_variable = false;
  std::string m_firstName;
};
