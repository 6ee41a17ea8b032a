#pragma once

#include <string>
#include <vector>

#include "K7QTestSupport.h"
#include "PbuildCreator.h"

// Data sources of this test process (written by main.cpp into a private odbc.ini).
inline constexpr const char* kDsnA = "K7QTestA";
inline constexpr const char* kDsnB = "K7QTestB";
inline constexpr const char* kDsnBroken = "K7QTestBroken";
inline constexpr const char* kDsnPg = "K7QTestPg";
// psqlODBC pointed at a listener that takes connections and never answers.
inline constexpr const char* kDsnHang = "K7QTestHang";
// The bundled sample database of the build tree.
inline constexpr const char* kDsnSample = "K7QTestSample";

// Paths of the SQLite files behind kDsnA and kDsnB.
std::string SqliteFile(const char* dsn);
// Makes the SQLite database of `dsn` afresh from SQL text (run by the sqlite3 shell).
void MakeSqlite(const char* dsn, const std::string& sql);
// The folder this process keeps its data sources and settings in.
const std::string& ProcessFolder();
// Opens the listener behind kDsnHang (once) and gives its loopback port.
int HangingListenerPort();
// True when the test script started a PostgreSQL server.
bool HavePostgres();
// Makes this process's PostgreSQL database (once); false when it failed.
bool MakePgDatabase();
bool PgDatabaseMade();
// Runs SQL in this process's PostgreSQL database as its owner (or as the
// superuser); false when psql failed.
bool Psql(const std::string& sql, bool superuser = false);
// The first value SQL gives in this process's database (as superuser), "" on failure.
std::string PsqlValue(const std::string& sql);
// The creator's login for the PostgreSQL data source.
std::string PgUser();
std::string PgPassword();

// Progress that records what a run showed and can ask it to stop.
class CTestProgress : public IPbuildProgress {
 public:
  void SetRange(int maximum) override { m_range = maximum; }
  void SetPosition(int position) override { m_position = position; }
  void SetStatus(Line line, const std::string& text) override { m_status[line] = text; }
  bool Pump() override {
    ++m_pumps;
    if (m_stopAfter >= 0 && m_pumps > m_stopAfter) m_stop = true;
    return true;
  }
  bool StopRequested() const override { return m_stop; }

  int m_stopAfter = -1;  // pumps before Stop is pressed; -1 never
  int m_pumps = 0;
  int m_range = 0;
  int m_position = 0;
  bool m_stop = false;
  std::string m_status[3];
};

// A creator wired to a scripted user interface and the repository's marker images.
struct CCreatorFixture {
  CK7QScriptedUi ui;
  CTestProgress progress;
  CPbuildCreator creator{ui, progress};
  CK7QTempDir base;

  CCreatorFixture();
  CPbuildOutcome Run(const char* dsn, int sampleMode = 0, const std::string& login = "k7q",
                     const std::string& password = "secret");
  std::string Output(const char* dsn) const;  // the profile folder of a run on `dsn`
  std::string Profile(const char* dsn) const;
  bool Shown(unsigned id) const;
};

// The lines of a CP932 text file without their CR LF.
std::vector<std::string> Lines(const std::string& path);
// Names in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& folder);
// Permission bits of a path.
unsigned Mode(const std::string& path);
