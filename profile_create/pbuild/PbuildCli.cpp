#include "PbuildCli.h"

#include <cstdio>
#include <cstring>

#include "K7QBldUserInterface.h"
#include "PbuildMessages.h"

namespace {

// Large enough for any name a driver manager keeps; a longer one is skipped
// rather than cut.
constexpr SQLSMALLINT kNameBuffer = 1024;
constexpr SQLSMALLINT kDescriptionBuffer = 256;
constexpr SQLSMALLINT kMessageBuffer = 1025;
constexpr std::size_t kPiece = 64 * 1024;

std::string Text(const SQLCHAR* p, SQLSMALLINT length, SQLSMALLINT capacity) {
  const auto n =
      static_cast<std::size_t>(length < 0 ? 0 : (length < capacity ? length : capacity - 1));
  return std::string(reinterpret_cast<const char*>(p), n);
}

bool IsPlainIdentifier(const std::string& name) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    if (!letter && !(i > 0 && c >= '0' && c <= '9')) return false;
  }
  return true;
}

}  // namespace

CPbuildCli::~CPbuildCli() {
  if (m_connected) ::SQLDisconnect(m_dbc);
  FreeAll();
}

void CPbuildCli::FreeAll() {
  if (m_dbc != SQL_NULL_HDBC) ::SQLFreeHandle(SQL_HANDLE_DBC, m_dbc);
  if (m_env != SQL_NULL_HENV) ::SQLFreeHandle(SQL_HANDLE_ENV, m_env);
  m_dbc = SQL_NULL_HDBC;
  m_env = SQL_NULL_HENV;
  m_connected = false;
}

std::vector<std::string> CPbuildCli::DataSources(int* skipped) {
  std::vector<std::string> names;
  if (skipped) *skipped = 0;
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(::SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return names;
  ::SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLCHAR name[kNameBuffer];
  SQLCHAR description[kDescriptionBuffer];
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT descriptionLength = 0;
  for (;;) {
    const SQLRETURN rc = ::SQLDataSources(env, SQL_FETCH_NEXT, name, kNameBuffer, &nameLength,
                                          description, kDescriptionBuffer, &descriptionLength);
    if (!SQL_SUCCEEDED(rc)) break;
    if (nameLength >= kNameBuffer) {
      if (skipped) ++*skipped;
      continue;
    }
    names.push_back(Text(name, nameLength, kNameBuffer));
  }
  ::SQLFreeHandle(SQL_HANDLE_ENV, env);
  return names;
}

bool CPbuildCli::AllocEnv() {
  if (!SQL_SUCCEEDED(::SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_env))) {
    m_env = SQL_NULL_HENV;
    return false;
  }
  Check(
      ::SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
      SQL_HANDLE_ENV, m_env);
  return true;
}

bool CPbuildCli::AllocConnect() {
  if (m_env == SQL_NULL_HENV) return false;
  const SQLRETURN rc = ::SQLAllocHandle(SQL_HANDLE_DBC, m_env, &m_dbc);
  if (SQL_SUCCEEDED(rc)) return true;
  m_dbc = SQL_NULL_HDBC;
  ShowRecords(SQL_HANDLE_ENV, m_env);
  return false;
}

bool CPbuildCli::Connect(const std::string& dataSource, const std::string& user,
                         const std::string& password) {
  auto text = [](const std::string& s) {
    return const_cast<SQLCHAR*>(reinterpret_cast<const SQLCHAR*>(s.c_str()));
  };
  // A server that takes the connection and never answers would hold the run
  // for ever. Not every driver honours the limit; none is harmed by it.
  if (m_loginTimeout > 0) {
    ::SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT,
                        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_loginTimeout)), 0);
  }
  const SQLRETURN rc =
      ::SQLConnect(m_dbc, text(dataSource), SQL_NTS, text(user), SQL_NTS, text(password), SQL_NTS);
  if (!SQL_SUCCEEDED(rc)) {
    // A refused connection is the user's to mend (name, password, server):
    // show why, and let the run end with its own error.
    ShowRecords(SQL_HANDLE_DBC, m_dbc);
    return false;
  }
  m_connected = true;
  if (rc != SQL_SUCCESS) Diagnose(rc, SQL_HANDLE_DBC, m_dbc);

  char quote[8] = {};
  SQLSMALLINT length = 0;
  if (SQL_SUCCEEDED(::SQLGetInfo(m_dbc, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &length)) &&
      length > 0 && length < static_cast<SQLSMALLINT>(sizeof quote) && quote[0] != ' ') {
    m_quote.assign(quote, static_cast<std::size_t>(length));
  }
  return true;
}

