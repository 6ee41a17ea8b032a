#include "K7QBldSelectBuilder.h"

#include <cctype>

#include "K7QBldCampaignEntry.h"
#include "K7QBldCp932.h"
#include "K7QBldProfile.h"

namespace {

constexpr int kBoth = K7QSelectOperator::kNumericDate | K7QSelectOperator::kCharacter;

constexpr std::array<K7QSelectOperator, 10> kOperators = {{
    {62288, "=", kBoth, kMatchNone},
    {62289, "<>", kBoth, kMatchNone},
    {62290, ">", K7QSelectOperator::kNumericDate, kMatchNone},
    {62291, ">=", K7QSelectOperator::kNumericDate, kMatchNone},
    {62292, "<", K7QSelectOperator::kNumericDate, kMatchNone},
    {62293, "<=", K7QSelectOperator::kNumericDate, kMatchNone},
    {62294, "BETWEEN", K7QSelectOperator::kNumericDate, kMatchBetween},
    {62296, "LIKE", K7QSelectOperator::kCharacter, kMatchContains},
    {62297, "LIKE", K7QSelectOperator::kCharacter, kMatchStartsWith},
    {62298, "LIKE", K7QSelectOperator::kCharacter, kMatchEndsWith},
}};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsOperatorChar(char c) { return c == '=' || c == '<' || c == '>'; }

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) break;
    const std::size_t begin = i;
    while (i < text.size() && !IsBlank(text[i])) i += K7QCp932::CharLength(text, i);
    tokens.push_back(text.substr(begin, i - begin));
  }
  return tokens;
}

bool IsOperatorWord(std::string_view token) {
  for (const K7QSelectOperator& op : kOperators) {
    if (CK7QBldGroceries::EqualNoCase(token, op.text)) return true;
  }
  return false;
}

bool IsVariableReference(std::string_view text) {
  return text.size() > 3 && text.substr(0, 2) == "$(" && text.back() == ')' &&
         K7QCp932::Find(text, ' ') == std::string_view::npos;
}

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace

const std::array<K7QSelectOperator, 10>& CK7QBldSelectBuilder::Operators() { return kOperators; }

K7QTypeClass CK7QBldSelectBuilder::ClassOf(int typeCode) {
  switch (typeCode) {
    case kTypeDate:
    case kTypeDecimal:
    case kTypeInteger:
    case kTypeSmallint:
      return K7QTypeClass::NumericDate;
    case kTypeCharacter:
    case kTypeVarchar:
      return K7QTypeClass::Character;
    default:
      return K7QTypeClass::None;
  }
}

bool CK7QBldSelectBuilder::Applies(const K7QSelectOperator& op, K7QTypeClass typeClass) {
  switch (typeClass) {
    case K7QTypeClass::NumericDate:
      return (op.applies & K7QSelectOperator::kNumericDate) != 0;
    case K7QTypeClass::Character:
      return (op.applies & K7QSelectOperator::kCharacter) != 0;
    case K7QTypeClass::None:
      break;
  }
  return false;
}

void CK7QBldSelectBuilder::Load(const CK7QBldSQL& statement) {
  m_sql = statement;
  m_firstOwnCondition = m_sql.Conditions().size();
  m_matchKind = kMatchNone;
  m_modified = false;
}

void CK7QBldSelectBuilder::Clear(Clause clause) {
  const bool had = clause == kClauseResult       ? !m_sql.IsEmpty()
                   : clause == kClauseConditions ? !m_sql.Conditions().empty()
                                                 : !m_sql.Orderings().empty();
  switch (clause) {
    case kClauseResult:
      m_sql.Clear();
      m_firstOwnCondition = 0;
      break;
    case kClauseConditions:
      m_sql.Conditions().clear();
      m_firstOwnCondition = 0;
      break;
    case kClauseOrdering:
      m_sql.Orderings().clear();
      break;
  }
  if (clause != kClauseOrdering) m_matchKind = kMatchNone;
  if (had) m_modified = true;
}

