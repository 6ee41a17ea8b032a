#include "K7QBldSqlNames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <iterator>

#include "K7QBldCp932.h"
#include "K7QBldProfileColumn.h"

namespace K7QSqlNames {

namespace {

struct Token {
  enum Kind { kWord, kQuoted, kString, kNumber, kVariable, kPunct };
  Kind kind = kPunct;
  std::string text;  // a quoted name without its quotes (doubled quotes made one)
};

bool IsWordByte(unsigned char c) {
  // Half-width katakana (0xA1-0xDF) are letters of CP932.
  return std::isalnum(c) || c == '_' || (c >= 0xA1 && c <= 0xDF);
}

std::string Upper(std::string_view word) {
  std::string out(word);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const std::size_t len = K7QCp932::CharLength(text, i);
    if (len == 1 && std::isspace(c)) {
      ++i;
      continue;
    }
    Token token;
    if (len == 2 || IsWordByte(c)) {
      const bool number = std::isdigit(c);
      std::size_t j = i;
      while (j < text.size()) {
        const std::size_t l = K7QCp932::CharLength(text, j);
        const unsigned char b = static_cast<unsigned char>(text[j]);
        // A decimal point and an exponent belong to a number, not to a name.
        if (l == 2 || IsWordByte(b) || (number && b == '.')) {
          j += l;
        } else {
          break;
        }
      }
      token.kind = number ? Token::kNumber : Token::kWord;
      token.text = std::string(text.substr(i, j - i));
      i = j;
    } else if (c == '\'' || c == '"') {
      // A doubled quote stands for itself; CP932 trail bytes are never quotes.
      std::size_t j = i + 1;
      std::string inside;
      while (j < text.size()) {
        const std::size_t l = K7QCp932::CharLength(text, j);
        if (l == 1 && text[j] == static_cast<char>(c)) {
          if (j + 1 < text.size() && text[j + 1] == static_cast<char>(c)) {
            inside += static_cast<char>(c);
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        inside.append(text.substr(j, l));
        j += l;
      }
      token.kind = c == '"' ? Token::kQuoted : Token::kString;
      token.text = std::move(inside);
      i = j;
    } else if (c == '$' && i + 1 < text.size() && text[i + 1] == '(') {
      const std::size_t close = K7QCp932::Find(text, ')', i + 2);
      const std::size_t end = close == std::string_view::npos ? text.size() : close + 1;
      token.kind = Token::kVariable;
      token.text = std::string(text.substr(i, end - i));
      i = end;
    } else {
      static constexpr std::array<std::string_view, 5> kPairs = {"<>", "<=", ">=", "!=", "||"};
      token.text = std::string(text.substr(i, 1));
      for (std::string_view pair : kPairs) {
        if (text.substr(i, 2) == pair) token.text = std::string(pair);
      }
      i += token.text.size();
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

bool IsName(const Token& t) { return t.kind == Token::kWord || t.kind == Token::kQuoted; }
bool IsPunct(const Token& t, std::string_view p) { return t.kind == Token::kPunct && t.text == p; }
bool IsKeyword(const Token& t, std::string_view upper) {
  return t.kind == Token::kWord && Upper(t.text) == upper;
}

// Words that are SQL's own in an expression besides the reserved ones:
// functions that take no parentheses and the words of a few clauses.
bool IsExpressionWord(std::string_view word) {
  static constexpr std::array<std::string_view, 6> kWords = {"ILIKE",  "LIMIT", "OFFSET",
                                                             "REGEXP", "GLOB",  "ROWNUM"};
  const std::string upper = Upper(word);
  return IsReservedWord(word) || std::find(kWords.begin(), kWords.end(), upper) != kWords.end();
}

// Reads the columns of tokens [from, to).
void CollectColumns(const std::vector<Token>& tokens, std::size_t from, std::size_t to,
                    std::vector<K7QSqlColumnName>& out) {
  for (std::size_t i = from; i < to;) {
    if (!IsName(tokens[i])) {
      ++i;
      continue;
    }
    // A dotted name: its parts and where it ends.
    std::vector<const Token*> parts{&tokens[i]};
    std::size_t j = i + 1;
    while (j + 1 < to && IsPunct(tokens[j], ".") &&
           (IsName(tokens[j + 1]) || IsPunct(tokens[j + 1], "*"))) {
      parts.push_back(&tokens[j + 1]);
      j += 2;
    }
    const bool call = j < to && IsPunct(tokens[j], "(");
    const bool alias = i > from && IsKeyword(tokens[i - 1], "AS");
    const bool word =
        parts.size() == 1 && tokens[i].kind == Token::kWord && IsExpressionWord(tokens[i].text);
    i = j;
    if (call || alias || word || (parts.size() == 1 && IsPunct(*parts[0], "*"))) continue;
    // "T.C" or "S.T.C": the last two parts.
    K7QSqlColumnName name;
    name.name = parts.back()->text;
    name.quoted = parts.back()->kind == Token::kQuoted;
    if (parts.size() >= 2) {
      name.qualifier = parts[parts.size() - 2]->text;
      name.qualifierQuoted = parts[parts.size() - 2]->kind == Token::kQuoted;
    }
    out.push_back(std::move(name));
  }
}

}  // namespace

std::vector<K7QSqlColumnName> Columns(std::string_view expression) {
  const std::vector<Token> tokens = Tokenize(expression);
  std::vector<K7QSqlColumnName> out;
  if (tokens.size() == 1 && IsName(tokens[0])) {
    out.push_back({{}, tokens[0].text, tokens[0].kind == Token::kQuoted, false});
    return out;
  }
  CollectColumns(tokens, 0, tokens.size(), out);
  return out;
}

void FromEntry(std::string_view entry, std::vector<K7QSqlTableName>& tables,
               std::vector<K7QSqlColumnName>& onColumns) {
  const std::vector<Token> tokens = Tokenize(entry);
  static constexpr std::array<std::string_view, 7> kJoinWords = {"JOIN", "INNER", "LEFT",   "RIGHT",
                                                                 "FULL", "CROSS", "NATURAL"};
  auto isJoinWord = [](const Token& t) {
    return t.kind == Token::kWord &&
           std::find(kJoinWords.begin(), kJoinWords.end(), Upper(t.text)) != kJoinWords.end();
  };
  std::size_t i = 0;
  while (i < tokens.size()) {
    // A table: its name (the last part of a dotted one), then an alias.
    if (!IsName(tokens[i])) {
      ++i;
      continue;
    }
    K7QSqlTableName table;
    std::size_t j = i;
    table.name = tokens[j].text;
    table.quoted = tokens[j].kind == Token::kQuoted;
    while (j + 2 < tokens.size() && IsPunct(tokens[j + 1], ".") && IsName(tokens[j + 2])) {
      j += 2;
      table.name = tokens[j].text;
      table.quoted = tokens[j].kind == Token::kQuoted;
    }
    ++j;
    if (j < tokens.size() && IsKeyword(tokens[j], "AS")) ++j;
    if (j < tokens.size() && IsName(tokens[j]) && !isJoinWord(tokens[j]) &&
        !IsKeyword(tokens[j], "ON") && !IsKeyword(tokens[j], "OUTER")) {
      table.alias = tokens[j].text;
      ++j;
    }
    tables.push_back(std::move(table));
    // Join words up to the next table; an ON condition's columns up to the next join.
    while (j < tokens.size() && !IsKeyword(tokens[j], "JOIN")) {
      if (IsKeyword(tokens[j], "ON")) {
        std::size_t end = j + 1;
        while (end < tokens.size() && !isJoinWord(tokens[end])) ++end;
        CollectColumns(tokens, j + 1, end, onColumns);
        j = end;
        continue;
      }
      ++j;
    }
    i = j + 1;
  }
}

ConditionUse Condition(std::string_view condition) {
  ConditionUse use;
  const std::vector<Token> tokens = Tokenize(condition);
  std::vector<K7QSqlColumnName> columns;
  CollectColumns(tokens, 0, tokens.size(), columns);
  if (columns.empty()) return use;
  use.column = columns.front();
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const Token& t = tokens[i];
    if (IsKeyword(t, "LIKE")) {
      use.typeClass = K7QCheckTypeClass::kCharacter;
      return use;
    }
    const bool comparison = t.kind == Token::kPunct &&
                            (t.text == "=" || t.text == "<>" || t.text == "!=" || t.text == "<" ||
                             t.text == "<=" || t.text == ">" || t.text == ">=");
    if (!comparison && !IsKeyword(t, "BETWEEN")) continue;
    // The value compared decides: the builder quotes exactly the character ones.
    std::size_t v = i + 1;
    while (v < tokens.size() && (IsPunct(tokens[v], "-") || IsPunct(tokens[v], "+"))) ++v;
    if (v >= tokens.size()) return use;
    switch (tokens[v].kind) {
      case Token::kString:
        use.typeClass = K7QCheckTypeClass::kCharacter;
        break;
      case Token::kNumber:
      case Token::kVariable:
        use.typeClass = K7QCheckTypeClass::kNumeric;
        break;
      default:
        break;
    }
    return use;
  }
  return use;
}

bool IsReservedWord(std::string_view word) {
  // The reserved words of SQL-92, which every database the macro processor
  // reaches reads as its own.
  static constexpr std::string_view kWords[] = {"ABSOLUTE",
                                                "ACTION",
                                                "ADD",
                                                "ALL",
                                                "ALLOCATE",
                                                "ALTER",
                                                "AND",
                                                "ANY",
                                                "ARE",
                                                "AS",
                                                "ASC",
                                                "ASSERTION",
                                                "AT",
                                                "AUTHORIZATION",
                                                "AVG",
                                                "BEGIN",
                                                "BETWEEN",
                                                "BIT",
                                                "BIT_LENGTH",
                                                "BOTH",
                                                "BY",
                                                "CASCADE",
                                                "CASCADED",
                                                "CASE",
                                                "CAST",
                                                "CATALOG",
                                                "CHAR",
                                                "CHARACTER",
                                                "CHARACTER_LENGTH",
                                                "CHAR_LENGTH",
                                                "CHECK",
                                                "CLOSE",
                                                "COALESCE",
                                                "COLLATE",
                                                "COLLATION",
                                                "COLUMN",
                                                "COMMIT",
                                                "CONNECT",
                                                "CONNECTION",
                                                "CONSTRAINT",
                                                "CONSTRAINTS",
                                                "CONTINUE",
                                                "CONVERT",
                                                "CORRESPONDING",
                                                "COUNT",
                                                "CREATE",
                                                "CROSS",
                                                "CURRENT",
                                                "CURRENT_DATE",
                                                "CURRENT_TIME",
                                                "CURRENT_TIMESTAMP",
                                                "CURRENT_USER",
                                                "CURSOR",
                                                "DATE",
                                                "DAY",
                                                "DEALLOCATE",
                                                "DEC",
                                                "DECIMAL",
                                                "DECLARE",
                                                "DEFAULT",
                                                "DEFERRABLE",
                                                "DEFERRED",
                                                "DELETE",
                                                "DESC",
                                                "DESCRIBE",
                                                "DESCRIPTOR",
                                                "DIAGNOSTICS",
                                                "DISCONNECT",
                                                "DISTINCT",
                                                "DOMAIN",
                                                "DOUBLE",
                                                "DROP",
                                                "ELSE",
                                                "END",
                                                "END-EXEC",
                                                "ESCAPE",
                                                "EXCEPT",
                                                "EXCEPTION",
                                                "EXEC",
                                                "EXECUTE",
                                                "EXISTS",
                                                "EXTERNAL",
                                                "EXTRACT",
                                                "FALSE",
                                                "FETCH",
                                                "FIRST",
                                                "FLOAT",
                                                "FOR",
                                                "FOREIGN",
                                                "FOUND",
                                                "FROM",
                                                "FULL",
                                                "GET",
                                                "GLOBAL",
                                                "GO",
                                                "GOTO",
                                                "GRANT",
                                                "GROUP",
                                                "HAVING",
                                                "HOUR",
                                                "IDENTITY",
                                                "IMMEDIATE",
                                                "IN",
                                                "INDICATOR",
                                                "INITIALLY",
                                                "INNER",
                                                "INPUT",
                                                "INSENSITIVE",
                                                "INSERT",
                                                "INT",
                                                "INTEGER",
                                                "INTERSECT",
                                                "INTERVAL",
                                                "INTO",
                                                "IS",
                                                "ISOLATION",
                                                "JOIN",
                                                "KEY",
                                                "LANGUAGE",
                                                "LAST",
                                                "LEADING",
                                                "LEFT",
                                                "LEVEL",
                                                "LIKE",
                                                "LOCAL",
                                                "LOWER",
                                                "MATCH",
                                                "MAX",
                                                "MIN",
                                                "MINUTE",
                                                "MODULE",
                                                "MONTH",
                                                "NAMES",
                                                "NATIONAL",
                                                "NATURAL",
                                                "NCHAR",
                                                "NEXT",
                                                "NO",
                                                "NOT",
                                                "NULL",
                                                "NULLIF",
                                                "NUMERIC",
                                                "OCTET_LENGTH",
                                                "OF",
                                                "ON",
                                                "ONLY",
                                                "OPEN",
                                                "OPTION",
                                                "OR",
                                                "ORDER",
                                                "OUTER",
                                                "OUTPUT",
                                                "OVERLAPS",
                                                "PAD",
                                                "PARTIAL",
                                                "POSITION",
                                                "PRECISION",
                                                "PREPARE",
                                                "PRESERVE",
                                                "PRIMARY",
                                                "PRIOR",
                                                "PRIVILEGES",
                                                "PROCEDURE",
                                                "PUBLIC",
                                                "READ",
                                                "REAL",
                                                "REFERENCES",
                                                "RELATIVE",
                                                "RESTRICT",
                                                "REVOKE",
                                                "RIGHT",
                                                "ROLLBACK",
                                                "ROWS",
                                                "SCHEMA",
                                                "SCROLL",
                                                "SECOND",
                                                "SECTION",
                                                "SELECT",
                                                "SESSION",
                                                "SESSION_USER",
                                                "SET",
                                                "SIZE",
                                                "SMALLINT",
                                                "SOME",
                                                "SPACE",
                                                "SQL",
                                                "SQLCODE",
                                                "SQLERROR",
                                                "SQLSTATE",
                                                "SUBSTRING",
                                                "SUM",
                                                "SYSTEM_USER",
                                                "TABLE",
                                                "TEMPORARY",
                                                "THEN",
                                                "TIME",
                                                "TIMESTAMP",
                                                "TIMEZONE_HOUR",
                                                "TIMEZONE_MINUTE",
                                                "TO",
                                                "TRAILING",
                                                "TRANSACTION",
                                                "TRANSLATE",
                                                "TRANSLATION",
                                                "TRIM",
                                                "TRUE",
                                                "UNION",
                                                "UNIQUE",
                                                "UNKNOWN",
                                                "UPDATE",
                                                "UPPER",
                                                "USAGE",
                                                "USER",
                                                "USING",
                                                "VALUE",
                                                "VALUES",
                                                "VARCHAR",
                                                "VARYING",
                                                "VIEW",
                                                "WHEN",
                                                "WHENEVER",
                                                "WHERE",
                                                "WITH",
                                                "WORK",
                                                "WRITE",
                                                "YEAR",
                                                "ZONE"};
  static_assert(std::is_sorted(std::begin(kWords), std::end(kWords)));
  return std::binary_search(std::begin(kWords), std::end(kWords), std::string_view(Upper(word)));
}

bool IsSafeName(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (std::size_t i = 0; i < name.size();) {
    const std::size_t len = K7QCp932::CharLength(name, i);
    if (len == 1 && !IsWordByte(static_cast<unsigned char>(name[i]))) return false;
    i += len;
  }
  return true;
}

K7QCheckTypeClass ClassOf(int typeCode) {
  switch (typeCode) {
    case kTypeDate:
    case kTypeDecimal:
    case kTypeInteger:
    case kTypeSmallint:
      return K7QCheckTypeClass::kNumeric;
    case kTypeCharacter:
    case kTypeVarchar:
      return K7QCheckTypeClass::kCharacter;
    default:
      return K7QCheckTypeClass::kOther;
  }
}

const char* ClassName(K7QCheckTypeClass typeClass) {
  switch (typeClass) {
    case K7QCheckTypeClass::kNumeric:
      return "numeric";
    case K7QCheckTypeClass::kCharacter:
      return "character";
    case K7QCheckTypeClass::kOther:
      return "other";
    case K7QCheckTypeClass::kUnknown:
      break;
  }
  return "";
}

}  // namespace K7QSqlNames
