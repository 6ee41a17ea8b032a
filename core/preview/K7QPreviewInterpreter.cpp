#include "K7QPreviewInterpreter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>

#include "K7QBldCp932.h"
#include "K7QBldGroceries.h"
#include "K7QBldSQL.h"
#include "K7QBldUserInterface.h"
#include "K7QPreviewFolder.h"
#include "K7QPreviewSql.h"
#include "K7QPreviewText.h"

namespace {

using K7QPreviewText::Trim;
using K7QPreviewText::Upper;

// Calls of SQL functions inside the rows of SQL functions, deeper than a
// page ever needs: a function whose report calls itself.
constexpr int kMaxCallDepth = 8;

constexpr std::string_view kMarkOpen =
    "<mark class=\"k7q-preview\" style=\"background:#ffd0d0;border:1px dashed #c00000\">";
constexpr std::string_view kMarkClose = "</mark>";
constexpr std::string_view kNotesOpen =
    "<div class=\"k7q-preview-notes\" style=\"border:2px solid #c00000;background:#fff8e0;"
    "color:#000000;padding:4px;margin:8px 0\">\r\n";

std::string LocalToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[40];
  std::snprintf(text, sizeof text, "%04d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  return text;
}

K7QPreviewSource Worse(K7QPreviewSource a, K7QPreviewSource b) { return std::max(a, b); }

bool IsReservedParam(const std::string& key, const CK7QPreviewDefine* define) {
  if (key == "DATABASE" || key == "LOGIN" || key == "PASSWORD") return true;
  if (define && define->command) return true;
  return key.rfind("V_", 0) == 0 || key.rfind("N_", 0) == 0;
}

std::string CallSource(const CK7QPreviewNode& node) {
  std::string source = "@" + node.text + "(";
  for (std::size_t i = 0; i < node.args.size(); ++i) {
    if (i > 0) source += ",";
    source += node.args[i].raw;
  }
  return source + ")";
}

std::string ColumnValueText(const CK7QPreviewColumn& column, const std::string& raw) {
  return column.kind == K7QPreviewColumnKind::Binary && !raw.empty() ? K7QPreviewText::DataUri(raw)
                                                                     : raw;
}

// Tokens of a condition: operators, parentheses and operands (the operand
// text as written: quoted texts, references and words side by side).
struct Token {
  enum Kind { Operand, Open, Close, And, Or, Not, Compare } kind;
  std::string text;
};

bool Tokenize(std::string_view text, std::vector<Token>& tokens) {
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == '(' || c == ')') {
      tokens.push_back({c == '(' ? Token::Open : Token::Close, std::string(1, c)});
      ++i;
    } else if (text.substr(i, 2) == "&&" || text.substr(i, 2) == "||") {
      tokens.push_back({c == '&' ? Token::And : Token::Or, std::string(text.substr(i, 2))});
      i += 2;
    } else if (text.substr(i, 2) == "==" || text.substr(i, 2) == "!=" ||
               text.substr(i, 2) == "<=" || text.substr(i, 2) == ">=") {
      tokens.push_back({Token::Compare, std::string(text.substr(i, 2))});
      i += 2;
    } else if (c == '<' || c == '>') {
      tokens.push_back({Token::Compare, std::string(1, c)});
      ++i;
    } else if (c == '!') {
      tokens.push_back({Token::Not, "!"});
      ++i;
    } else {
      const std::size_t start = i;
      while (i < text.size()) {
        const char d = text[i];
        if (d == '"') {
          const std::size_t close = text.find('"', i + 1);
          if (close == std::string_view::npos) return false;
          i = close + 1;
        } else if (d == '$' && text.substr(i, 2) == "$(") {
          std::size_t end = 0;
          if (K7QPreviewText::ReferenceAt(text, i, end).empty()) return false;
          i = end;
        } else if (d == ' ' || d == '\t' || d == '\r' || d == '\n' || d == '(' || d == ')' ||
                   d == '&' || d == '|' || d == '=' || d == '!' || d == '<' || d == '>') {
          break;
        } else {
          i += K7QCp932::CharLength(text, i);
        }
      }
      tokens.push_back({Token::Operand, std::string(text.substr(start, i - start))});
    }
  }
  return true;
}

