#include "K7QBldSchemaCheck.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <tuple>

#include "K7QBldCampaignEntry.h"
#include "K7QBldMacro.h"
#include "K7QBldNameKey.h"
#include "K7QBldProfile.h"
#include "K7QPreviewMacro.h"

const char* K7QCheckFinding::KindWord(K7QCheckKind kind) {
  switch (kind) {
    case K7QCheckKind::kMissingTable:
      return "missing-table";
    case K7QCheckKind::kMissingColumn:
      return "missing-column";
    case K7QCheckKind::kTypeClass:
      return "type-class";
    case K7QCheckKind::kReservedWord:
      return "reserved-word";
    case K7QCheckKind::kUnsafeName:
      return "unsafe-name";
    case K7QCheckKind::kUncalledFunction:
      return "uncalled-function";
    case K7QCheckKind::kUncheckedStatement:
      return "unchecked-statement";
  }
  return "";
}

std::string K7QCheckFinding::PlacesText() const {
  std::string text;
  for (const K7QCheckPlace& place : places) {
    if (!text.empty()) text += ',';
    text += place.section + ':' + std::to_string(place.line);
  }
  return text;
}

namespace {

using K7QSqlNames::ClassName;
using K7QSqlNames::ClassOf;
using Places = std::vector<K7QCheckPlace>;

// Where the macro's text calls each function and uses each page value,
// read with the macro processor's own reading of the text.
class CMacroPlaces {
 public:
  explicit CMacroPlaces(std::string_view text) {
    m_lineStarts.push_back(0);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n') m_lineStarts.push_back(i + 1);
    }
    const CK7QPreviewMacro macro = CK7QPreviewMacro::Parse(text);
    for (const CK7QPreviewSection& section : macro.Sections()) {
      std::string name = section.name;
      std::transform(name.begin(), name.end(), name.begin(),
                     [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
      Walk(section.nodes, name, {});
    }
    for (const CK7QPreviewFunction& function : macro.Functions()) {
      m_definitions[K7QBldNameKey(function.name)] = Line(function.offset);
      for (const K7QPreviewNodes* nodes : {&function.header, &function.row, &function.footer})
        Walk(*nodes, "@" + function.name, function.name);
    }
  }

  struct Value {
    std::string function;  // whose report holds it; "" in a section
    std::string table;
    std::string column;
    K7QCheckPlace place;
  };

  Places Calls(std::string_view function) const {
    const auto it = m_calls.find(K7QBldNameKey(function));
    return it == m_calls.end() ? Places{} : it->second;
  }
  long Definition(std::string_view function) const {
    const auto it = m_definitions.find(K7QBldNameKey(function));
    return it == m_definitions.end() ? 0 : it->second;
  }
  const std::vector<Value>& Values() const { return m_values; }

 private:
  long Line(std::size_t offset) const {
    return static_cast<long>(std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), offset) -
                             m_lineStarts.begin());
  }

  void Walk(const K7QPreviewNodes& nodes, const std::string& section, const std::string& function) {
    for (const CK7QPreviewNode& node : nodes) {
      switch (node.kind) {
        case CK7QPreviewNode::Kind::Call:
          m_calls[K7QBldNameKey(node.text)].push_back({section, Line(node.offset)});
          break;
        case CK7QPreviewNode::Kind::Variable: {
          // "$(V_TABLE.COLUMN)" names a column of the database; "$(V_COLUMN)"
          // is a value of the function's own row.
          const std::string_view name = node.text;
          const std::size_t dot = name.find('.');
          if (name.substr(0, 2) != "V_" || dot == std::string_view::npos) break;
          m_values.push_back({function,
                              std::string(name.substr(2, dot - 2)),
                              std::string(name.substr(dot + 1)),
                              {section, Line(node.offset)}});
          break;
        }
        case CK7QPreviewNode::Kind::If:
          Walk(node.then, section, function);
          Walk(node.otherwise, section, function);
          break;
        default:
          break;
      }
    }
  }

  std::vector<std::size_t> m_lineStarts;
  std::map<std::string, Places> m_calls;
  std::map<std::string, long> m_definitions;
  std::vector<Value> m_values;
};

class CChecker {
 public:
  CChecker(const CK7QBldProfile& fresh, const CK7QBldProfile* was) : m_fresh(fresh), m_was(was) {}

