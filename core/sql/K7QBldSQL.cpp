#include "K7QBldSQL.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <new>

#include "K7QBldCp932.h"

namespace {

constexpr std::size_t kNpos = std::string_view::npos;

constexpr std::string_view kSelect = "SELECT";
constexpr std::string_view kFrom = "FROM";
constexpr std::string_view kWhere = "WHERE";
constexpr std::string_view kOrderBy = "ORDER BY";
constexpr std::string_view kAnd = "AND";
constexpr std::string_view kOr = "OR";
constexpr std::string_view kBetween = "BETWEEN";
constexpr std::string_view kLike = "LIKE";

// Carriage return counts as well, so that statements typed with CR LF line
// ends still show their keywords.
bool IsWordDelimiter(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The keywords the connector search looks for, by index.
enum ConnectorWord : std::size_t { kWordAnd, kWordOr, kWordBetween, kWordCount };
constexpr std::array<std::string_view, kWordCount> kConnectorWords = {kAnd, kOr, kBetween};

// The connector search over the text from `start`, with `find(word, from)`
// giving the first whole-word occurrence at or after `from` (or kNpos). The
// public search and the parser share it; the parser answers `find` from
// occurrences it collected once, so a long WHERE text is not rescanned per
// condition.
template <typename FindFn>
CK7QBldSQL::ConnectorHit NextConnectorFrom(std::size_t start, FindFn find) {
  std::size_t andAt = find(kWordAnd, start);
  if (andAt != kNpos) {
    // "x BETWEEN 1 AND 5": that AND is part of the condition.
    const std::size_t between = find(kWordBetween, start);
    if (between != kNpos && between < andAt) andAt = find(kWordAnd, andAt + kAnd.size());
  }
  const std::size_t orAt = find(kWordOr, start);
  CK7QBldSQL::ConnectorHit hit;
  if (andAt != kNpos && (orAt == kNpos || andAt < orAt)) {
    hit.position = static_cast<std::ptrdiff_t>(andAt);
    hit.kind = CK7QBldSQL::Connector::And;
  } else if (orAt != kNpos) {
    hit.position = static_cast<std::ptrdiff_t>(orAt);
    hit.kind = CK7QBldSQL::Connector::Or;
  }
  return hit;
}

std::size_t FindWord(std::string_view text, std::string_view keyword, std::size_t from) {
  const std::ptrdiff_t at = CK7QBldSQL::FindKeyword(text, keyword, from);
  return at < 0 ? kNpos : static_cast<std::size_t>(at);
}

// Cuts at every comma; the pieces keep their blanks. An empty text gives no item.
void CutAtCommas(std::string_view text, K7QStringList& list) {
  if (text.empty()) return;
  std::size_t start = 0;
  for (std::size_t comma = K7QCp932::Find(text, ','); comma != kNpos;
       comma = K7QCp932::Find(text, ',', start)) {
    list.emplace_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  list.emplace_back(text.substr(start));
}

int FindNoCase(const K7QStringList& list, std::string_view name) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (CK7QBldGroceries::EqualNoCase(list[i], name)) return static_cast<int>(i);
  }
  return -1;
}

struct Token {
  std::size_t begin;
  std::size_t end;
};

std::vector<Token> SplitAtBlanks(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsWordDelimiter(text[i])) ++i;
    if (i == text.size()) break;
    const std::size_t begin = i;
    while (i < text.size() && !IsWordDelimiter(text[i])) i += K7QCp932::CharLength(text, i);
    tokens.push_back({begin, i});
  }
  return tokens;
}

// Comparison operators, the two-character ones first so that ">=" is not
// taken for ">" followed by a value "=...".
constexpr std::array<std::string_view, 6> kOperators = {"<>", ">=", "<=", "=", ">", "<"};

std::size_t OperatorAt(std::string_view text, std::size_t at) {
  for (std::string_view op : kOperators) {
    if (text.substr(at, op.size()) == op) return op.size();
  }
  return 0;
}

