#pragma once

#include <cstddef>
#include <string>
#include <vector>

// How the preview reaches the database: one statement in, its rows out. The
// real runner speaks ODBC and lives outside the core (preview/odbc), so the
// core links no driver manager; tests may give any runner.

// What a column's values are, as the page needs to know it: a large text is
// what a large-text reference shows, binary values become pictures.
enum class K7QPreviewColumnKind { Text, LargeText, Binary };

struct CK7QPreviewColumn {
  std::string name;   // CP932
  std::string table;  // the column's table when the driver tells it, else empty
  K7QPreviewColumnKind kind = K7QPreviewColumnKind::Text;
};

// Limits of one statement: seconds it may take (executing and fetching) and
// rows it may give.
struct CK7QPreviewLimits {
  unsigned seconds = 10;
  std::size_t rows = 1000;
};

struct CK7QPreviewQueryResult {
  bool ok = false;      // the statement ran (rows may still have been cut)
  std::string state;    // SQLSTATE when it failed
  std::string message;  // the database's or the driver's reason (CP932)
  std::vector<CK7QPreviewColumn> columns;
  // Values of each row in column order; NULL is empty text, binary values
  // are their bytes, text is CP932.
  std::vector<std::vector<std::string>> rows;
  bool rowLimitHit = false;   // more rows were there than the limit allows
  bool timeLimitHit = false;  // the statement was stopped at the time limit
};

class IK7QPreviewQueryRunner {
 public:
  virtual ~IK7QPreviewQueryRunner() = default;
  // Runs one statement (CP932 text) that the preview has checked to be a
  // single SELECT, within `limits`.
  virtual CK7QPreviewQueryResult Run(const std::string& sql, const CK7QPreviewLimits& limits) = 0;
};

// The return code by which message blocks know a failure: the SQLSTATE of
// the driver mapped onto the codes the builder offers (-801 division by
// zero, -802 overflow, -803 duplicate key, -900 no connection (a data source
// that cannot be found or a login refused included), -912 busy or
// locked; -204 unknown table, -206 unknown column, -104 any other statement
// error; -901 anything else).
long K7QPreviewSqlCode(const std::string& state);
