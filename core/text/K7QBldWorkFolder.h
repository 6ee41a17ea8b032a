#pragma once

#include <string>

// Work folders of a command, "k7q-PID-XXXXXX" in TMPDIR, and what happens to
// them and to the file layer's temporary files when a signal ends the
// process. The process id in the name lets a later command tell a folder
// whose owner is gone (killed outright) from one still in use.
namespace K7QWorkFolder {

inline constexpr unsigned kIdsInterrupted = 63307;

// TMPDIR, or /tmp when it is not set.
std::string TempRoot();

// Makes a fresh work folder (mode 0700) under TempRoot() and registers it
// for removal on a signal. "" when it cannot be made (errno tells why).
std::string Make();
// Removes a folder made by Make() with everything in it.
void Remove(const std::string& path);

// SIGTERM, SIGINT and SIGHUP remove the temporary files of writers still
// open and the registered work folders, print `message` on standard error,
// and then end the process as the signal would have. A signal the process
// was started ignoring stays ignored.
void InstallSignalHandlers(const std::string& message);

// Removes the work folders under TempRoot() that belong to this user and
// to a process that no longer exists. Returns how many went.
int RemoveStale();

}  // namespace K7QWorkFolder