  void Function(const CK7QBldFunctionEntry& entry, const Places& places) {
    CK7QBldSQL sql = entry.statement;
    if (!entry.sqlText.empty()) sql.ParseText(entry.sqlText);
    if (sql.Tables().empty()) {
      if (!entry.SqlText(nullptr).empty())
        Add(K7QCheckKind::kUncheckedStatement, entry.name, entry.name, "function", {}, places);
      return;
    }
    Statement statement{entry.name, places, {}};
    std::vector<K7QSqlColumnName> onColumns;
    for (const std::string& item : sql.Tables()) {
      std::vector<K7QSqlTableName> tables;
      K7QSqlNames::FromEntry(item, tables, onColumns);
      for (K7QSqlTableName& table : tables) {
        Name(table.name, table.quoted, statement, "from");
        if (!m_fresh.FindTable(table.name))
          Add(K7QCheckKind::kMissingTable, entry.name, table.name, "from", {}, places);
        statement.tables.push_back(std::move(table));
      }
    }
    for (const K7QSqlColumnName& column : onColumns) Column(column, statement, "from", {});
    for (const std::string& item : sql.ResultItems()) {
      for (const K7QSqlColumnName& column : K7QSqlNames::Columns(item))
        Column(column, statement, "select", K7QCheckTypeClass::kUnknown);
    }
    for (const CK7QBldSQL::Condition& condition : sql.Conditions()) {
      const K7QSqlNames::ConditionUse use = K7QSqlNames::Condition(condition.text);
      for (const K7QSqlColumnName& column : K7QSqlNames::Columns(condition.text)) {
        const bool compared =
            column.name == use.column.name && column.qualifier == use.column.qualifier;
        Column(column, statement, "where", compared ? use.typeClass : K7QCheckTypeClass::kUnknown);
      }
    }
    for (const CK7QBldSQL::Ordering& ordering : sql.Orderings()) {
      for (const K7QSqlColumnName& column : K7QSqlNames::Columns(ordering.expression))
        Column(column, statement, "order", K7QCheckTypeClass::kUnknown);
    }
  }

  // A table that a campaign or page object names (no alias, no statement).
  bool Table(const std::string& function, const std::string& table, const std::string& use,
             const Places& places) {
    Statement statement{function, places, {}};
    Name(table, false, statement, use);
    if (m_fresh.FindTable(table)) return true;
    Add(K7QCheckKind::kMissingTable, function, table, use, {}, places);
    return false;
  }

  // TABLE.COLUMN of a page value or a page object.
  void TableColumn(const std::string& function, const std::string& table, const std::string& column,
                   const std::string& use, const Places& places) {
    if (table.empty()) {
      // A page object made before its function had tables: any table's column.
      if (!m_fresh.FindColumnInAnyTable(column))
        Add(K7QCheckKind::kMissingColumn, function, column, use, {}, places);
      return;
    }
    if (!Table(function, table, use, places)) return;
    Statement statement{function, places, {{table, {}, false}}};
    Column({table, column, false, false}, statement, use, K7QCheckTypeClass::kUnknown);
  }

  void Uncalled(const std::string& function, long definition) {
    Add(K7QCheckKind::kUncalledFunction, function, function, "function", {},
        {{"function", definition}});
  }

  std::vector<K7QCheckFinding> Take() { return std::move(m_findings); }

 private:
  struct Statement {
    std::string function;
    Places places;
    std::vector<K7QSqlTableName> tables;  // of its FROM clause, with their aliases
  };

  void Add(K7QCheckKind kind, const std::string& function, const std::string& name,
           const std::string& use, const std::string& detail, const Places& places) {
    const auto key = std::make_tuple(kind, K7QBldNameKey(function), K7QBldNameKey(name));
    const auto [it, added] = m_index.emplace(key, m_findings.size());
    if (added) {
      m_findings.push_back({kind, function, name, use, detail, places});
      return;
    }
    // The same name met again (a page value used twice): one finding, every place.
    Places& known = m_findings[it->second].places;
    for (const K7QCheckPlace& place : places) {
      if (std::find(known.begin(), known.end(), place) == known.end()) known.push_back(place);
    }
  }

  void Name(const std::string& name, bool quoted, const Statement& s, const std::string& use) {
    if (!quoted && K7QSqlNames::IsReservedWord(name))
      Add(K7QCheckKind::kReservedWord, s.function, name, use, {}, s.places);
    if (!K7QSqlNames::IsSafeName(name))
      Add(K7QCheckKind::kUnsafeName, s.function, name, use, {}, s.places);
  }

