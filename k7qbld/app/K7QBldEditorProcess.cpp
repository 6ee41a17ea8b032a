#include "K7QBldEditorProcess.h"

#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cerrno>

namespace {

// Whether the process behind `pidfd` has ended, waiting up to `ms`.
bool Ended(int pidfd, int ms) {
  pollfd ended{pidfd, POLLIN, 0};
  int n;
  while ((n = ::poll(&ended, 1, ms)) < 0 && errno == EINTR) {
  }
  return n > 0;
}

}  // namespace

CK7QBldEditorProcess::~CK7QBldEditorProcess() {
  if (m_pidfd >= 0) ::close(m_pidfd);
}

bool CK7QBldEditorProcess::Start(const QString& commandLine) {
  QStringList arguments = QProcess::splitCommand(commandLine);
  if (arguments.isEmpty()) return false;
  const QString program = arguments.takeFirst();
  qint64 pid = 0;
  if (!QProcess::startDetached(program, arguments, QString(), &pid) || pid <= 0) return false;
  if (m_pidfd >= 0) ::close(m_pidfd);
  m_pid = pid;
  // A process descriptor tells the end of a process that is not our child
  // without mistaking a later process of the same number for it.
  m_pidfd = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
  return true;
}

bool CK7QBldEditorProcess::IsRunning() const {
  if (m_pid <= 0) return false;
  if (m_pidfd >= 0) return !Ended(m_pidfd, 0);
  return ::kill(static_cast<pid_t>(m_pid), 0) == 0 || errno == EPERM;
}

bool CK7QBldEditorProcess::WaitForEnd(int ms) const {
  if (m_pidfd >= 0) return Ended(m_pidfd, ms);
  QElapsedTimer clock;
  clock.start();
  while (IsRunning()) {
    if (clock.elapsed() >= ms) return false;
    QThread::msleep(20);
  }
  return true;
}