bool CPbuildCli::Disconnect() {
  bool ok = true;
  if (m_connected) {
    const SQLRETURN rc = ::SQLDisconnect(m_dbc);
    m_connected = false;
    if (rc != SQL_SUCCESS) {
      ok = SQL_SUCCEEDED(rc);
      Diagnose(rc, SQL_HANDLE_DBC, m_dbc);
    }
  }
  FreeAll();
  return ok;
}

std::string CPbuildCli::InfoText(SQLUSMALLINT type) const {
  char text[kNameBuffer] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(::SQLGetInfo(m_dbc, type, text, sizeof text, &length)) || length <= 0 ||
      length >= static_cast<SQLSMALLINT>(sizeof text))
    return {};
  return std::string(text, static_cast<std::size_t>(length));
}

bool CPbuildCli::SchemasInStatements() const {
  SQLUINTEGER usage = 0;
  return SQL_SUCCEEDED(::SQLGetInfo(m_dbc, SQL_SCHEMA_USAGE, &usage, sizeof usage, nullptr)) &&
         (usage & SQL_SU_DML_STATEMENTS) != 0;
}

bool CPbuildCli::IsConnectionFailure(SQLSMALLINT handleType, SQLHANDLE handle) const {
  SQLCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (SQL_SUCCEEDED(::SQLGetDiagRec(handleType, handle, 1, state, &native, nullptr, 0, &length))) {
    const std::string s(reinterpret_cast<const char*>(state));
    // Class 08 is the connection's; HYT01 its own timeout (HYT00, one
    // statement's timeout, is that statement's).
    if (s.compare(0, 2, "08") == 0 || s == "HYT01") return true;
  }
  SQLUINTEGER dead = SQL_CD_FALSE;
  return SQL_SUCCEEDED(::SQLGetConnectAttr(m_dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
         dead == SQL_CD_TRUE;
}

std::string CPbuildCli::Reason(SQLSMALLINT handleType, SQLHANDLE handle) {
  SQLCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLCHAR message[kMessageBuffer];
  SQLSMALLINT length = 0;
  if (handle == SQL_NULL_HANDLE ||
      !SQL_SUCCEEDED(
          ::SQLGetDiagRec(handleType, handle, 1, state, &native, message, kMessageBuffer, &length)))
    return "(no diagnostic record)";
  // One line for the closing list: line breaks and the blanks around them become one blank.
  std::string reason = reinterpret_cast<const char*>(state);
  reason += ": ";
  bool blank = false;
  for (char c : Text(message, length, kMessageBuffer)) {
    if (c == '\n' || c == '\r' || c == '\t' || c == ' ') {
      blank = true;
      continue;
    }
    if (blank && reason.back() != ' ') reason += ' ';
    blank = false;
    reason += c;
  }
  return reason;
}

void CPbuildCli::ShowRecords(SQLSMALLINT handleType, SQLHANDLE handle, bool error) {
  if (handle == SQL_NULL_HANDLE) return;
  SQLCHAR state[6];
  SQLINTEGER native = 0;
  SQLCHAR message[kMessageBuffer];
  SQLSMALLINT length = 0;
  for (SQLSMALLINT record = 1;; ++record) {
    const SQLRETURN rc = ::SQLGetDiagRec(handleType, handle, record, state, &native, message,
                                         kMessageBuffer, &length);
    if (!SQL_SUCCEEDED(rc)) break;
    std::string text = m_ui.String(kIdsDiagStateLabel);
    text += ": ";
    text += reinterpret_cast<const char*>(state);
    text += "\n";
    text += m_ui.String(kIdsDiagNativeLabel);
    text += ": ";
    text += std::to_string(native);
    text += "\n";
    text += m_ui.String(kIdsDiagMessageLabel);
    text += ": ";
    text += Text(message, length, kMessageBuffer);
    m_ui.Prompt(kIdsDiagStateLabel, text, error ? K7QIcon::Stop : K7QIcon::Information,
                K7QButtons::Ok);
  }
}

void CPbuildCli::Diagnose(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
  // Records of a warning are warnings: a script tells an error by its icon.
  ShowRecords(handleType, handle, rc != SQL_SUCCESS_WITH_INFO && rc != SQL_NO_DATA);
  if (rc == SQL_SUCCESS_WITH_INFO) {
    m_ui.Message(kIdsDiagWithInfo, K7QIcon::Information);
    return;
  }
  if (rc == SQL_NO_DATA) {
    m_ui.Message(kIdsDiagNoData, K7QIcon::Information);
    return;
  }
  if (rc == SQL_ERROR) {
    m_ui.Message(kIdsDiagError, K7QIcon::Stop);
  } else if (rc == SQL_INVALID_HANDLE) {
    m_ui.Message(kIdsDiagInvalidHandle, K7QIcon::Stop);
    m_ui.Message(kIdsDiagError, K7QIcon::Stop);
  } else {
    m_ui.Message(kIdsDiagUnexpected, K7QIcon::Stop);
  }
  const bool rolledBack = m_dbc != SQL_NULL_HDBC && m_connected &&
                          SQL_SUCCEEDED(::SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_ROLLBACK));
  if (rolledBack) {
    std::fputs(">Rollback Successful, Exiting application\n", stdout);
    std::fflush(stdout);
  } else {
    m_ui.Message(kIdsDiagRollbackFailed, K7QIcon::Stop);
  }
  throw CPbuildFatalError(rc);
}

void CPbuildCli::Commit() {
  if (!m_connected) return;
  Check(::SQLEndTran(SQL_HANDLE_DBC, m_dbc, SQL_COMMIT), SQL_HANDLE_DBC, m_dbc);
}

bool CPbuildCli::QuoteIdentifier(const std::string& name, std::string& quoted) const {
  if (m_quote.empty()) {
    if (!IsPlainIdentifier(name)) return false;
    quoted = name;
    return true;
  }
  quoted = m_quote;
  for (std::size_t i = 0; i < name.size();) {
    if (name.compare(i, m_quote.size(), m_quote) == 0) {
      quoted += m_quote;
      quoted += m_quote;
      i += m_quote.size();
      continue;
    }
    quoted += name[i++];
  }
  quoted += m_quote;
  return true;
}

// ---- statements -------------------------------------------------------------

CPbuildStatement::CPbuildStatement(CPbuildCli& cli, Mode mode) : m_cli(cli), m_mode(mode) {
  const SQLRETURN rc = ::SQLAllocHandle(SQL_HANDLE_STMT, cli.Connection(), &m_stmt);
  if (!SQL_SUCCEEDED(rc)) m_stmt = SQL_NULL_HSTMT;
  cli.Check(rc, SQL_HANDLE_DBC, cli.Connection());
  if (m_stmt != SQL_NULL_HSTMT && cli.QueryTimeout() > 0) {
    // A driver without timeouts says so with a warning; the statement runs anyway.
    ::SQLSetStmtAttr(m_stmt, SQL_ATTR_QUERY_TIMEOUT,
                     reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(cli.QueryTimeout())), 0);
  }
}

