#include "PreviewCliSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "K7QTestSupport.h"

extern char** environ;

CSampleMacro MakeSampleMacro(const std::string& folder, const std::string& dsn,
                             const std::string& user, const std::string& password,
                             std::string& error) {
  const std::string err = folder + "/make.err";
  const std::string pbuild = std::string("'") + K7Q_BIN_DIR + "/pbuild_vq5' --dsn '" + dsn +
                             "' --user '" + user + "' --password '" + password + "' --folder '" +
                             folder + "' >/dev/null 2>'" + err + "'";
  const int status = std::system(pbuild.c_str());
  // 3: made, with names the profile format cannot hold left out.
  if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 3)) {
    error = "pbuild_vq5: " + K7QReadFile(err);
    return {};
  }
  CSampleMacro made;
  made.profile = folder + "/k7q_pro_" + dsn + "/" + dsn + ".k7q_pro";
  made.macro = folder + "/k7q_pro_" + dsn + "/shop.k7q";
  const std::string samples = std::string(K7Q_SOURCE_DIR) + "/data/tovra/samples/";
  if (K7QRunK7q({"build", "--profile", made.profile, "--input", samples + "shop_input.htm",
                 "--report", samples + "shop_report.htm", "-o", made.macro},
                "/dev/null", err) != 0) {
    error = "k7q build: " + K7QReadFile(err);
    return {};
  }
  return made;
}

CPipe::CPipe() {
  if (::pipe2(fd, O_CLOEXEC) != 0) fd[0] = fd[1] = -1;
}

CPipe::~CPipe() {
  Close(0);
  Close(1);
}

void CPipe::Close(int end) {
  if (fd[end] >= 0) ::close(fd[end]);
  fd[end] = -1;
}

bool CChild::Start(const std::vector<std::string>& argv,
                   const std::vector<std::pair<int, int>>& maps, const std::string& errFile) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (const auto& [ours, theirs] : maps) posix_spawn_file_actions_adddup2(&actions, ours, theirs);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const int rc = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) m_pid = -1;
  return rc == 0;
}

void CChild::Stop() {
  if (m_pid <= 0) return;
  ::kill(m_pid, SIGTERM);
  int status = 0;
  ::waitpid(m_pid, &status, 0);
  m_pid = -1;
}

std::string ReadLineFrom(int fd) {
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  char c = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 200) <= 0) continue;
    if (::read(fd, &c, 1) != 1) break;
    if (c == '\n') return line;
    line += c;
  }
  return {};
}

std::string CServer::Start(const std::string& macro, const std::string& profile,
                           const std::string& errFile) {
  if (!m_child.Start({std::string(K7Q_BIN_DIR) + "/k7q", "serve", macro, "--profile", profile,
                      "--port", "0", "--watch-stdin"},
                     {{m_in.fd[0], 0}, {m_out.fd[1], 1}}, errFile))
    return {};
  m_out.Close(1);
  m_in.Close(0);
  return ReadLineFrom(m_out.fd[0]);
}
