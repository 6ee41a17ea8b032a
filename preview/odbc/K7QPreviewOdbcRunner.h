#pragma once

// Folder preview/odbc: the preview's query runner over the ODBC driver
// manager, outside the core so that the core links no driver manager.

#include <sql.h>
#include <sqlext.h>

#include <string>

#include "K7QPreviewQuery.h"

// Runs the preview's statements on one data source. The connection is made
// at the first statement, read-only (the access mode, and on SQLite and
// PostgreSQL the database's own read-only switch as well), and made again
// after it was lost. Each statement runs within the time limit (the driver's
// query timeout, and a watch that cancels it) and gives at most the row limit.
// Text travels as UTF-8 to and from the driver and as CP932 in the preview;
// a character CP932 cannot hold arrives as a character reference (&#NNNN;).
class CK7QPreviewOdbcRunner : public IK7QPreviewQueryRunner {
 public:
  // All three in CP932, as the macro's define section gives them.
  CK7QPreviewOdbcRunner(std::string dataSource, std::string user, std::string password);
  ~CK7QPreviewOdbcRunner() override;
  CK7QPreviewOdbcRunner(const CK7QPreviewOdbcRunner&) = delete;
  CK7QPreviewOdbcRunner& operator=(const CK7QPreviewOdbcRunner&) = delete;

  CK7QPreviewQueryResult Run(const std::string& sql, const CK7QPreviewLimits& limits) override;
  // Connects now (within `seconds`) rather than at the first statement;
  // false with the database's SQLSTATE and reason (CP932) when refused.
  bool Check(unsigned seconds, std::string& state, std::string& message);

  // UTF-8 text as CP932, a character CP932 cannot hold as a character reference.
  static std::string ToPageText(const std::string& utf8);

 private:
  bool Connect(unsigned seconds, CK7QPreviewQueryResult& failure);
  void Disconnect();

  std::string m_dataSource;
  std::string m_user;
  std::string m_password;
  SQLHENV m_env = SQL_NULL_HENV;
  SQLHDBC m_dbc = SQL_NULL_HDBC;
  bool m_connected = false;
};