CPbuildStatement::~CPbuildStatement() {
  if (m_stmt == SQL_NULL_HSTMT) return;
  // Closing first: psqlODBC keeps the result of a described statement
  // otherwise, and never frees it.
  ::SQLFreeStmt(m_stmt, SQL_CLOSE);
  ::SQLFreeHandle(SQL_HANDLE_STMT, m_stmt);
  // Nothing may escape a destructor: a failed commit here is reported by the
  // next call on the connection instead.
  if (m_cli.IsConnected()) ::SQLEndTran(SQL_HANDLE_DBC, m_cli.Connection(), SQL_COMMIT);
}

SQLRETURN CPbuildStatement::Examine(SQLRETURN rc) {
  if (rc == SQL_SUCCESS) return rc;
  if (m_mode == kTolerant && rc == SQL_ERROR) {
    // The reason is read first: asking the connection below leaves the
    // statement's records alone, but nothing else may run in between.
    std::string reason = CPbuildCli::Reason(SQL_HANDLE_STMT, m_stmt);
    if (!m_cli.IsConnectionFailure(SQL_HANDLE_STMT, m_stmt)) {
      m_failed = true;
      m_reason = std::move(reason);
      // Some servers refuse every later statement of a transaction that saw an error.
      if (m_cli.IsConnected()) ::SQLEndTran(SQL_HANDLE_DBC, m_cli.Connection(), SQL_ROLLBACK);
      return rc;
    }
  }
  m_cli.Diagnose(rc, SQL_HANDLE_STMT, m_stmt);
  return rc;
}