// Evaluates the tokens: || over && over ! over comparisons, parentheses
// grouping; an operand alone is true when it is not empty.
class CConditionParser {
 public:
  CConditionParser(const std::vector<Token>& tokens,
                   std::function<std::string(const std::string&)> operand)
      : m_tokens(tokens), m_operand(std::move(operand)) {}

  bool Parse(bool& value) {
    value = Or();
    return m_ok && m_pos == m_tokens.size();
  }

 private:
  bool Peek(Token::Kind kind) const {
    return m_pos < m_tokens.size() && m_tokens[m_pos].kind == kind;
  }
  bool Or() {
    bool v = And();
    while (Peek(Token::Or)) {
      ++m_pos;
      const bool rhs = And();
      v = v || rhs;
    }
    return v;
  }
  bool And() {
    bool v = Unary();
    while (Peek(Token::And)) {
      ++m_pos;
      const bool rhs = Unary();
      v = v && rhs;
    }
    return v;
  }
  bool Unary() {
    if (Peek(Token::Not)) {
      ++m_pos;
      return !Unary();
    }
    if (Peek(Token::Open)) {
      ++m_pos;
      const bool v = Or();
      if (!Peek(Token::Close)) {
        m_ok = false;
        return false;
      }
      ++m_pos;
      return v;
    }
    if (!Peek(Token::Operand)) {
      m_ok = false;
      return false;
    }
    const std::string left = m_operand(m_tokens[m_pos++].text);
    if (!Peek(Token::Compare)) return !left.empty();
    const std::string op = m_tokens[m_pos++].text;
    if (!Peek(Token::Operand)) {
      m_ok = false;
      return false;
    }
    const std::string right = m_operand(m_tokens[m_pos++].text);
    int c = 0;
    if (K7QPreviewText::IsNumber(left) && K7QPreviewText::IsNumber(right)) {
      c = K7QPreviewText::CompareNumbers(left, right);
    } else {
      c = left.compare(right);
    }
    if (op == "==") return c == 0;
    if (op == "!=") return c != 0;
    if (op == "<") return c < 0;
    if (op == "<=") return c <= 0;
    if (op == ">") return c > 0;
    return c >= 0;
  }

  const std::vector<Token>& m_tokens;
  std::function<std::string(const std::string&)> m_operand;
  std::size_t m_pos = 0;
  bool m_ok = true;
};

}  // namespace

CK7QPreviewInterpreter::CK7QPreviewInterpreter(const CK7QPreviewMacro& macro,
                                               IK7QPreviewQueryRunner& runner,
                                               const IK7QBldUserInterface& ui,
                                               CK7QPreviewOptions options)
    : m_macro(macro), m_runner(runner), m_ui(ui), m_options(std::move(options)) {
  m_env.today = m_options.today.size() == 8 ? m_options.today : LocalToday();
}

std::string CK7QPreviewInterpreter::Text(unsigned id) const {
  std::string text;
  K7QCp932::FromUtf8(m_ui.String(id), text);
  return text;
}

std::string CK7QPreviewInterpreter::NoteText(const CK7QPreviewNote& note) const {
  std::string text = Text(note.id);
  if (!note.detail.empty()) text += ": " + note.detail;
  return text;
}

