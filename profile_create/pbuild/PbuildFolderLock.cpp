#include "PbuildFolderLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

CPbuildFolderLock::Result CPbuildFolderLock::Acquire(const std::string& path) {
  Release();
  m_error = 0;
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      m_error = errno;
      return Result::kFailed;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      m_error = errno;
      ::close(fd);
      return m_error == EWOULDBLOCK ? Result::kBusy : Result::kFailed;
    }
    // The holder before us removes the file as it lets go: a lock taken on
    // the file it removed guards nothing, so try again on the file now there.
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
        held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      m_fd = fd;
      m_path = path;
      return Result::kLocked;
    }
    ::close(fd);
  }
}

void CPbuildFolderLock::Release() {
  if (m_fd < 0) return;
  // Removed while still held, so no other run can take the old file for the folder's lock.
  ::unlink(m_path.c_str());
  ::close(m_fd);
  m_fd = -1;
  m_path.clear();
}