SQLRETURN CPbuildStatement::ExecDirect(const std::string& sql) {
  if (m_failed) return SQL_ERROR;
  auto* text = const_cast<SQLCHAR*>(reinterpret_cast<const SQLCHAR*>(sql.c_str()));
  return Examine(::SQLExecDirect(m_stmt, text, static_cast<SQLINTEGER>(sql.size())));
}

SQLRETURN CPbuildStatement::Tables() {
  if (m_failed) return SQL_ERROR;
  return Examine(::SQLTables(m_stmt, nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0));
}

bool CPbuildStatement::Fetch() {
  if (m_failed) return false;
  const SQLRETURN rc = ::SQLFetch(m_stmt);
  if (rc == SQL_NO_DATA) return false;
  return SQL_SUCCEEDED(Examine(rc));
}

SQLSMALLINT CPbuildStatement::NumResultCols() {
  SQLSMALLINT count = 0;
  if (m_failed || !SQL_SUCCEEDED(Examine(::SQLNumResultCols(m_stmt, &count)))) return 0;
  return count;
}

CPbuildStatement::Column CPbuildStatement::Describe(SQLUSMALLINT column) {
  SQLCHAR name[kNameBuffer];
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT nullable = 0;
  Column c;
  if (m_failed) return c;
  const SQLRETURN rc = ::SQLDescribeCol(m_stmt, column, name, kNameBuffer, &nameLength, &c.type,
                                        &c.size, &c.scale, &nullable);
  // A name longer than the buffer comes back cut, with a note: not worth a
  // notice, since such a name is skipped anyway.
  if (rc == SQL_SUCCESS_WITH_INFO && nameLength >= kNameBuffer) {
    c.nameTruncated = true;
  } else if (!SQL_SUCCEEDED(Examine(rc))) {
    return Column{};
  }
  c.name = Text(name, nameLength, kNameBuffer);
  return c;
}

SQLLEN CPbuildStatement::DisplaySize(SQLUSMALLINT column) {
  SQLLEN size = 0;
  if (m_failed || !SQL_SUCCEEDED(Examine(::SQLColAttribute(m_stmt, column, SQL_DESC_DISPLAY_SIZE,
                                                           nullptr, 0, nullptr, &size))))
    return 0;
  return size;
}

CPbuildStatement::Value CPbuildStatement::GetData(SQLUSMALLINT column, SQLSMALLINT cType,
                                                  std::string& out, std::size_t limit) {
  out.clear();
  if (m_failed) return Value::Failed;
  // SQL_C_CHAR ends every piece with a zero that is not part of the value.
  const std::size_t terminator = cType == SQL_C_CHAR ? 1 : 0;
  std::string piece(kPiece, '\0');
  for (;;) {
    SQLLEN indicator = 0;
    const SQLRETURN rc = ::SQLGetData(m_stmt, column, cType, piece.data(),
                                      static_cast<SQLLEN>(piece.size()), &indicator);
    if (rc == SQL_NO_DATA) return Value::Data;  // every piece was read
    if (!SQL_SUCCEEDED(rc)) {
      Examine(rc);
      out.clear();
      return Value::Failed;
    }
    if (indicator == SQL_NULL_DATA) return Value::Null;
    const std::size_t room = piece.size() - terminator;
    // The indicator holds what was left before this call (or no total at all):
    // a piece is full whenever more was left than fits.
    const bool full = indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room;
    const std::size_t got = full ? room : static_cast<std::size_t>(indicator);
    if (out.size() + got > limit) {
      out.clear();
      return Value::TooLarge;
    }
    out.append(piece.data(), got);
    if (!full) return Value::Data;
  }
}