int CK7QBldSelectBuilder::AddResultColumns(const std::string& table, const K7QStringList& columns) {
  int added = 0;
  for (const std::string& column : columns) {
    const std::string item = table + "." + column;
    if (m_sql.FindResultItem(item) >= 0) continue;
    m_sql.AddResultItem(item);
    ++added;
  }
  if (added > 0 && m_sql.FindTable(table) < 0) m_sql.AddTable(table);
  if (added > 0) m_modified = true;
  return added;
}

bool CK7QBldSelectBuilder::AddOrdering(const std::string& table, const std::string& column,
                                       const std::string& direction) {
  if (table.empty() || column.empty()) return false;
  const std::string expression = table + "." + column;
  if (m_sql.FindOrdering(expression) >= 0) return false;
  m_sql.AddOrdering(expression, direction);
  m_modified = true;
  return true;
}

bool CK7QBldSelectBuilder::AddConditionColumn(const std::string& table, const std::string& column,
                                              bool useOr) {
  if (table.empty() || column.empty()) return false;
  const CK7QBldProfileColumn* found = m_profile.FindColumn(table, column);
  if (!found || ClassOf(found->m_typeCode) == K7QTypeClass::None) {
    Refuse(kIdsColumnNotForCondition, table + "." + column);
    return false;
  }
  const std::string text = table + "." + column;
  if (m_sql.FindCondition(text) >= 0) return false;
  // "A AND B" with A still bare would be written into the macro as it stands.
  if (!CheckComplete()) return false;
  m_sql.AddCondition(text, m_sql.Conditions().empty() ? "" : (useOr ? "OR" : "AND"));
  m_matchKind = kMatchNone;
  m_modified = true;
  return true;
}

