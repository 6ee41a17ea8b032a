#include "K7QOdbcTestSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <sstream>

#include "K7QTestSupport.h"

namespace {

std::string PgDatabase() { return "k7qp_" + std::to_string(::getpid()); }

// Drops this process's PostgreSQL database at exit, if one was made.
struct CPgDatabase {
  bool made = false;
  ~CPgDatabase() {
    if (!made) return;
    const std::string command = std::string("psql -q -X -h '") + std::getenv("K7Q_PG_SOCKET_DIR") +
                                "' -p " + std::getenv("K7Q_PG_PORT") +
                                " -U postgres -d postgres -c 'DROP DATABASE IF EXISTS " +
                                PgDatabase() + " WITH (FORCE)' >/dev/null 2>&1";
    [[maybe_unused]] const int rc = std::system(command.c_str());
  }
};

CPgDatabase& PgState() {
  static CPgDatabase state;
  return state;
}

// The test script's data source, pointed at this process's database.
std::string PostgresSection() {
  const char* file = std::getenv("K7Q_PG_DSN_FILE");
  const char* dsn = std::getenv("K7Q_PG_DSN");
  if (!file || !dsn) return {};
  std::istringstream in(K7QReadFile(file));
  std::string line;
  std::string out;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') {
      inside = line == std::string("[") + dsn + "]";
      if (inside) out += std::string("[") + kTestPgDsn + "]\n";
      continue;
    }
    if (!inside) continue;
    if (line.rfind("Database", 0) == 0) line = "Database=" + PgDatabase();
    out += line + "\n";
  }
  return out;
}

}  // namespace

const std::string& K7QTestDataFolder() {
  static const std::unique_ptr<CK7QTempDir> folder = std::make_unique<CK7QTempDir>();
  return folder->Path();
}

void K7QUseTestDataSources() {
  static const bool written = [] {
    const std::string ini =
        std::string("[") + kTestDsn + "]\nDriver=SQLite3\nDatabase=" + K7QTestDataFolder() +
        "/test.db\nNoCreat=1\n\n[" + kTestSampleDsn +
        "]\nDriver=SQLite3\nDatabase=" K7Q_DATA_DIR "/sample/shop.db\nNoCreat=1\n\n" +
        PostgresSection();
    K7QWriteFile(K7QTestDataFolder() + "/odbc.ini", ini);
    ::setenv("ODBCINI", (K7QTestDataFolder() + "/odbc.ini").c_str(), 1);
    return true;
  }();
  (void)written;
}

bool K7QMakeTestSqlite(const std::string& sql) {
  K7QUseTestDataSources();
  const std::string db = K7QTestDataFolder() + "/test.db";
  const std::string script = K7QTestDataFolder() + "/make.sql";
  std::remove(db.c_str());
  K7QWriteFile(script, sql);
  return std::system(("sqlite3 -bail '" + db + "' < '" + script + "'").c_str()) == 0;
}

bool K7QHavePostgres() { return std::getenv("K7Q_PG_PORT") && std::getenv("K7Q_PG_DSN_FILE"); }

std::string K7QPgUser() {
  const char* user = std::getenv("K7Q_PG_USER");
  return user ? user : "k7q";
}

std::string K7QPgPassword() {
  const char* password = std::getenv("K7Q_PG_PASSWORD");
  return password ? password : "";
}

bool K7QPgExec(const std::string& sql, bool superuser) {
  if (!K7QHavePostgres()) return false;
  K7QUseTestDataSources();
  const std::string prefix = std::string("PGOPTIONS='-c client_min_messages=warning' psql -q -X -v ON_ERROR_STOP=1 -h '") +
                             std::getenv("K7Q_PG_SOCKET_DIR") + "' -p " +
                             std::getenv("K7Q_PG_PORT");
  CPgDatabase& state = PgState();
  if (!state.made) {
    const std::string create = prefix + " -U postgres -d postgres -c 'CREATE DATABASE " +
                               PgDatabase() + " OWNER " + K7QPgUser() +
                               " ENCODING UTF8 TEMPLATE template0' >/dev/null";
    if (std::system(create.c_str()) != 0) return false;
    state.made = true;
  }
  const std::string script = K7QTestDataFolder() + "/pg.sql";
  K7QWriteFile(script, sql);
  return std::system((prefix + " -U " + (superuser ? std::string("postgres") : K7QPgUser()) +
                      " -d " + PgDatabase() + " -f '" + script + "' >/dev/null")
                         .c_str()) == 0;
}
