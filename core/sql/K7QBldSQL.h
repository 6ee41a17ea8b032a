#pragma once

// Folder core/sql: SELECT statement text, built and parsed.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "K7QBldGroceries.h"

// A SELECT statement held as four lists, so that the SELECT page can edit it
// point by point and a statement typed as text can be taken apart again.
// Items are kept exactly as given: nothing is quoted, escaped or re-spaced.
class CK7QBldSQL {
 public:
  // A condition of the WHERE clause; the connector ("AND", "OR" or empty)
  // stands before the condition, so the first one has none.
  struct Condition {
    std::string text;
    std::string connector;
    bool operator==(const Condition&) const = default;
  };

  // An item of the ORDER BY clause; direction is "ASC", "DESC" or empty.
  struct Ordering {
    std::string expression;
    std::string direction;
    bool operator==(const Ordering&) const = default;
  };

  // One table of a campaign: the function (key) it belongs to and the normal
  // table that the function's statement names.
  struct CampaignTable {
    std::string key;
    std::string table;
  };

  // What BuildText needs to write a campaign's table as a variable: the key
  // of the statement being built and the campaign list's tables.
  struct CampaignContext {
    std::string key;
    std::vector<CampaignTable> tables;
  };

  enum class Connector { None, And, Or };

  struct ConnectorHit {
    std::ptrdiff_t position = -1;  // where the connector word starts, -1 for none
    Connector kind = Connector::None;
  };

  static constexpr std::string_view kCampaignTableVariable = "$(CAMP_TABLE)";

  CK7QBldSQL() = default;
  // Copying replaces all four lists of the target.
  CK7QBldSQL(const CK7QBldSQL&) = default;
  CK7QBldSQL& operator=(const CK7QBldSQL&) = default;
  CK7QBldSQL(CK7QBldSQL&&) noexcept = default;
  CK7QBldSQL& operator=(CK7QBldSQL&&) noexcept = default;
  bool operator==(const CK7QBldSQL&) const = default;

  // Replaces the tables and result items by the source's. With `takePairs`
  // the target's conditions and orderings are dropped and the source's are
  // handed over (the source is left without any); otherwise both keep theirs.
  void CopyTablesAndItems(CK7QBldSQL& source, bool takePairs);

  void Clear();
  bool IsEmpty() const;

  const K7QStringList& Tables() const { return m_tables; }
  K7QStringList& Tables() { return m_tables; }
  const K7QStringList& ResultItems() const { return m_resultItems; }
  K7QStringList& ResultItems() { return m_resultItems; }
  const std::vector<Condition>& Conditions() const { return m_conditions; }
  std::vector<Condition>& Conditions() { return m_conditions; }
  const std::vector<Ordering>& Orderings() const { return m_orderings; }
  std::vector<Ordering>& Orderings() { return m_orderings; }

  void AddTable(std::string table) { m_tables.push_back(std::move(table)); }
  void AddResultItem(std::string item) { m_resultItems.push_back(std::move(item)); }
  void AddCondition(std::string text, std::string connector = {}) {
    m_conditions.push_back({std::move(text), std::move(connector)});
  }
  void AddOrdering(std::string expression, std::string direction = {}) {
    m_orderings.push_back({std::move(expression), std::move(direction)});
  }

  // Index of the first entry equal to `name` ignoring case, or -1: the SELECT
  // page adds a table, result item, condition or ordering only once.
  int FindTable(std::string_view name) const;
  int FindResultItem(std::string_view name) const;
  int FindCondition(std::string_view text) const;
  int FindOrdering(std::string_view expression) const;

  // The statement text, e.g. "SELECT a,b FROM t WHERE x = 1 AND y = 2 ORDER BY a DESC";
  // a clause is written only when its list is not empty. With a campaign the
  // campaign's table is written as "$(CAMP_TABLE)". Empty on a memory shortage.
  std::string BuildText(const CampaignContext* campaign = nullptr) const;

  // Clears the object and fills the four lists from `text`. True also for an
  // empty text or one without SELECT and FROM (the object then stays empty);
  // false after a memory shortage, reported through `groceries` when given
  // (the object is then left empty).
  bool ParseText(std::string_view text, const CK7QBldGroceries* groceries = nullptr);

  // Position of the first whole-word, case-sensitive occurrence of `keyword`
  // at or after `from`, or -1. Words are delimited by blank, tab, line feed,
  // carriage return and the ends of the text.
  static std::ptrdiff_t FindKeyword(std::string_view text, std::string_view keyword,
                                    std::size_t from = 0);

  // The connector that ends the first condition of a WHERE text; an AND that
  // belongs to a BETWEEN of that condition is skipped.
  static ConnectorHit NextConnector(std::string_view text);

  // The campaign substitution of one name ("T" or "T.C"): "$(CAMP_TABLE)" or
  // "$(CAMP_TABLE).C" when T is a table of the context's key; else unchanged.
  static std::string SubstituteCampaignName(const std::string& name,
                                            const CampaignContext& campaign);
  // The substitution inside one condition: the column name, and the compared
  // value(s) unless the operator is LIKE.
  static std::string SubstituteCampaignCondition(const std::string& condition,
                                                 const CampaignContext& campaign);

 private:
  void ParseLists(std::string_view text);

  K7QStringList m_tables;
  K7QStringList m_resultItems;
  std::vector<Condition> m_conditions;
  std::vector<Ordering> m_orderings;
};