bool CK7QPreviewInterpreter::Render(std::string_view section, const K7QPreviewParams& params,
                                    CK7QPreviewPage& page) {
  const CK7QPreviewSection* found = m_macro.FindSection(section);
  if (!found) return false;
  m_out.clear();
  m_vars.clear();
  m_rows.clear();
  m_captures.clear();
  m_expanding.clear();
  m_notes.clear();
  m_noteIndex.clear();
  m_callDepth = 0;
  m_stopped = false;
  for (const CK7QPreviewDefine& define : m_macro.Defines()) {
    Variable& v = m_vars[Upper(define.name)];
    v.define = &define;
    v.value = {};
  }
  for (const auto& [name, value] : params) {
    const std::string key = Upper(Trim(name));
    const auto it = m_vars.find(key);
    if (key.empty() || IsReservedParam(key, it == m_vars.end() ? nullptr : it->second.define)) {
      Note(kIdsPreviewParamIgnored, name);
      continue;
    }
    m_vars[key] = Variable{{value, K7QPreviewSource::Form, false}, nullptr};
  }
  for (const CK7QPreviewIssue& issue : m_macro.Issues()) Note(issue.id, issue.detail);
  Eval(found->nodes);
  AppendNotes();
  page.html = std::move(m_out);
  page.notes = m_notes;
  m_out.clear();
  return true;
}

void CK7QPreviewInterpreter::Eval(const K7QPreviewNodes& nodes) {
  for (const CK7QPreviewNode& node : nodes) {
    if (m_stopped) return;
    switch (node.kind) {
      case CK7QPreviewNode::Kind::Text:
        m_out += node.text;
        break;
      case CK7QPreviewNode::Kind::Variable:
        WriteVariable(node.text, node.key);
        break;
      case CK7QPreviewNode::Kind::Call: {
        const std::size_t mark = m_out.size();
        m_out += node.lead;
        const std::size_t body = m_out.size();
        Call(node);
        if (m_out.size() == body) {
          m_out.resize(mark);
        } else {
          m_out += node.trail;
        }
        break;
      }
      case CK7QPreviewNode::Kind::If: {
        if (!node.closed) Note(kIdsPreviewUnclosedBlock, "%IF(" + node.text + ")");
        bool ok = true;
        const bool value = Condition(node.text, ok);
        if (!ok) {
          Marker(kIdsPreviewBadCondition, "%IF(" + node.text + ")");
          break;
        }
        Eval(value ? node.then : node.otherwise);
        break;
      }
      case CK7QPreviewNode::Kind::Exec:
        Marker(kIdsPreviewCommandNotRun, node.text);
        break;
      case CK7QPreviewNode::Kind::Unknown:
        Marker(node.reason, node.text);
        break;
    }
  }
}

CK7QPreviewValue CK7QPreviewInterpreter::EvalCapture(const K7QPreviewNodes& nodes) {
  std::string saved;
  saved.swap(m_out);
  m_captures.push_back({});
  Eval(nodes);
  const Capture capture = m_captures.back();
  m_captures.pop_back();
  CK7QPreviewValue value{std::move(m_out), capture.source, capture.large};
  m_out.swap(saved);
  if (!m_captures.empty()) {
    m_captures.back().source = Worse(m_captures.back().source, value.source);
    m_captures.back().large |= value.large;
  }
  return value;
}

void CK7QPreviewInterpreter::WriteValue(const CK7QPreviewValue& value) {
  if (!m_captures.empty()) {
    m_captures.back().source = Worse(m_captures.back().source, value.source);
    m_captures.back().large |= value.large;
    m_out += value.text;
    return;
  }
  // A form field's value is text: whatever it holds, it never becomes markup.
  if (value.source == K7QPreviewSource::Form) {
    K7QPreviewText::AppendHtmlEscaped(m_out, value.text);
  } else {
    m_out += value.text;
  }
}

bool CK7QPreviewInterpreter::RowValue(const std::string& key, CK7QPreviewValue& value) const {
  for (auto frame = m_rows.rbegin(); frame != m_rows.rend(); ++frame) {
    const auto it = frame->index->find(key);
    if (it == frame->index->end()) continue;
    const CK7QPreviewColumn& column = frame->result->columns[it->second];
    value.text = ColumnValueText(column, (*frame->row)[it->second]);
    value.source = K7QPreviewSource::Database;
    value.large = column.kind == K7QPreviewColumnKind::LargeText;
    return true;
  }
  return false;
}

