// The test program: a Qt application for the dialog, a private settings
// folder and a private odbc.ini with this process's data sources. Each
// process gets its own SQLite files and its own PostgreSQL database, so tests
// may run side by side.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "PbuildTestSupport.h"

namespace {

CK7QTempDir* g_folder = nullptr;

std::string ReadText(const char* path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The test script's data source, pointed at this process's database.
std::string PostgresSection() {
  const char* file = std::getenv("K7Q_PG_DSN_FILE");
  const char* dsn = std::getenv("K7Q_PG_DSN");
  if (!file || !dsn) return {};
  std::istringstream in(ReadText(file));
  std::string line, out;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') {
      inside = line == std::string("[") + dsn + "]";
      if (inside) out += std::string("[") + kDsnPg + "]\n";
      continue;
    }
    if (!inside) continue;
    if (line.rfind("Database", 0) == 0) line = "Database=k7qt_" + std::to_string(::getpid());
    out += line + "\n";
  }
  return out;
}

void WriteDataSources() {
  std::string ini;
  for (const char* dsn : {kDsnA, kDsnB}) {
    ini += std::string("[") + dsn + "]\nDriver=SQLite3\nDatabase=" + SqliteFile(dsn) + "\n\n";
  }
  ini += std::string("[") + kDsnBroken + "]\nDriver=K7QNoSuchDriver\n\n";
  ini += std::string("[") + kDsnHang + "]\nDriver=PostgreSQL ANSI\nServername=127.0.0.1\nPort=" +
         std::to_string(HangingListenerPort()) + "\nDatabase=none\nCommLog=0\nDebug=0\n\n";
  ini += std::string("[") + kDsnSample +
         "]\nDriver=SQLite3\nDatabase=" K7Q_DATA_DIR "/sample/shop.db\n\n";
  ini += PostgresSection();
  K7QWriteFile(g_folder->File("odbc.ini"), ini);
  ::setenv("ODBCINI", g_folder->File("odbc.ini").c_str(), 1);
}

// Drops the database of this process, if a test made one.
class CPostgresDatabase : public ::testing::Environment {
 public:
  void TearDown() override {
    if (!PgDatabaseMade()) return;
    const std::string database = "k7qt_" + std::to_string(::getpid());
    std::system(("psql -q -X -h '" + std::string(std::getenv("K7Q_PG_SOCKET_DIR")) + "' -p " +
                 std::getenv("K7Q_PG_PORT") +
                 " -U postgres -d postgres -c 'DROP DATABASE IF EXISTS " + database +
                 " WITH (FORCE)' >/dev/null")
                    .c_str());
  }
};

}  // namespace

const std::string& ProcessFolder() { return g_folder->Path(); }

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests at build time happens without the test environment.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  CK7QTempDir folder;
  g_folder = &folder;
  ::setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
  WriteDataSources();
  ::testing::AddGlobalTestEnvironment(new CPostgresDatabase);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