bool CK7QBldSelectBuilder::ChooseOperator(std::size_t index) {
  if (m_sql.Conditions().empty() || index >= kOperators.size()) return false;
  CK7QBldSQL::Condition& last = m_sql.Conditions().back();
  const K7QSelectOperator& op = kOperators[index];
  const CK7QBldProfileColumn* column = ConditionColumn(last.text);
  if (!Applies(op, column ? ClassOf(column->m_typeCode) : K7QTypeClass::None)) {
    Refuse(kIdsOperatorNotForColumn, last.text);
    return false;
  }
  const Stage stage = StageOf(last.text);
  if (stage == Stage::SecondValue || stage == Stage::Complete) {
    Refuse(kIdsOperatorAlreadyChosen, last.text);
    return false;
  }
  if (stage == Stage::Operator) {
    // No value yet: the author picked another operator, which replaces it.
    std::size_t end = last.text.size();
    while (end > 0 && IsBlank(last.text[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && !IsBlank(last.text[begin - 1]) && !IsOperatorChar(last.text[begin - 1]))
      --begin;
    if (begin == end) {
      while (begin > 0 && IsOperatorChar(last.text[begin - 1])) --begin;
    }
    while (begin > 0 && IsBlank(last.text[begin - 1])) --begin;
    last.text.erase(begin);
  }
  last.text += ' ';
  last.text += op.text;
  m_matchKind = op.matchKind;
  m_modified = true;
  return true;
}

bool CK7QBldSelectBuilder::ApplyValue(const std::string& value, K7QValueOrigin origin, bool useOr) {
  if (m_sql.Conditions().empty() || value.empty()) return false;
  CK7QBldSQL::Condition& last = m_sql.Conditions().back();
  switch (StageOf(last.text)) {
    case Stage::Column:
      Refuse(kIdsChooseOperatorFirst, last.text);
      return false;
    case Stage::Complete:
      Refuse(kIdsConditionHasValue, last.text);
      return false;
    default:
      break;
  }
  const CK7QBldProfileColumn* column = ConditionColumn(last.text);
  const int typeCode = column ? column->m_typeCode : kTypeOther;
  const K7QTypeClass typeClass = ClassOf(typeCode);
  if (typeClass == K7QTypeClass::None) {
    Refuse(kIdsColumnNotForCondition, last.text);
    return false;
  }
  // Only LIKE patterns take wildcards; a value after "=" is compared whole.
  const int kind = typeClass == K7QTypeClass::Character ? m_matchKind : kMatchNone;
  std::string formatted;
  switch (origin) {
    case K7QValueOrigin::Variable: {
      const std::string reference = "$(" + value + ")";
      formatted = typeClass == K7QTypeClass::Character || typeCode == kTypeDate
                      ? QuoteText(reference, kind)
                      : reference;
      break;
    }
    case K7QValueOrigin::Column: {
      const int answer = m_ui.Prompt(
          kIdsQualifyColumn, m_ui.String(kIdsQualifyColumn) + "\n\n" + K7QCp932::ToUtf8(value),
          K7QIcon::Question, K7QButtons::YesNoCancel);
      if (answer == kIdCancel) return false;
      const CK7QBldProfileColumn* named = m_profile.FindColumnInAnyTable(value);
      if (answer == kIdYes && named) {
        if (kind >= kMatchContains) {
          m_ui.Prompt(kIdsQualifiedLikePattern,
                      m_ui.String(kIdsQualifiedLikePattern) + "\n\n" +
                          K7QCp932::ToUtf8(named->m_table + "." + named->m_column),
                      K7QIcon::Exclamation, K7QButtons::Ok);
          return false;
        }
        formatted = named->m_table + "." + named->m_column;
      } else {
        formatted = typeClass == K7QTypeClass::Character ? QuoteText(value, kind) : value;
      }
      break;
    }
    case K7QValueOrigin::Typed: {
      unsigned refusal = 0;
      if (!FormatTyped(value, typeCode, kind, formatted, refusal)) {
        Refuse(refusal ? refusal : kIdsColumnNotForCondition, value);
        return false;
      }
      break;
    }
  }
  last.text += ' ';
  last.text += formatted;
  if (m_matchKind == kMatchBetween) {
    last.text += " AND";
    m_matchKind = kMatchNone;
  }
  SetLastConnector(useOr);
  m_modified = true;
  return true;
}

bool CK7QBldSelectBuilder::BindInputField(const std::string& column, const std::string& field) {
  const std::size_t dot = K7QCp932::Find(column, '.');
  if (dot == std::string::npos || field.empty()) return false;
  const CK7QBldProfileColumn* found = m_profile.FindColumn(
      std::string_view(column).substr(0, dot), std::string_view(column).substr(dot + 1));
  if (!found) return false;
  const std::string reference = "$(" + field + ")";
  std::string text;
  switch (ClassOf(found->m_typeCode)) {
    case K7QTypeClass::Character:
      text = column + " LIKE " + QuoteText(reference, kMatchContains);
      break;
    case K7QTypeClass::NumericDate:
      // A date compared with a bare 2024-01-31 would be compared with 1992.
      text = column + " = " +
             (found->m_typeCode == kTypeDate ? QuoteText(reference, kMatchNone) : reference);
      break;
    case K7QTypeClass::None:
      return false;
  }
  if (m_sql.FindCondition(text) >= 0) return false;
  // Two conditions without a connector between them would not be SQL.
  m_sql.AddCondition(text, m_sql.Conditions().empty() ? "" : "AND");
  m_modified = true;
  return true;
}

K7QValueOrigin CK7QBldSelectBuilder::Classify(const std::string& text,
                                              const K7QStringList& variables) const {
  if (m_profile.FindColumnInAnyTable(text)) return K7QValueOrigin::Column;
  for (const std::string& variable : variables) {
    if (CK7QBldGroceries::EqualNoCase(variable, text)) return K7QValueOrigin::Variable;
  }
  return K7QValueOrigin::Typed;
}

const CK7QBldProfileColumn* CK7QBldSelectBuilder::ConditionColumn(
    std::string_view condition) const {
  const std::vector<std::string_view> tokens = Tokens(condition);
  if (tokens.empty()) return nullptr;
  std::string_view name = tokens.front();
  for (std::size_t i = 0; i < name.size(); i += K7QCp932::CharLength(name, i)) {
    if (IsOperatorChar(name[i])) {
      name = name.substr(0, i);
      break;
    }
  }
  const std::size_t dot = K7QCp932::Find(name, '.');
  if (dot == std::string_view::npos) return nullptr;
  return m_profile.FindColumn(name.substr(0, dot), name.substr(dot + 1));
}

CK7QBldSelectBuilder::Stage CK7QBldSelectBuilder::StageOf(std::string_view condition) {
  const std::vector<std::string_view> tokens = Tokens(condition);
  if (tokens.empty()) return Stage::Column;
  if (tokens.size() == 1) {
    // "T.C" alone waits for its operator; "T.C>5" is whole, "T.C>=" is not.
    const std::string_view t = tokens.front();
    bool hasOperator = false;
    for (std::size_t i = 0; i < t.size(); i += K7QCp932::CharLength(t, i))
      hasOperator = hasOperator || IsOperatorChar(t[i]);
    if (!hasOperator) return Stage::Column;
    return IsOperatorChar(t.back()) ? Stage::Operator : Stage::Complete;
  }
  const std::string_view last = tokens.back();
  if (IsOperatorWord(last)) return Stage::Operator;
  if (tokens.size() == 4 && CK7QBldGroceries::EqualNoCase(last, "AND") &&
      CK7QBldGroceries::EqualNoCase(tokens[1], "BETWEEN"))
    return Stage::SecondValue;
  return Stage::Complete;
}

int CK7QBldSelectBuilder::FirstIncompleteCondition() const {
  const auto& conditions = m_sql.Conditions();
  for (std::size_t i = m_firstOwnCondition; i < conditions.size(); ++i) {
    if (StageOf(conditions[i].text) != Stage::Complete) return static_cast<int>(i);
  }
  return -1;
}

bool CK7QBldSelectBuilder::CheckComplete() const {
  const int incomplete = FirstIncompleteCondition();
  if (incomplete < 0) return true;
  Refuse(kIdsConditionIncomplete, m_sql.Conditions()[static_cast<std::size_t>(incomplete)].text);
  return false;
}

bool CK7QBldSelectBuilder::FormatTyped(std::string_view value, int typeCode, int matchKind,
                                       std::string& out, unsigned& refusal) {
  refusal = 0;
  switch (ClassOf(typeCode)) {
    case K7QTypeClass::None:
      return false;
    case K7QTypeClass::Character:
      out = QuoteText(value, matchKind);
      return true;
    case K7QTypeClass::NumericDate:
      break;
  }
  if (typeCode == kTypeDate) {
    if (IsDate(value) || IsVariableReference(value)) {
      out = QuoteText(value, kMatchNone);
      return true;
    }
    // Typed as an SQL string already.
    if (value.size() == 12 && value.front() == '\'' && value.back() == '\'' &&
        IsDate(value.substr(1, 10))) {
      out.assign(value);
      return true;
    }
    refusal = kIdsValueNotDate;
    return false;
  }
  if (IsNumber(value) || IsVariableReference(value)) {
    out.assign(value);
    return true;
  }
  refusal = kIdsValueNotNumber;
  return false;
}

std::string CK7QBldSelectBuilder::QuoteText(std::string_view text, int matchKind) {
  std::string out;
  out.reserve(text.size() + 4);
  out += '\'';
  if (matchKind == kMatchContains || matchKind == kMatchEndsWith) out += '%';
  // A quote is below 0x40, so it is never the trail byte of a double-byte character.
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  if (matchKind == kMatchContains || matchKind == kMatchStartsWith) out += '%';
  out += '\'';
  return out;
}

bool CK7QBldSelectBuilder::IsNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  bool digits = false;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    ++i;
    digits = true;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      ++i;
      digits = true;
    }
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!IsDigits(text.substr(i))) return false;
    return true;
  }
  return i == text.size();
}

bool CK7QBldSelectBuilder::IsDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  std::string digits;
  digits.append(text.substr(0, 4)).append(text.substr(5, 2)).append(text.substr(8, 2));
  return CK7QBldCampaignEntry::IsDate(digits);
}

void CK7QBldSelectBuilder::SetLastConnector(bool useOr) {
  auto& conditions = m_sql.Conditions();
  if (conditions.empty()) return;
  conditions.back().connector = conditions.size() == 1 ? "" : (useOr ? "OR" : "AND");
}

void CK7QBldSelectBuilder::Refuse(unsigned id, const std::string& detail) const {
  std::string text = m_ui.String(id);
  if (!detail.empty()) text += "\n\n" + K7QCp932::ToUtf8(detail);
  m_ui.PromptCaptioned(kIdsSelectCaption, id, text, K7QIcon::Exclamation, K7QButtons::Ok);
}