void CK7QPreviewInterpreter::WriteVariable(const std::string& name, const std::string& key) {
  CK7QPreviewValue value;
  if (RowValue(key, value)) {
    WriteValue(value);
    return;
  }
  const auto it = m_vars.find(key);
  if (it == m_vars.end()) {
    Note(kIdsPreviewNoValue, "$(" + name + ")");
    return;
  }
  if (it->second.define) {
    ExpandDefine(*it->second.define);
    return;
  }
  WriteValue(it->second.value);
}

bool CK7QPreviewInterpreter::LookupValue(const std::string& name, CK7QPreviewValue& value) {
  const std::string key = Upper(name);
  if (RowValue(key, value)) return true;
  const auto it = m_vars.find(key);
  if (it == m_vars.end()) {
    Note(kIdsPreviewNoValue, name);
    return false;
  }
  if (!it->second.define) {
    value = it->second.value;
    return true;
  }
  std::string saved;
  saved.swap(m_out);
  m_captures.push_back({});
  ExpandDefine(*it->second.define);
  value = {std::move(m_out), m_captures.back().source, m_captures.back().large};
  m_captures.pop_back();
  m_out.swap(saved);
  return true;
}

void CK7QPreviewInterpreter::ExpandDefine(const CK7QPreviewDefine& define) {
  const std::string key = Upper(define.name);
  if (!m_expanding.insert(key).second) {
    Marker(kIdsPreviewCircular, "$(" + define.name + ")");
    return;
  }
  if (define.command) {
    RunCommand(define);
  } else {
    Eval(define.nodes);
  }
  m_expanding.erase(key);
}

void CK7QPreviewInterpreter::RunCommand(const CK7QPreviewDefine& define) {
  // The one command a builder-made macro holds types out a large-text file:
  // "TYPE" (or "cat" in the copy for slash-path servers) and one operand.
  const CK7QPreviewValue command = EvalCapture(define.nodes);
  const std::string_view text = command.text;
  std::size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
  const std::size_t blank = text.find(' ', start);
  const std::string_view word =
      text.substr(start, blank == std::string_view::npos ? std::string_view::npos : blank - start);
  if (blank == std::string_view::npos || !(CK7QBldGroceries::EqualNoCase(word, "TYPE") ||
                                           CK7QBldGroceries::EqualNoCase(word, "cat"))) {
    Marker(kIdsPreviewCommandNotRun, "%EXEC \"" + define.value + "\"");
    return;
  }
  const std::string_view operand = text.substr(blank + 1);
  if (command.large) {
    // A large text of the current row: its content is what the file held.
    WriteValue({std::string(operand), K7QPreviewSource::Database, true});
    return;
  }
  const std::string path(Trim(operand));
  std::string bytes;
  switch (K7QPreviewFolder::Read(m_options.folder, path, bytes)) {
    case K7QPreviewFolder::Result::Ok:
      WriteValue({std::move(bytes), K7QPreviewSource::Database, true});
      break;
    case K7QPreviewFolder::Result::Refused:
      Marker(kIdsPreviewFileRefused, path);
      break;
    case K7QPreviewFolder::Result::Missing:
      Marker(kIdsPreviewFileMissing, path);
      break;
  }
}

void CK7QPreviewInterpreter::Call(const CK7QPreviewNode& node) {
  if (const CK7QPreviewFunction* function = m_macro.FindFunction(node.text)) {
    RunFunction(*function, node);
  } else if (const CK7QPreviewBuiltin* builtin = K7QPreviewFindBuiltin(node.text)) {
    RunBuiltin(*builtin, node);
  } else {
    Marker(kIdsPreviewUnknownFunction, CallSource(node));
  }
}

