#include "K7QBldLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string_view>

#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldUserInterface.h"

namespace {

std::string ReadHolder(int fd) {
  char buffer[256];
  const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
  if (n <= 0) return {};
  std::string text(buffer, static_cast<std::size_t>(n));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string HostName() {
  char host[HOST_NAME_MAX + 1] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return "?";
  return host;
}

}  // namespace

CK7QBldLock::Result CK7QBldLock::Acquire(const std::string& path, const std::string& program,
                                         Mode mode) {
  Release();
  m_holder.clear();
  m_error = 0;
  for (;;) {
    // No symbolic link is followed: the lock file is ours to write.
    bool writable = true;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
      // Another user's lock file in a shared folder is locked through a read-only descriptor.
      const int createError = errno;
      writable = false;
      fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
      if (fd < 0) {
        // Neither there nor possible to make: nothing can be written into this folder.
        m_error = errno == ENOENT ? createError : errno;
        return errno == ENOENT ? Result::Unavailable : Result::Failed;
      }
    }
    if (fd < 0) {
      m_error = errno;
      return Result::Failed;
    }
    if (::flock(fd, (mode == Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
      m_error = errno;
      if (m_error == EWOULDBLOCK) m_holder = ReadHolder(fd);
      ::close(fd);
      return m_error == EWOULDBLOCK ? Result::Busy : Result::Failed;
    }
    // A holder that released the lock between our open and our flock has
    // removed the file we locked: try again on the file that is there now.
    struct stat locked, named;
    if (::fstat(fd, &locked) != 0 || ::stat(path.c_str(), &named) != 0 ||
        locked.st_ino != named.st_ino || locked.st_dev != named.st_dev) {
      ::close(fd);
      continue;
    }
    if (writable && ::ftruncate(fd, 0) == 0) {
      // The note only names the holder for a refused start; the lock holds without it.
      const std::string holder =
          program + ", process " + std::to_string(::getpid()) + " on " + HostName() + "\n";
      const ssize_t written = ::pwrite(fd, holder.data(), holder.size(), 0);
      (void)written;
    }
    m_fd = fd;
    m_mode = mode;
    m_path = path;
    return Result::Locked;
  }
}

void CK7QBldLock::Release() {
  if (m_fd < 0) return;
  // Removed before it is unlocked, so that whoever locks next makes a new
  // file; a shared lock only by its last holder.
  if (m_mode == Mode::Exclusive || ::flock(m_fd, LOCK_EX | LOCK_NB) == 0) ::unlink(m_path.c_str());
  ::close(m_fd);
  m_fd = -1;
}

std::string CK7QBldLock::FolderLockPath(const std::string& folder) {
  return K7QFile::Join(folder, ".k7q.lock");
}

bool CK7QBldLock::LockProfileFolder(const std::string& folder, const std::string& program,
                                    const CK7QBldGroceries& groceries, Mode mode) {
  const std::string path = FolderLockPath(folder);
  if (IsHeld() && m_path == path && m_mode == mode) return true;
  switch (Acquire(path, program, mode)) {
    case Result::Locked:
    case Result::Unavailable:
      return true;
    case Result::Busy: {
      IK7QBldUserInterface& ui = groceries.Ui();
      std::string text = ui.String(kIdsProfileFolderInUse) + "\n\n" + folder;
      if (!m_holder.empty()) text += "\n" + m_holder;
      ui.Prompt(kIdsProfileFolderInUse, text, K7QIcon::Exclamation, K7QButtons::Ok);
      return false;
    }
    case Result::Failed:
      break;
  }
  groceries.ReportFileException(CK7QBldFileException::FromErrno(m_error, path), __FILE__, __LINE__);
  return false;
}
