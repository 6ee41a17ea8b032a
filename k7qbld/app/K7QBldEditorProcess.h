#pragma once

#include <QString>

// A program started for the author: the page editor or the macro text
// editor. It is detached from the builder, so that neither closing the
// builder nor starting another editor ends it and takes the author's
// unsaved text with it; the builder only watches whether it still runs.
class CK7QBldEditorProcess {
 public:
  CK7QBldEditorProcess() = default;
  // Stops watching; the program runs on.
  ~CK7QBldEditorProcess();
  CK7QBldEditorProcess(const CK7QBldEditorProcess&) = delete;
  CK7QBldEditorProcess& operator=(const CK7QBldEditorProcess&) = delete;

  // Starts the command line (the first token names the program) without
  // waiting for it. False when it cannot be started.
  bool Start(const QString& commandLine);
  bool IsRunning() const;
  // Waits up to `ms` milliseconds for the program to end; true once it has.
  bool WaitForEnd(int ms) const;
  qint64 Pid() const { return m_pid; }

 private:
  qint64 m_pid = 0;
  int m_pidfd = -1;  // readable once the program has ended
};