CK7QPreviewValue CK7QPreviewInterpreter::EvalArg(const CK7QPreviewArg& arg) {
  if (arg.bare) {
    CK7QPreviewValue value;
    LookupValue(arg.raw, value);
    return value;
  }
  return EvalCapture(arg.nodes);
}

void CK7QPreviewInterpreter::RunBuiltin(const CK7QPreviewBuiltin& builtin,
                                        const CK7QPreviewNode& node) {
  const int count = static_cast<int>(node.args.size());
  if (count < builtin.minArgs || count > builtin.maxArgs) {
    Marker(kIdsPreviewArgumentCount, CallSource(node));
    return;
  }
  std::vector<CK7QPreviewValue> args;
  args.reserve(node.args.size());
  std::string target;
  CK7QPreviewValue result;
  const CK7QPreviewValue* first = nullptr;
  for (int i = 0; i < count; ++i) {
    const CK7QPreviewArg& arg = node.args[static_cast<std::size_t>(i)];
    if (builtin.params[i] == 'n') {
      const std::string_view raw = arg.raw;
      target = std::string(arg.quoted ? raw.substr(1, raw.size() - 2) : raw);
      args.push_back({target});
      continue;
    }
    args.push_back(EvalArg(arg));
    result.source = Worse(result.source, args.back().source);
  }
  for (int i = 0; i < count; ++i) {
    if (builtin.params[i] == 'v') {
      first = &args[static_cast<std::size_t>(i)];
      break;
    }
  }
  if (builtin.passesLarge && first && first->large) {
    result.text = first->text;
    result.large = true;
  } else if (const unsigned refusal = builtin.run(args, m_env, result.text)) {
    Marker(refusal, CallSource(node));
    return;
  }
  if (target.empty()) {
    WriteValue(result);
    return;
  }
  m_vars[Upper(target)] = Variable{std::move(result), nullptr};
}

void CK7QPreviewInterpreter::RunFunction(const CK7QPreviewFunction& function,
                                         const CK7QPreviewNode& node) {
  if (!CK7QBldGroceries::EqualNoCase(function.kind, "RZV_SQL") &&
      !CK7QBldGroceries::EqualNoCase(function.kind, "RZV_ODBC")) {
    Marker(kIdsPreviewKindNotRun, "%FUNCTION(" + function.kind + ")" + function.name);
    return;
  }
  if (m_callDepth >= kMaxCallDepth) {
    Marker(kIdsPreviewTooDeep, CallSource(node));
    return;
  }
  if (!node.args.empty()) Note(kIdsPreviewArgumentsIgnored, CallSource(node));
  CK7QPreviewSqlComposer composer([this](const std::string& name) {
    CK7QPreviewSqlComposer::Value value;
    const std::string key = Upper(name);
    CK7QPreviewValue row;
    if (RowValue(key, row)) {
      value.found = true;
      value.trusted = false;
      value.text = std::move(row.text);
      return value;
    }
    const auto it = m_vars.find(key);
    if (it == m_vars.end()) {
      Note(kIdsPreviewNoValue, "$(" + name + ")");
      return value;
    }
    value.found = true;
    if (it->second.define) {
      value.command = it->second.define->command;
      value.text = it->second.define->value;
    } else {
      value.trusted = it->second.value.source == K7QPreviewSource::Trusted;
      value.text = it->second.value.text;
    }
    return value;
  });
  std::string sql;
  std::string detail;
  K7QPreviewSqlRefusal refusal = composer.Compose(function.sql, sql, detail);
  if (refusal == kSqlAccepted) refusal = K7QPreviewCheckStatement(sql);
  if (refusal != kSqlAccepted) {
    Marker(refusal, "@" + function.name + "()" + (detail.empty() ? "" : ": $(" + detail + ")"));
    return;
  }
  const CK7QPreviewQueryResult result = m_runner.Run(sql, m_options.limits);
  const std::string seconds = std::to_string(m_options.limits.seconds);
  if (!result.ok) {
    if (result.timeLimitHit) {
      Marker(kIdsPreviewTimeLimit, "@" + function.name + "(): " + seconds);
      return;
    }
    const long code = K7QPreviewSqlCode(result.state);
    if (ShowMessage(function, code)) return;
    Marker(kIdsPreviewDatabaseError, "@" + function.name + "(): " + std::to_string(code) + " " +
                                         result.state + " " + result.message);
    return;
  }
  if (result.rows.empty() && !result.timeLimitHit && ShowMessage(function, 100)) return;
  ++m_callDepth;
  Report(function, result);
  --m_callDepth;
  if (result.rowLimitHit)
    Marker(kIdsPreviewRowLimit,
           "@" + function.name + "(): " + std::to_string(m_options.limits.rows));
  if (result.timeLimitHit) Marker(kIdsPreviewTimeLimit, "@" + function.name + "(): " + seconds);
}

