#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "K7QBldGroceries.h"
#include "K7QBldSQL.h"

class CK7QBldProfile;
class CK7QBldProfileColumn;

// Messages of the SELECT page. 62355 and 62365 are shown under caption 62308.
inline constexpr unsigned kIdsSelectCaption = 62308;
inline constexpr unsigned kIdsDuplicateValue = 62355;
inline constexpr unsigned kIdsColumnNotForCondition = 62365;
inline constexpr unsigned kIdsQualifyColumn = 62369;
inline constexpr unsigned kIdsQualifiedLikePattern = 62372;
inline constexpr unsigned kIdsValueNotNumber = 63502;
inline constexpr unsigned kIdsValueNotDate = 63503;
inline constexpr unsigned kIdsConditionIncomplete = 63505;
inline constexpr unsigned kIdsChooseOperatorFirst = 63506;
inline constexpr unsigned kIdsOperatorAlreadyChosen = 63507;
inline constexpr unsigned kIdsConditionHasValue = 63508;
inline constexpr unsigned kIdsOperatorNotForColumn = 63509;

// What a column's values compare as, by its type code: DATE, DECIMAL,
// INTEGER and SMALLINT are numbers or dates, CHARACTER and VARCHAR text;
// other types (GRAPHIC, large objects, unknown) take no condition.
enum class K7QTypeClass { None, NumericDate, Character };

// What the next value of the condition being built becomes.
enum K7QMatchKind : int {
  kMatchNone = 0,
  kMatchBetween = 1,  // the first value of a BETWEEN is still to come
  kMatchContains = 2,
  kMatchStartsWith = 3,
  kMatchEndsWith = 4,
};

// Where a value of the value list comes from.
enum class K7QValueOrigin : int { Variable = 0, Column = 1, Typed = 2 };

// One row of the operator list: its label (a string number), the operator
// written into the condition, the type classes it applies to and the match
// kind it sets.
struct K7QSelectOperator {
  static constexpr int kNumericDate = 1;
  static constexpr int kCharacter = 2;
  unsigned label;
  std::string_view text;
  int applies;
  int matchKind;
};

// The SELECT page's working statement and the rules by which the page edits
// it point by point: result columns, conditions built from a column, an
// operator and values, and ordering. Every change rebuilds nothing by
// itself; Text() gives the statement text. Messages go through the prompt.
class CK7QBldSelectBuilder {
 public:
  enum Clause { kClauseResult, kClauseConditions, kClauseOrdering };

  // Where the condition being built stands.
  enum class Stage { Column, Operator, SecondValue, Complete };

  CK7QBldSelectBuilder(const CK7QBldProfile& profile, IK7QBldUserInterface& ui)
      : m_profile(profile), m_ui(ui) {}

  static const std::array<K7QSelectOperator, 10>& Operators();
  static K7QTypeClass ClassOf(int typeCode);
  static bool Applies(const K7QSelectOperator& op, K7QTypeClass typeClass);

  // Starts over on a copy of `statement`: nothing pending, nothing modified.
  void Load(const CK7QBldSQL& statement);
  const CK7QBldSQL& Statement() const { return m_sql; }
  std::string Text() const { return m_sql.BuildText(); }
  // Set by every change since Load.
  bool Modified() const { return m_modified; }
  int MatchKind() const { return m_matchKind; }

  // Result columns clear everything (the tables go with them); conditions
  // and ordering clear only their own list.
  void Clear(Clause clause);
  // Adds "TABLE.COLUMN" for each column not listed yet and the table to
  // FROM; the number of items added.
  int AddResultColumns(const std::string& table, const K7QStringList& columns);
  // Adds ("TABLE.COLUMN", direction) unless that expression is ordered already.
  bool AddOrdering(const std::string& table, const std::string& column,
                   const std::string& direction);
  // Starts a condition on a column: a column that takes no condition is
  // refused (62365); the same column twice stays one condition; a condition
  // of this page still waiting for its operator or value is finished first
  // (63505). The first condition has no connector, later ones AND or OR.
  bool AddConditionColumn(const std::string& table, const std::string& column, bool useOr);
  // Puts operator `index` of Operators() after the last condition's column,
  // or in place of the operator chosen last when no value followed it yet.
  bool ChooseOperator(std::size_t index);
  // Appends a value to the last condition, formatted by its origin and
  // quoted by the type of the condition's column. False when nothing was
  // appended (the reason shown, or the author cancelled).
  bool ApplyValue(const std::string& value, K7QValueOrigin origin, bool useOr);
  // The condition that binds a column ("TABLE.COLUMN") to an input form's
  // field: "T.C = $(F)" for numbers, "T.C = '$(F)'" for dates and
  // "T.C LIKE '%$(F)%'" for text. False for an unknown column or another type.
  bool BindInputField(const std::string& column, const std::string& field);

  // How a text typed into the value list counts: a column of any table,
  // else one of `variables` (ignoring case), else typed text.
  K7QValueOrigin Classify(const std::string& text, const K7QStringList& variables) const;

  // The profile column that a condition ("T.C ...") compares, or nullptr.
  const CK7QBldProfileColumn* ConditionColumn(std::string_view condition) const;
  static Stage StageOf(std::string_view condition);
  // The first condition this page made that still lacks its operator or a
  // value, or -1. Conditions read from the statement are the author's.
  int FirstIncompleteCondition() const;
  // Shows 63505 naming the first incomplete condition; true when there is none.
  bool CheckComplete() const;

  // A typed value for a column of type `typeCode` with match kind
  // `matchKind`: numbers as typed, dates and text as SQL strings (a quote
  // doubled) with the LIKE wildcards of the match kind. False with the
  // message number in `refusal` for a value that is not a number (63502)
  // or a date (63503); `refusal` 0 for a type that takes no value.
  static bool FormatTyped(std::string_view value, int typeCode, int matchKind, std::string& out,
                          unsigned& refusal);
  // 'TEXT' with every single quote doubled, with the wildcards of `matchKind`.
  static std::string QuoteText(std::string_view text, int matchKind);
  static bool IsNumber(std::string_view text);
  // YYYY-MM-DD naming a real day.
  static bool IsDate(std::string_view text);

 private:
  void SetLastConnector(bool useOr);
  void Refuse(unsigned id, const std::string& detail) const;

  const CK7QBldProfile& m_profile;
  IK7QBldUserInterface& m_ui;
  CK7QBldSQL m_sql;
  int m_matchKind = kMatchNone;
  bool m_modified = false;
  // Conditions from this index on were made on the page.
  std::size_t m_firstOwnCondition = 0;
};
