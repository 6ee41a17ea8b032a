#include "K7QTestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "K7QBldCp932.h"

extern char** environ;

CK7QScriptedUi::CK7QScriptedUi() {
  m_language.SetJapanese(false);
  m_language.Load("K7QBld_lang.so", K7Q_BIN_DIR);
}

std::string CK7QScriptedUi::String(unsigned id) const { return m_language.String(id); }

int CK7QScriptedUi::Prompt(unsigned id, const std::string& text, K7QIcon icon, K7QButtons buttons) {
  m_shown.push_back({id, text, icon, buttons});
  if (m_answers.empty()) return m_defaultAnswer;
  const int answer = m_answers.front();
  m_answers.pop_front();
  return answer;
}

std::vector<unsigned> CK7QScriptedUi::Ids() const {
  std::vector<unsigned> ids;
  for (const auto& s : m_shown) ids.push_back(s.id);
  return ids;
}

CK7QTempDir::CK7QTempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "k7qtest.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

CK7QTempDir::~CK7QTempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

std::string K7QReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void K7QWriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string K7QSjis(const std::string& utf8) {
  std::string out;
  if (!K7QCp932::FromUtf8(utf8, out)) throw std::runtime_error("not representable in CP932");
  return out;
}

int K7QRunK7q(const std::vector<std::string>& args, const std::string& outFile,
              const std::string& errFile) {
  const std::string program = std::string(K7Q_BIN_DIR) + "/k7q";
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // No terminal to ask: k7q answers its questions as a script gets them.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!outFile.empty())
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  if (!errFile.empty())
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

K7QRunResult K7QRunK7qCapture(const std::vector<std::string>& args) {
  CK7QTempDir dir;
  K7QRunResult run;
  run.status = K7QRunK7q(args, dir.File("out"));
  run.out = K7QReadFile(dir.File("out"));
  return run;
}

void K7QCopyFixtureFolder(const std::string& from, const std::string& to) {
  namespace fs = std::filesystem;
  fs::create_directories(to);
  for (const auto& entry : fs::directory_iterator(from)) {
    const std::string name = entry.path().filename().string();
    if (name[0] == '.') continue;
    fs::copy_file(entry.path(), fs::path(to) / name);
  }
}