bool CK7QPreviewInterpreter::ShowMessage(const CK7QPreviewFunction& function, long code) {
  const auto find = [code](const std::vector<CK7QBldMessageItem>& items) {
    const CK7QBldMessageItem* fallback = nullptr;
    for (const CK7QBldMessageItem& item : items) {
      if (CK7QBldGroceries::EqualNoCase(item.code, code < 0 ? "-default" : "+default")) {
        fallback = &item;
      } else if (item.code.find("default") == std::string::npos &&
                 std::strtol(item.code.c_str(), nullptr, 10) == code) {
        return &item;
      }
    }
    return fallback;
  };
  const CK7QBldMessageItem* item = find(function.messages);
  if (!item) item = find(m_macro.Messages());
  if (!item) return false;
  m_out += item->text;
  if (item->action == kMessageActionExit) m_stopped = true;
  return true;
}

void CK7QPreviewInterpreter::Report(const CK7QPreviewFunction& function,
                                    const CK7QPreviewQueryResult& result) {
  // Columns by "V_" and their name, and by "V_" TABLE "." name where the
  // table is known: from the driver, else from the statement itself.
  CK7QBldSQL statement;
  bool parsed = false;
  std::unordered_map<std::string, std::size_t> index;
  for (std::size_t i = 0; i < result.columns.size(); ++i) {
    const CK7QPreviewColumn& column = result.columns[i];
    const std::string name = Upper(column.name);
    index.emplace("V_" + name, i);
    std::string table = column.table;
    if (table.empty()) {
      if (!parsed) parsed = statement.ParseText(function.sql);
      const auto& items = statement.ResultItems();
      const std::size_t dot = i < items.size() ? items[i].rfind('.') : std::string::npos;
      if (items.size() == result.columns.size() && dot != std::string::npos) {
        table = std::string(Trim(std::string_view(items[i]).substr(0, dot)));
      } else if (statement.Tables().size() == 1) {
        const std::string_view t = Trim(statement.Tables()[0]);
        table = std::string(t.substr(0, t.find_first_of(" \t")));
      }
    }
    if (!table.empty()) index.emplace("V_" + Upper(table) + "." + name, i);
  }
  if (!function.hasReport) {
    DefaultTable(result);
  } else {
    Eval(function.header);
    if (function.hasRow) {
      m_rows.push_back({&result, nullptr, &index});
      for (const auto& row : result.rows) {
        if (m_stopped) break;
        m_rows.back().row = &row;
        Eval(function.row);
      }
      m_rows.pop_back();
    }
  }
  // Outside the rows the values of the last row stay at hand.
  if (!result.rows.empty()) {
    for (const auto& [key, i] : index) {
      m_vars[key] = Variable{
          {ColumnValueText(result.columns[i], result.rows.back()[i]), K7QPreviewSource::Database,
           result.columns[i].kind == K7QPreviewColumnKind::LargeText},
          nullptr};
    }
  }
  if (function.hasReport) Eval(function.footer);
}

