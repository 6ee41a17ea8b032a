#pragma once

#include <string>

class CK7QBldGroceries;

// A lock held through a lock file for as long as this object lives: one
// builder per user, and one builder or k7q command per profile folder (all
// working files of a macro live there, so a second one would overwrite and
// delete the first one's). k7q commands work in folders of their own and
// only keep a builder out while they read the profile and write a macro:
// they share the lock with each other. The file is locked with flock(), so the lock goes
// with the process that held it, however it ended; the holder writes its
// program name, process number and host into the file so that a refused
// start can say who is in the way. Released locks remove their file.
class CK7QBldLock {
 public:
  enum class Result {
    Locked,       // held by this object now
    Busy,         // another process holds it; Holder() says who
    Unavailable,  // the file cannot be made here (read-only folder): nothing can be written here
                  // either
    Failed,       // any other error; Error() holds errno
  };

  CK7QBldLock() = default;
  ~CK7QBldLock() { Release(); }
  CK7QBldLock(const CK7QBldLock&) = delete;
  CK7QBldLock& operator=(const CK7QBldLock&) = delete;

  enum class Mode { Exclusive, Shared };

  // Takes the lock file `path` for `program`. A lock this object held before is released first.
  Result Acquire(const std::string& path, const std::string& program, Mode mode = Mode::Exclusive);
  void Release();
  bool IsHeld() const { return m_fd >= 0; }
  const std::string& Path() const { return m_path; }
  // After Busy: "PROGRAM, process PID on HOST" as the holder wrote it ("" when it wrote nothing
  // yet).
  const std::string& Holder() const { return m_holder; }
  int Error() const { return m_error; }

  // The lock file of a profile folder.
  static std::string FolderLockPath(const std::string& folder);

  // Locks the profile folder `folder` for `program`, or reports why not:
  // 63107 with the folder and the holder when another process has it, the
  // standard file-error report for any other failure. A folder where the
  // lock file cannot be made (read-only) is used without a lock.
  bool LockProfileFolder(const std::string& folder, const std::string& program,
                         const CK7QBldGroceries& groceries, Mode mode = Mode::Exclusive);

 private:
  int m_fd = -1;
  Mode m_mode = Mode::Exclusive;
  std::string m_path;
  std::string m_holder;
  int m_error = 0;
};

// Message of a profile folder held by another builder or k7q command.
inline constexpr unsigned kIdsProfileFolderInUse = 63107;
