#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <exception>
#include <string>
#include <vector>

class IK7QBldUserInterface;

// Thrown by the diagnostics routine for a return code that ends the program.
// The transaction is rolled back when it is thrown; whoever catches it removes
// the partial output, frees the handles and ends with Code() as exit status.
class CPbuildFatalError : public std::exception {
 public:
  explicit CPbuildFatalError(int code) : m_code(code) {}
  int Code() const { return m_code; }
  const char* what() const noexcept override { return "call-level interface failure"; }

 private:
  int m_code;
};

// The creator's view of the call-level interface: one environment and one
// connection per run, statements on top (CPbuildStatement), and the one
// diagnostics routine every examined call goes through.
class CPbuildCli {
 public:
  explicit CPbuildCli(IK7QBldUserInterface& ui) : m_ui(ui) {}
  ~CPbuildCli();
  CPbuildCli(const CPbuildCli&) = delete;
  CPbuildCli& operator=(const CPbuildCli&) = delete;

  // The data source names the driver manager knows (user and system), in its
  // order, read through a short-lived environment of their own. A name too long
  // for any sane buffer is left out and counted in `skipped`.
  static std::vector<std::string> DataSources(int* skipped = nullptr);

  // Seconds a login may take (0: the driver's own limit); set before Connect.
  void SetLoginTimeout(unsigned seconds) { m_loginTimeout = seconds; }
  // Seconds one statement may run (0: no limit); applies to later statements.
  void SetQueryTimeout(unsigned seconds) { m_queryTimeout = seconds; }
  unsigned QueryTimeout() const { return m_queryTimeout; }

  bool AllocEnv();
  bool AllocConnect();
  // Connects; a refusal shows the driver's records but never ends the program.
  bool Connect(const std::string& dataSource, const std::string& user, const std::string& password);
  // Disconnects and frees connection and environment; false when the
  // disconnection failed.
  bool Disconnect();
  bool IsConnected() const { return m_connected; }

  // A text answer of SQLGetInfo; empty when the driver gives none.
  std::string InfoText(SQLUSMALLINT type) const;
  // Whether statements may name a table's schema.
  bool SchemasInStatements() const;
  // Whether the diagnostics of `handle` tell of a failure of the connection
  // itself (the link is gone), not of one statement.
  bool IsConnectionFailure(SQLSMALLINT handleType, SQLHANDLE handle) const;
  // The database's reason for a failure on `handle`, on one line: "STATE: text".
  static std::string Reason(SQLSMALLINT handleType, SQLHANDLE handle);

  // Shows every diagnostic record of `handle`, then acts on `rc`: 1 and 100
  // show a notice and go on; anything else rolls back and throws CPbuildFatalError.
  void Diagnose(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle);
  // Sends a result other than 0 to Diagnose; returns it.
  SQLRETURN Check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle) {
    if (rc != SQL_SUCCESS) Diagnose(rc, handleType, handle);
    return rc;
  }

  void Commit();

  // `name` as an SQL identifier: quoted with the driver's identifier quote
  // (an embedded quote doubled). False when the driver has no quote and the
  // name is not a plain identifier, so it must not reach SQL text.
  bool QuoteIdentifier(const std::string& name, std::string& quoted) const;

  SQLHDBC Connection() const { return m_dbc; }
  IK7QBldUserInterface& Ui() const { return m_ui; }

 private:
  void ShowRecords(SQLSMALLINT handleType, SQLHANDLE handle, bool error = true);
  void FreeAll();

  IK7QBldUserInterface& m_ui;
  SQLHENV m_env = SQL_NULL_HENV;
  SQLHDBC m_dbc = SQL_NULL_HDBC;
  bool m_connected = false;
  unsigned m_loginTimeout = 0;
  unsigned m_queryTimeout = 0;
  std::string m_quote;  // empty: the driver quotes no identifiers
};

// One statement: allocated on the connection, dropped and committed when it
// goes out of scope.
//
// A strict statement sends every failure to the diagnostics routine, which
// ends the run. A tolerant one serves the work on one table or column: a
// failure there is kept (Failed, Reason) for the run's closing list and every
// later call on the statement does nothing; only a failure of the connection
// itself still ends the run.
class CPbuildStatement {
 public:
  enum Mode { kStrict, kTolerant };
  explicit CPbuildStatement(CPbuildCli& cli, Mode mode = kStrict);
  ~CPbuildStatement();
  CPbuildStatement(const CPbuildStatement&) = delete;
  CPbuildStatement& operator=(const CPbuildStatement&) = delete;

  SQLHSTMT Handle() const { return m_stmt; }
  bool Failed() const { return m_failed; }
  const std::string& Reason() const { return m_reason; }

  // Checked; returns the call's result (0, 1 or 100 when it comes back).
  SQLRETURN ExecDirect(const std::string& sql);
  SQLRETURN Tables();
  // True for a row, false at the end (or after a failure).
  bool Fetch();
  SQLSMALLINT NumResultCols();

  struct Column {
    std::string name;
    bool nameTruncated = false;
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT scale = 0;
  };
  Column Describe(SQLUSMALLINT column);
  SQLLEN DisplaySize(SQLUSMALLINT column);

  enum class Value { Data, Null, TooLarge, Failed };
  // Reads the whole value of `column` of the current row in pieces, as
  // SQL_C_BINARY or SQL_C_CHAR; a value over `limit` bytes is not read on.
  // Columns are read in ascending order, as every driver allows.
  Value GetData(SQLUSMALLINT column, SQLSMALLINT cType, std::string& out, std::size_t limit);

 private:
  // Sends a result other than 0 where it belongs: a tolerant statement keeps
  // a failure of its own, everything else goes to the diagnostics routine.
  SQLRETURN Examine(SQLRETURN rc);

  CPbuildCli& m_cli;
  SQLHSTMT m_stmt = SQL_NULL_HSTMT;
  Mode m_mode;
  bool m_failed = false;
  std::string m_reason;
};