std::size_t OperatorEnding(std::string_view text) {
  for (std::string_view op : kOperators) {
    if (text.size() > op.size() && text.substr(text.size() - op.size()) == op) return op.size();
  }
  return 0;
}

// A part of a condition to pass through the name substitution.
struct Span {
  std::size_t begin;
  std::size_t end;
};

// The name and value parts of a condition, by its shape at blanks:
// "T.C=5" (one token), "T.C= 5" / "T.C =5" (two), "T.C = 5" (three),
// "T.C BETWEEN A AND B" (five); longer forms give only the column name.
std::vector<Span> ConditionSpans(std::string_view text) {
  const std::vector<Token> tokens = SplitAtBlanks(text);
  std::vector<Span> parts;
  if (tokens.empty()) return parts;
  auto tokenText = [&](std::size_t i) {
    return text.substr(tokens[i].begin, tokens[i].end - tokens[i].begin);
  };
  const Token first = tokens[0];
  if (tokens.size() == 1) {
    const std::string_view t = tokenText(0);
    for (std::size_t at = 1; at < t.size(); at += K7QCp932::CharLength(t, at)) {
      const std::size_t len = OperatorAt(t, at);
      if (len == 0) continue;
      if (at + len >= t.size()) break;  // an operator at the end compares nothing
      parts.push_back({first.begin, first.begin + at});
      parts.push_back({first.begin + at + len, first.end});
      return parts;
    }
    parts.push_back({first.begin, first.end});
    return parts;
  }
  if (tokens.size() == 2) {
    const std::size_t ending = OperatorEnding(tokenText(0));
    if (ending > 0) {
      parts.push_back({first.begin, first.end - ending});
      parts.push_back({tokens[1].begin, tokens[1].end});
      return parts;
    }
    parts.push_back({first.begin, first.end});
    const std::string_view second = tokenText(1);
    const std::size_t leading = OperatorAt(second, 0);
    if (leading > 0 && leading < second.size())
      parts.push_back({tokens[1].begin + leading, tokens[1].end});
    return parts;
  }
  parts.push_back({first.begin, first.end});
  const std::string_view op = tokenText(1);
  if (tokens.size() == 3) {
    if (!CK7QBldGroceries::EqualNoCase(op, kLike))
      parts.push_back({tokens[2].begin, tokens[2].end});
    return parts;
  }
  if (tokens.size() == 5 && CK7QBldGroceries::EqualNoCase(op, kBetween) &&
      CK7QBldGroceries::EqualNoCase(tokenText(3), kAnd)) {
    parts.push_back({tokens[2].begin, tokens[2].end});
    parts.push_back({tokens[4].begin, tokens[4].end});
  }
  return parts;
}

void AppendSeparated(std::string& out, const K7QStringList& list,
                     const CK7QBldSQL::CampaignContext* campaign) {
  bool first = true;
  for (const std::string& item : list) {
    out += first ? ' ' : ',';
    first = false;
    out += campaign ? CK7QBldSQL::SubstituteCampaignName(item, *campaign) : item;
  }
}

}  // namespace

void CK7QBldSQL::CopyTablesAndItems(CK7QBldSQL& source, bool takePairs) {
  if (&source == this) return;
  m_tables = source.m_tables;
  m_resultItems = source.m_resultItems;
  if (!takePairs) return;
  m_conditions = std::move(source.m_conditions);
  m_orderings = std::move(source.m_orderings);
  source.m_conditions.clear();
  source.m_orderings.clear();
}

void CK7QBldSQL::Clear() {
  m_tables.clear();
  m_resultItems.clear();
  m_conditions.clear();
  m_orderings.clear();
}

bool CK7QBldSQL::IsEmpty() const {
  return m_tables.empty() && m_resultItems.empty() && m_conditions.empty() && m_orderings.empty();
}

int CK7QBldSQL::FindTable(std::string_view name) const { return FindNoCase(m_tables, name); }

int CK7QBldSQL::FindResultItem(std::string_view name) const {
  return FindNoCase(m_resultItems, name);
}

