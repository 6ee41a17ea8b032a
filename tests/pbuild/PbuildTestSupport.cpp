#include "PbuildTestSupport.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "K7QBldFile.h"

std::string SqliteFile(const char* dsn) { return ProcessFolder() + "/" + dsn + ".db"; }

void MakeSqlite(const char* dsn, const std::string& sql) {
  const std::string db = SqliteFile(dsn);
  const std::string script = ProcessFolder() + "/make.sql";
  std::remove(db.c_str());
  K7QWriteFile(script, sql);
  const std::string command = "sqlite3 -bail '" + db + "' < '" + script + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << sql;
}

bool HavePostgres() { return std::getenv("K7Q_PG_PORT") != nullptr; }

int HangingListenerPort() {
  static const int port = [] {
    // The kernel completes the handshake for the listen queue; nobody ever
    // accepts or reads, so a client waits for the server's first word for ever.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return 0;
    return static_cast<int>(ntohs(address.sin_port));
  }();
  return port;
}

namespace {
bool g_pgDatabaseMade = false;
}

bool PgDatabaseMade() { return g_pgDatabaseMade; }

bool MakePgDatabase() {
  if (g_pgDatabaseMade) return true;
  const char* socket = std::getenv("K7Q_PG_SOCKET_DIR");
  const char* port = std::getenv("K7Q_PG_PORT");
  if (!socket || !port) return false;
  const std::string database = "k7qt_" + std::to_string(::getpid());
  const std::string command = std::string("psql -q -X -h '") + socket + "' -p " + port +
                              " -U postgres -d postgres -c 'CREATE DATABASE " + database +
                              " OWNER " + PgUser() +
                              " ENCODING UTF8 TEMPLATE template0' >/dev/null";
  g_pgDatabaseMade = std::system(command.c_str()) == 0;
  return g_pgDatabaseMade;
}

std::string PgUser() {
  const char* user = std::getenv("K7Q_PG_USER");
  return user ? user : "k7q";
}

std::string PgPassword() {
  const char* password = std::getenv("K7Q_PG_PASSWORD");
  return password ? password : "";
}

bool Psql(const std::string& sql, bool superuser) {
  const char* socket = std::getenv("K7Q_PG_SOCKET_DIR");
  const char* port = std::getenv("K7Q_PG_PORT");
  if (!socket || !port) return false;
  const std::string script = ProcessFolder() + "/pg.sql";
  K7QWriteFile(script, sql);
  const std::string database = "k7qt_" + std::to_string(::getpid());
  const std::string command = std::string("psql -q -X -v ON_ERROR_STOP=1 -h '") + socket + "' -p " +
                              port + " -U " + (superuser ? "postgres" : PgUser()) + " -d " +
                              database + " -f '" + script + "' >/dev/null";
  return std::system(command.c_str()) == 0;
}

std::string PsqlValue(const std::string& sql) {
  const char* socket = std::getenv("K7Q_PG_SOCKET_DIR");
  const char* port = std::getenv("K7Q_PG_PORT");
  if (!socket || !port) return {};
  const std::string out = ProcessFolder() + "/pg.out";
  const std::string command = std::string("psql -q -X -At -h '") + socket + "' -p " + port +
                              " -U postgres -d k7qt_" + std::to_string(::getpid()) + " -c \"" +
                              sql + "\" >'" + out + "'";
  if (std::system(command.c_str()) != 0) return {};
  std::string value = K7QReadFile(out);
  while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
  return value;
}

CCreatorFixture::CCreatorFixture() {
  creator.SetImageFolder(std::string(K7Q_SOURCE_DIR) + "/data/tovra");
}

CPbuildOutcome CCreatorFixture::Run(const char* dsn, int sampleMode, const std::string& login,
                                    const std::string& password) {
  CPbuildInputs inputs;
  inputs.dataSource = dsn;
  inputs.login = login;
  inputs.password = password;
  inputs.baseFolder = base.Path();
  inputs.sampleMode = sampleMode;
  return creator.Run(inputs);
}

std::string CCreatorFixture::Output(const char* dsn) const {
  return base.Path() + "/k7q_pro_" + dsn;
}

std::string CCreatorFixture::Profile(const char* dsn) const {
  return Output(dsn) + "/" + dsn + ".k7q_pro";
}

bool CCreatorFixture::Shown(unsigned id) const {
  const auto ids = ui.Ids();
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  const std::string text = K7QReadFile(path);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

unsigned Mode(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}
