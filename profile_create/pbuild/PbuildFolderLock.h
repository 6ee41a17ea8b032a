#pragma once

#include <string>

// The lock of one profile folder for the whole of a run. It is an advisory
// lock on a small file beside the folder: the system drops it when its holder
// ends in any way, so a run that was killed never blocks the next one, and
// whatever such a run left behind is known to be dead.
class CPbuildFolderLock {
 public:
  enum class Result { kLocked, kBusy, kFailed };

  CPbuildFolderLock() = default;
  ~CPbuildFolderLock() { Release(); }
  CPbuildFolderLock(const CPbuildFolderLock&) = delete;
  CPbuildFolderLock& operator=(const CPbuildFolderLock&) = delete;

  // Takes the lock at `path` without waiting: kBusy while another holder has
  // it, kFailed (errno kept in Error()) when the file cannot be made.
  Result Acquire(const std::string& path);
  // Removes the lock file and lets go; nothing when not held.
  void Release();
  bool IsHeld() const { return m_fd >= 0; }
  int Error() const { return m_error; }

 private:
  int m_fd = -1;
  int m_error = 0;
  std::string m_path;
};