  // The FROM table a qualifier stands for (an alias or the table's name),
  // else the qualifier itself.
  static std::string TableOf(const Statement& s, const std::string& qualifier) {
    const std::string key = K7QBldNameKey(qualifier);
    for (const K7QSqlTableName& t : s.tables) {
      if (!t.alias.empty() && K7QBldNameKey(t.alias) == key) return t.name;
    }
    return qualifier;
  }

  bool InFrom(const Statement& s, const std::string& table) const {
    const std::string key = K7QBldNameKey(table);
    return std::any_of(s.tables.begin(), s.tables.end(),
                       [&](const K7QSqlTableName& t) { return K7QBldNameKey(t.name) == key; });
  }

  void Column(const K7QSqlColumnName& column, const Statement& s, const std::string& use,
              K7QCheckTypeClass expected) {
    if (column.name != "*") Name(column.name, column.quoted, s, use);
    std::string table;
    const CK7QBldProfileColumn* found = nullptr;
    if (!column.qualifier.empty()) {
      table = TableOf(s, column.qualifier);
      if (!m_fresh.FindTable(table)) {
        // A table of the FROM clause was reported there.
        if (!InFrom(s, table))
          Add(K7QCheckKind::kMissingTable, s.function, table, use, {}, s.places);
        return;
      }
      if (column.name == "*") return;
      found = m_fresh.FindColumn(table, column.name);
      if (!found) {
        Add(K7QCheckKind::kMissingColumn, s.function, table + "." + column.name, use, {}, s.places);
        return;
      }
    } else {
      if (column.name == "*") return;
      bool allThere = true;
      for (const K7QSqlTableName& t : s.tables) {
        const CK7QBldProfileColumn* c = m_fresh.FindColumn(t.name, column.name);
        allThere = allThere && m_fresh.FindTable(t.name);
        if (c && !found) {
          found = c;
          table = t.name;
        }
      }
      if (!found) {
        // With a table missing the column may have been one of its.
        if (allThere) {
          const std::string name =
              s.tables.size() == 1 ? s.tables[0].name + "." + column.name : column.name;
          Add(K7QCheckKind::kMissingColumn, s.function, name, use, {}, s.places);
        }
        return;
      }
    }
    const K7QCheckTypeClass now = ClassOf(found->m_typeCode);
    K7QCheckTypeClass before = expected;
    if (m_was) {
      if (const CK7QBldProfileColumn* old = m_was->FindColumn(table, column.name))
        before = ClassOf(old->m_typeCode);
    }
    if (before != K7QCheckTypeClass::kUnknown && before != now) {
      Add(K7QCheckKind::kTypeClass, s.function, table + "." + found->m_column, use,
          std::string(ClassName(before)) + ">" + ClassName(now), s.places);
    }
  }

  const CK7QBldProfile& m_fresh;
  const CK7QBldProfile* m_was;
  std::vector<K7QCheckFinding> m_findings;
  std::map<std::tuple<K7QCheckKind, std::string, std::string>, std::size_t> m_index;
};

}  // namespace

std::vector<K7QCheckFinding> CK7QBldSchemaCheck::Run(const CK7QBldMacro& macro,
                                                     std::string_view macroText,
                                                     const CK7QBldProfile& fresh,
                                                     const CK7QBldProfile* was) {
  const CMacroPlaces where(macroText);
  CChecker checker(fresh, was);
  const CK7QBldFunctionBlock& functions = macro.Functions();
  for (int i = 0; i < functions.GetCount(); ++i) {
    const CK7QBldFunctionEntry& entry = *functions.Entry(i);
    const Places calls = where.Calls(entry.name);
    checker.Function(entry, calls);
    if (calls.empty()) checker.Uncalled(entry.name, where.Definition(entry.name));
  }
  const CK7QBldCampaignBlock& campaigns = macro.Campaigns();
  for (int i = 0; i < campaigns.GetCount(); ++i) {
    const CK7QBldCampaignEntry& campaign = *campaigns.GetAt(i);
    const Places calls = where.Calls(campaign.Function());
    for (const std::string& table : {campaign.Table1(), campaign.Table2()}) {
      if (!table.empty()) checker.Table(campaign.Function(), table, "campaign", calls);
    }
  }
  const CK7QBldDDBlock& objects = macro.PageObjects();
  for (int i = 0; i < objects.GetCount(); ++i) {
    const CK7QBldPageObject& object = *objects.GetAt(i);
    checker.TableColumn(object.function, object.table, object.column, "object",
                        where.Calls(object.function));
  }
  for (const CMacroPlaces::Value& value : where.Values())
    checker.TableColumn(value.function, value.table, value.column, "page", {value.place});
  return checker.Take();
}