int CK7QBldSQL::FindCondition(std::string_view text) const {
  for (std::size_t i = 0; i < m_conditions.size(); ++i) {
    if (CK7QBldGroceries::EqualNoCase(m_conditions[i].text, text)) return static_cast<int>(i);
  }
  return -1;
}

int CK7QBldSQL::FindOrdering(std::string_view expression) const {
  for (std::size_t i = 0; i < m_orderings.size(); ++i) {
    if (CK7QBldGroceries::EqualNoCase(m_orderings[i].expression, expression))
      return static_cast<int>(i);
  }
  return -1;
}

std::string CK7QBldSQL::BuildText(const CampaignContext* campaign) const {
  try {
    std::string out;
    if (!m_resultItems.empty()) {
      out += kSelect;
      AppendSeparated(out, m_resultItems, campaign);
    }
    if (!m_tables.empty()) {
      out += ' ';
      out += kFrom;
      AppendSeparated(out, m_tables, campaign);
    }
    if (!m_conditions.empty()) {
      out += ' ';
      out += kWhere;
      for (const Condition& c : m_conditions) {
        out += ' ';
        if (!c.connector.empty()) {
          out += c.connector;
          out += ' ';
        }
        out += campaign ? SubstituteCampaignCondition(c.text, *campaign) : c.text;
      }
    }
    if (!m_orderings.empty()) {
      out += ' ';
      out += kOrderBy;
      bool first = true;
      for (const Ordering& o : m_orderings) {
        out += first ? ' ' : ',';
        first = false;
        out += campaign ? SubstituteCampaignName(o.expression, *campaign) : o.expression;
        if (!o.direction.empty()) {
          out += ' ';
          out += o.direction;
        }
      }
    }
    return out;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

bool CK7QBldSQL::ParseText(std::string_view text, const CK7QBldGroceries* groceries) {
  Clear();
  try {
    ParseLists(text);
  } catch (const std::bad_alloc& e) {
    // Half-filled lists would pass for a statement; leave nothing instead.
    Clear();
    if (groceries) groceries->ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

void CK7QBldSQL::ParseLists(std::string_view text) {
  const std::size_t select = FindWord(text, kSelect, 0);
  if (select == kNpos) return;
  const std::size_t afterSelect = select + kSelect.size();
  const std::size_t from = FindWord(text, kFrom, afterSelect);
  if (from == kNpos) return;
  CutAtCommas(CK7QBldGroceries::Trim(text.substr(afterSelect, from - afterSelect)), m_resultItems);

  const std::size_t afterFrom = from + kFrom.size();
  const std::size_t orderBy = FindWord(text, kOrderBy, afterFrom);
  std::size_t where = FindWord(text, kWhere, afterFrom);
  // A WHERE behind the ordering is no clause of its own; taking it would
  // make the condition text run backwards.
  if (where != kNpos && orderBy != kNpos && where > orderBy) where = kNpos;
  const std::size_t tablesEnd = where != kNpos ? where : orderBy != kNpos ? orderBy : text.size();
  CutAtCommas(CK7QBldGroceries::Trim(text.substr(afterFrom, tablesEnd - afterFrom)), m_tables);

  if (where != kNpos) {
    const std::size_t begin = where + kWhere.size();
    const std::size_t end = orderBy != kNpos ? orderBy : text.size();
    const std::string conditions = CK7QBldGroceries::Trim(text.substr(begin, end - begin));
    const std::string_view view(conditions);

    std::array<std::vector<std::size_t>, kWordCount> occurrences;
    for (std::size_t w = 0; w < kWordCount; ++w) {
      for (std::size_t at = FindWord(view, kConnectorWords[w], 0); at != kNpos;
           at = FindWord(view, kConnectorWords[w], at + kConnectorWords[w].size()))
        occurrences[w].push_back(at);
    }
    // The rest after a connector starts with its delimiter, so the
    // occurrences in the rest are exactly those of the whole text behind it.
    auto find = [&occurrences](std::size_t word, std::size_t at) {
      const auto& list = occurrences[word];
      const auto it = std::lower_bound(list.begin(), list.end(), at);
      return it == list.end() ? kNpos : *it;
    };
    std::size_t start = 0;
    std::string_view connector;
    for (ConnectorHit hit = NextConnectorFrom(start, find); hit.kind != Connector::None;
         hit = NextConnectorFrom(start, find)) {
      const auto at = static_cast<std::size_t>(hit.position);
      m_conditions.push_back(
          {CK7QBldGroceries::Trim(view.substr(start, at - start)), std::string(connector)});
      connector = hit.kind == Connector::And ? kAnd : kOr;
      start = at + connector.size();
    }
    m_conditions.push_back({CK7QBldGroceries::Trim(view.substr(start)), std::string(connector)});
  }

  if (orderBy != kNpos) {
    const std::string rest(text.substr(orderBy + kOrderBy.size()));
    K7QStringList items;
    if (CK7QBldGroceries::SplitString(rest, items, ',', false) == 0) return;
    K7QStringList fields;
    for (const std::string& item : items) {
      fields.clear();
      const int count = item.empty() ? 0 : CK7QBldGroceries::SplitString(item, fields, ' ', false);
      // "a DESC NULLS" and "a  DESC" (an empty field between) are not orderings.
      if (count == 1) m_orderings.push_back({fields[0], {}});
      if (count == 2) m_orderings.push_back({fields[0], fields[1]});
    }
  }
}

std::ptrdiff_t CK7QBldSQL::FindKeyword(std::string_view text, std::string_view keyword,
                                       std::size_t from) {
  if (keyword.empty()) return -1;
  for (std::size_t at = K7QCp932::Find(text, keyword, from); at != kNpos;
       at = K7QCp932::Find(text, keyword, at + keyword.size())) {
    const std::size_t end = at + keyword.size();
    const bool startsWord = at == 0 || IsWordDelimiter(text[at - 1]);
    const bool endsWord = end == text.size() || IsWordDelimiter(text[end]);
    if (startsWord && endsWord) return static_cast<std::ptrdiff_t>(at);
  }
  return -1;
}

CK7QBldSQL::ConnectorHit CK7QBldSQL::NextConnector(std::string_view text) {
  return NextConnectorFrom(0, [text](std::size_t word, std::size_t from) {
    return FindWord(text, kConnectorWords[word], from);
  });
}

std::string CK7QBldSQL::SubstituteCampaignName(const std::string& name,
                                               const CampaignContext& campaign) {
  K7QStringList parts;
  const int count = CK7QBldGroceries::SplitString(name, parts, '.', false);
  if ((count != 1 && count != 2) || parts[0].empty()) return name;
  const bool matches =
      std::any_of(campaign.tables.begin(), campaign.tables.end(), [&](const CampaignTable& entry) {
        return CK7QBldGroceries::EqualNoCase(entry.key, campaign.key) &&
               CK7QBldGroceries::EqualNoCase(entry.table, parts[0]);
      });
  if (!matches) return name;
  // Keep the blanks around the name: " t.c" after a comma stays " $(CAMP_TABLE).c".
  std::size_t lead = 0;
  while (lead < name.size() && std::isspace(static_cast<unsigned char>(name[lead]))) ++lead;
  std::size_t trail = name.size();
  while (trail > lead && std::isspace(static_cast<unsigned char>(name[trail - 1]))) --trail;
  std::string out = name.substr(0, lead);
  out += kCampaignTableVariable;
  if (count == 2) {
    out += '.';
    out += parts[1];
  }
  out.append(name, trail, std::string::npos);
  return out;
}

std::string CK7QBldSQL::SubstituteCampaignCondition(const std::string& condition,
                                                    const CampaignContext& campaign) {
  const std::vector<Span> parts = ConditionSpans(condition);
  std::string out;
  out.reserve(condition.size() + 16);
  std::size_t copied = 0;
  for (const Span& part : parts) {
    out.append(condition, copied, part.begin - copied);
    out += SubstituteCampaignName(condition.substr(part.begin, part.end - part.begin), campaign);
    copied = part.end;
  }
  out.append(condition, copied, std::string::npos);
  return out;
}