void CK7QPreviewInterpreter::DefaultTable(const CK7QPreviewQueryResult& result) {
  std::string& out = m_out;
  out += "<TABLE border=\"1\">\r\n<TR>";
  for (const CK7QPreviewColumn& column : result.columns) {
    out += "<TH>";
    K7QPreviewText::AppendHtmlEscaped(out, column.name);
    out += "</TH>";
  }
  out += "</TR>\r\n";
  for (const auto& row : result.rows) {
    out += "<TR>";
    for (std::size_t i = 0; i < row.size(); ++i) {
      out += "<TD>";
      if (result.columns[i].kind == K7QPreviewColumnKind::Binary && !row[i].empty()) {
        out += "<IMG src=\"" + K7QPreviewText::DataUri(row[i]) + "\">";
      } else {
        K7QPreviewText::AppendHtmlEscaped(out, row[i]);
      }
      out += "</TD>";
    }
    out += "</TR>\r\n";
  }
  out += "</TABLE>\r\n";
}

bool CK7QPreviewInterpreter::Condition(const std::string& text, bool& ok) {
  std::vector<Token> tokens;
  if (!Tokenize(text, tokens) || tokens.empty()) {
    ok = false;
    return false;
  }
  CConditionParser parser(tokens, [this](const std::string& operand) { return Operand(operand); });
  bool value = false;
  ok = parser.Parse(value);
  return ok && value;
}

std::string CK7QPreviewInterpreter::Operand(std::string_view text) {
  // Quoted texts and references are read as macro text; bare words are themselves.
  std::string value;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '"') {
      const std::size_t close = text.find('"', i + 1);
      value += EvalCapture(CK7QPreviewMacro::ParseInline(text.substr(i + 1, close - i - 1))).text;
      i = close + 1;
      continue;
    }
    std::size_t end = 0;
    const std::string_view name = K7QPreviewText::ReferenceAt(text, i, end);
    if (!name.empty()) {
      CK7QPreviewValue v;
      if (LookupValue(std::string(name), v)) value += v.text;
      i = end;
      continue;
    }
    const std::size_t len = K7QCp932::CharLength(text, i);
    value.append(text.substr(i, len));
    i += len;
  }
  return value;
}

int CK7QPreviewInterpreter::Note(unsigned id, std::string_view detail) {
  std::string key = std::to_string(id);
  key += '\0';
  key.append(detail);
  const auto [it, added] = m_noteIndex.emplace(std::move(key), int(m_notes.size()) + 1);
  if (added) m_notes.push_back({id, std::string(detail)});
  return it->second;
}

void CK7QPreviewInterpreter::Marker(unsigned id, std::string_view source) {
  const std::string excerpt = K7QPreviewText::Excerpt(source);
  const int number = Note(id, excerpt);
  // Inside an argument or a condition the mark would become part of a value;
  // there the note alone tells of it.
  if (!m_captures.empty()) return;
  m_out += kMarkOpen;
  m_out += "[" + std::to_string(number) + "] ";
  K7QPreviewText::AppendHtmlEscaped(m_out, excerpt);
  m_out += kMarkClose;
}

void CK7QPreviewInterpreter::AppendNotes() {
  if (m_notes.empty()) return;
  std::string panel(kNotesOpen);
  panel += "<b>";
  K7QPreviewText::AppendHtmlEscaped(panel, Text(kIdsPreviewNotesHeading));
  panel += "</b>\r\n<ol>\r\n";
  for (const CK7QPreviewNote& note : m_notes) {
    panel += "<li>";
    K7QPreviewText::AppendHtmlEscaped(panel, NoteText(note));
    panel += "</li>\r\n";
  }
  panel += "</ol>\r\n</div>\r\n";
  const std::size_t body = K7QPreviewText::FindLastNoCase(m_out, "</BODY>");
  if (body == std::string::npos) {
    m_out += panel;
  } else {
    m_out.insert(body, panel);
  }
}
