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

  bool AllocEnv();
  bool AllocConnect();
  // Connects; a refusal shows the driver's records but never ends the program.
  bool Connect(const std::string& dataSource, const std::string& user, const std::string& password);
  // Disconnects and frees connection and environment; false when the
  // disconnection failed.
  bool Disconnect();
  bool IsConnected() const { return m_connected; }

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
  void ShowRecords(SQLSMALLINT handleType, SQLHANDLE handle);
  void FreeAll();

  IK7QBldUserInterface& m_ui;
  SQLHENV m_env = SQL_NULL_HENV;
  SQLHDBC m_dbc = SQL_NULL_HDBC;
  bool m_connected = false;
  std::string m_quote;  // empty: the driver quotes no identifiers
};

// One statement: allocated on the connection, dropped and committed when it
// goes out of scope.
class CPbuildStatement {
 public:
  explicit CPbuildStatement(CPbuildCli& cli);
  ~CPbuildStatement();
  CPbuildStatement(const CPbuildStatement&) = delete;
  CPbuildStatement& operator=(const CPbuildStatement&) = delete;

  SQLHSTMT Handle() const { return m_stmt; }
  // Checked; returns the call's result (0, 1 or 100 when it comes back).
  SQLRETURN ExecDirect(const std::string& sql);
  // Prepares without running: enough to describe the result columns.
  SQLRETURN Prepare(const std::string& sql);
  SQLRETURN Tables();
  // True for a row, false at the end.
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

  enum class Value { Data, Null, TooLarge };
  // Reads the whole value of `column` of the current row in pieces, as
  // SQL_C_BINARY or SQL_C_CHAR; a value over `limit` bytes is not read on.
  Value GetData(SQLUSMALLINT column, SQLSMALLINT cType, std::string& out, std::size_t limit);

 private:
  CPbuildCli& m_cli;
  SQLHSTMT m_stmt = SQL_NULL_HSTMT;
};
