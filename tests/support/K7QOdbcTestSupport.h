#pragma once

#include <string>

// Data sources of one test process for tests that reach a database through
// the driver manager: a private odbc.ini (ODBCINI points at it, so programs
// the test starts see it too) with an SQLite database of this process, the
// bundled sample database and, when the test script started one, a database
// of this process in the PostgreSQL test cluster (dropped at exit).
inline constexpr const char* kTestDsn = "K7QTestDb";
inline constexpr const char* kTestSampleDsn = "K7QTestSampleDb";
inline constexpr const char* kTestPgDsn = "K7QTestPgDb";

// Writes the odbc.ini once per process and points ODBCINI at it.
void K7QUseTestDataSources();
// The folder of this process's test databases and odbc.ini.
const std::string& K7QTestDataFolder();
// Makes the SQLite database behind kTestDsn afresh from SQL text (sqlite3 shell).
bool K7QMakeTestSqlite(const std::string& sql);
// True when the test script started a PostgreSQL server.
bool K7QHavePostgres();
// Runs SQL in this process's PostgreSQL database (made on first use) as its
// owner, or as the superuser; false when psql failed.
bool K7QPgExec(const std::string& sql, bool superuser = false);
std::string K7QPgUser();
std::string K7QPgPassword();
