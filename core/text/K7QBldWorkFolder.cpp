#include "K7QBldWorkFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "K7QBldFile.h"

namespace {

constexpr std::string_view kPrefix = "k7q-";

// Registered folders, readable from a signal handler without locks.
constexpr int kFolderSlots = 8;
struct FolderSlot {
  std::atomic<int> state{0};  // 0 free, 1 being filled, 2 holds a path
  char path[PATH_MAX];
};
FolderSlot g_folders[kFolderSlots];

// The interruption message, kept ready for the handler, which may not allocate.
char g_message[512];
std::size_t g_messageSize = 0;

void Register(const std::string& path) {
  if (path.size() >= PATH_MAX) return;
  for (FolderSlot& slot : g_folders) {
    int expected = 0;
    if (!slot.state.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.state.store(2);
    return;
  }
}

void Unregister(const std::string& path) {
  for (FolderSlot& slot : g_folders) {
    if (slot.state.load() == 2 && path == slot.path) slot.state.store(0);
  }
}

// Removes `name` in the folder `parent` with everything in it; false when
// it stays. Only system calls that are safe in a signal handler; links are
// removed, never followed.
bool RemoveTree(int parent, const char* name, int depth) {
  if (::unlinkat(parent, name, 0) == 0) return true;
  if (errno != EISDIR && errno != EPERM) return errno == ENOENT;
  const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0 && depth < 32) {
    alignas(dirent64) char buffer[4096];
    // Entries removed while listing may hide others: list again until a pass removes nothing.
    for (bool removed = true; removed;) {
      removed = false;
      ::lseek(fd, 0, SEEK_SET);
      for (ssize_t n; (n = ::getdents64(fd, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
          const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
          at += entry->d_reclen;
          const char* child = entry->d_name;
          if (child[0] == '.' && (child[1] == '\0' || (child[1] == '.' && child[2] == '\0')))
            continue;
          removed = RemoveTree(fd, child, depth + 1) || removed;
        }
      }
    }
  }
  if (fd >= 0) ::close(fd);
  return ::unlinkat(parent, name, AT_REMOVEDIR) == 0;
}

void RemovePath(const char* path) { RemoveTree(AT_FDCWD, path, 0); }

void OnSignal(int sig) {
  const int saved = errno;
  K7QFile::RemoveTemporaryFiles();
  for (FolderSlot& slot : g_folders) {
    if (slot.state.load() == 2) RemovePath(slot.path);
  }
  if (g_messageSize > 0) {
    const ssize_t ignored = ::write(STDERR_FILENO, g_message, g_messageSize);
    (void)ignored;
  }
  // Blocked while this handler runs; delivered with the default action when it returns.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
  errno = saved;
}

// The process id in a work folder's name, or 0 when the name is not one.
pid_t OwnerOf(std::string_view name) {
  if (name.substr(0, kPrefix.size()) != kPrefix) return 0;
  name.remove_prefix(kPrefix.size());
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 9) return 0;
  pid_t pid = 0;
  for (char c : name.substr(0, dash)) {
    if (c < '0' || c > '9') return 0;
    pid = pid * 10 + (c - '0');
  }
  return name.size() - dash - 1 == 6 ? pid : 0;
}

}  // namespace

namespace K7QWorkFolder {

std::string TempRoot() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp && *tmp ? tmp : "/tmp";
}

std::string Make() {
  std::string pattern =
      K7QFile::Join(TempRoot(), std::string(kPrefix) + std::to_string(::getpid()) + "-XXXXXX");
  if (!::mkdtemp(pattern.data())) return {};
  Register(pattern);
  return pattern;
}

void Remove(const std::string& path) {
  if (path.empty()) return;
  RemovePath(path.c_str());
  Unregister(path);
}

void InstallSignalHandlers(const std::string& message) {
  g_messageSize = std::min(message.size(), sizeof g_message);
  std::memcpy(g_message, message.data(), g_messageSize);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  ::sigemptyset(&action.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) ::sigaddset(&action.sa_mask, sig);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    // A signal the caller ignores (nohup, a background job) stays ignored.
    struct sigaction old {};
    if (::sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    ::sigaction(sig, &action, nullptr);
  }
}

int RemoveStale() {
  const std::string root = TempRoot();
  std::vector<std::string> names;
  try {
    names = K7QFile::ListFolder(root);
  } catch (const CK7QBldFileException&) {
    return 0;  // nothing of ours can be found there either
  }
  int removed = 0;
  for (const std::string& name : names) {
    const pid_t pid = OwnerOf(name);
    if (pid <= 0 || pid == ::getpid()) continue;
    const std::string path = K7QFile::Join(root, name);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
      continue;
    // Another user's process answers EPERM: alive, so its folder stays.
    if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
    RemovePath(path.c_str());
    ++removed;
  }
  return removed;
}

}  // namespace K7QWorkFolder
