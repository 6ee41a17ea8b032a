#include "K7QBldFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "K7QBldCp932.h"

CK7QBldFileException::CK7QBldFileException(int cause, int osError, std::string fileName,
                                           unsigned reason)
    : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)), m_reason(reason) {
  m_what = m_strFileName + ": " + (m_lOsError ? std::strerror(m_lOsError) : "file error");
}

CK7QBldFileException CK7QBldFileException::FromErrno(int err, const std::string& fileName,
                                                     unsigned reason) {
  int cause = genericException;
  switch (err) {
    case ENOENT:
      cause = fileNotFound;
      break;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      cause = badPath;
      break;
    case EMFILE:
    case ENFILE:
      cause = tooManyOpenFiles;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      cause = accessDenied;
      break;
    case EBADF:
      cause = invalidFile;
      break;
    case ESPIPE:
      cause = badSeek;
      break;
    case EIO:
      cause = hardIO;
      break;
    case EBUSY:
    case ETXTBSY:
      cause = sharingViolation;
      break;
    case ENOSPC:
    case EDQUOT:
      cause = diskFull;
      break;
    default:
      break;
  }
  return CK7QBldFileException(cause, err, fileName, reason);
}

// ---- system calls -----------------------------------------------------------

namespace {

using K7QFile::Call;

std::atomic<K7QFile::FaultHook> g_faultHook{nullptr};

// True (with errno set) when the tests' hook fails this call.
bool Injected(Call call, const std::string& path) {
  const K7QFile::FaultHook hook = g_faultHook.load(std::memory_order_relaxed);
  if (!hook) return false;
  const int err = hook(call, path.c_str());
  if (err == 0) return false;
  errno = err;
  return true;
}

int SysOpen(const std::string& path, int flags, mode_t mode = 0) {
  if (Injected(Call::Open, path)) return -1;
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool SysStat(const std::string& path, struct stat& st, bool follow = true) {
  if (Injected(Call::Stat, path)) return false;
  return (follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) == 0;
}

bool SysUnlink(const std::string& path) {
  if (Injected(Call::Unlink, path)) return false;
  return ::unlink(path.c_str()) == 0;
}

// Reads up to `size` bytes; -1 with errno on failure.
ssize_t SysRead(int fd, char* data, std::size_t size, const std::string& path) {
  if (Injected(Call::Read, path)) return -1;
  ssize_t n;
  do {
    n = ::read(fd, data, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

bool SysClose(int fd, const std::string& path) {
  if (Injected(Call::Close, path)) {
    const int err = errno;
    ::close(fd);
    errno = err;
    return false;
  }
  // Linux releases the descriptor even when close reports an error; never retried.
  return ::close(fd) == 0;
}

[[noreturn]] void ThrowErrno(int err, const std::string& path, unsigned reason = 0) {
  throw CK7QBldFileException::FromErrno(err, path, reason);
}

[[noreturn]] void ThrowNotRegular(const struct stat& st, const std::string& path) {
  if (S_ISDIR(st.st_mode)) ThrowErrno(EISDIR, path);
  throw CK7QBldFileException(CK7QBldFileException::invalidFile, EINVAL, path, kIdsFileNotRegular);
}

// Opens a regular file for reading. A pipe or a device is refused before it
// is opened, so that reading never blocks on a writer that does not come
// (or rewinds a tape); the check is repeated on the open file for the race.
int OpenForReading(const std::string& path) {
  struct stat st;
  if (!SysStat(path, st)) ThrowErrno(errno, path, errno == ENOENT ? 0 : kIdsFileCannotTell);
  if (!S_ISREG(st.st_mode)) ThrowNotRegular(st, path);
  const int fd = SysOpen(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) ThrowErrno(errno, path);
  struct stat opened {};
  if (::fstat(fd, &opened) != 0) {
    const int err = errno;
    ::close(fd);
    ThrowErrno(err, path, kIdsFileCannotTell);
  }
  if (!S_ISREG(opened.st_mode)) {
    ::close(fd);
    ThrowNotRegular(opened, path);
  }
  return fd;
}

// ---- temporary files that a signal must take along ----------------------------

// Slots hold the names of temporary files being written, so that a signal
// handler can remove them without allocating or locking. A writer beyond
// the last slot still works; only a kill would then leave its file.
constexpr int kTempSlots = 64;
struct TempSlot {
  std::atomic<int> state{0};  // 0 free, 1 being filled, 2 holds a name
  char path[PATH_MAX];
};
TempSlot g_tempSlots[kTempSlots];

int ClaimTempSlot(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kTempSlots; ++i) {
    int expected = 0;
    if (!g_tempSlots[i].state.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(g_tempSlots[i].path, path.c_str(), path.size() + 1);
    g_tempSlots[i].state.store(2);
    return i;
  }
  return -1;
}

void ReleaseTempSlot(int slot) {
  if (slot >= 0) g_tempSlots[slot].state.store(0);
}

// Temporary names: ".NAME.XXXXXX.tmp" beside NAME. The dot in front keeps
// them out of the author's sight and out of every scan for the builder's
// own names ("TITLE.k7q_fun_*", "*.htm").
constexpr std::size_t kTempNameMax = 200;
constexpr std::size_t kTempRandom = 6;
constexpr std::string_view kTempSuffix = ".tmp";

std::string_view TempBase(std::string_view fileName) {
  return fileName.substr(0, std::min(fileName.size(), kTempNameMax));
}

std::string RandomSuffix() {
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char bytes[kTempRandom];
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // Only the name's uniqueness matters (O_EXCL guards it); any mix will do.
    static std::atomic<unsigned> counter{0};
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    unsigned long long x = static_cast<unsigned long long>(now.tv_nsec) ^
                           (static_cast<unsigned long long>(::getpid()) << 20) ^ counter++;
    for (unsigned char& b : bytes) {
      x = x * 6364136223846793005ULL + 1442695040888963407ULL;
      b = static_cast<unsigned char>(x >> 56);
    }
  }
  std::string s;
  for (unsigned char b : bytes) s += kLetters[b % (sizeof kLetters - 1)];
  return s;
}

// Makes the folder entry of a file durable. File systems that cannot sync
// a folder say EINVAL; there is nothing more to do on them.
void SyncFolder(const std::string& folder, const std::string& target) {
  const int fd = SysOpen(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY);
  if (fd < 0) ThrowErrno(errno, target);
  if (Injected(Call::Sync, folder) || (::fsync(fd) != 0 && errno != EINVAL)) {
    const int err = errno;
    ::close(fd);
    ThrowErrno(err, target);
  }
  ::close(fd);
}

}  // namespace

// ---- reader -------------------------------------------------------------------

CK7QBldLineReader::~CK7QBldLineReader() { Close(); }

void CK7QBldLineReader::Open(const std::string& path) {
  Close();
  m_path = path;
  m_fd = OpenForReading(path);
}

bool CK7QBldLineReader::Fill() {
  if (m_eof) return false;
  m_buffer.resize(65536);
  const ssize_t n = SysRead(m_fd, m_buffer.data(), m_buffer.size(), m_path);
  if (n < 0) ThrowErrno(errno, m_path);
  m_buffer.resize(static_cast<std::size_t>(n));
  m_pos = 0;
  if (n == 0) m_eof = true;
  return n > 0;
}

bool CK7QBldLineReader::ReadLine(std::string& line) {
  bool cut = false;
  return ReadLine(line, std::string::npos - 1, cut);
}

bool CK7QBldLineReader::ReadLine(std::string& line, std::size_t limit, bool& cut) {
  line.clear();
  cut = false;
  if (m_fd < 0) return false;
  // One byte more than the limit, so that a line of exactly `limit` bytes
  // keeps the CR of its CR LF until it is taken off below.
  const std::size_t keep = limit + 1;
  bool any = false;
  for (;;) {
    if (m_pos >= m_buffer.size() && !Fill()) break;
    any = true;
    const char* begin = m_buffer.data() + m_pos;
    const std::size_t left = m_buffer.size() - m_pos;
    const void* nl = std::memchr(begin, '\n', left);
    const std::size_t len =
        nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - begin) : left;
    const std::size_t room = keep - line.size();
    if (len > room) cut = true;
    line.append(begin, std::min(len, room));
    m_pos += nl ? len + 1 : len;
    if (nl) break;
  }
  if (!any) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() > limit) {
    line.resize(limit);
    cut = true;
  }
  return true;
}

void CK7QBldLineReader::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_buffer.clear();
  m_pos = 0;
  m_eof = false;
}

// ---- writer -------------------------------------------------------------------

namespace {
constexpr std::size_t kFlushBytes = 65536;
}

CK7QBldTextWriter::~CK7QBldTextWriter() { Abandon(); }

void CK7QBldTextWriter::Open(const std::string& path, bool append, bool binary) {
  K7QWriteOptions options;
  options.append = append;
  options.binary = binary;
  Open(path, options);
}

void CK7QBldTextWriter::Open(const std::string& path, const K7QWriteOptions& options) {
  Abandon();
  m_binary = options.binary;
  m_durable = options.durable;
  m_buffer.clear();
  m_target = options.followLinks ? K7QFile::ResolveLinks(path) : path;

  struct stat st {};
  bool exists = false;
  if (SysStat(m_target, st, false)) {
    // A link here belongs to a working file: it is replaced, never followed.
    if (!S_ISLNK(st.st_mode)) {
      if (!S_ISREG(st.st_mode)) ThrowNotRegular(st, m_target);
      exists = true;
      // Root may write anything; a file without any write permission is
      // still the author's word that it must not change.
      if ((st.st_mode & 0222) == 0) ThrowErrno(EACCES, m_target, kIdsFileReadOnly);
      if (Injected(Call::Stat, m_target) ||
          ::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0)
        ThrowErrno(errno, m_target,
                   errno == EACCES || errno == EROFS || errno == EPERM ? kIdsFileReadOnly
                                                                       : kIdsFileCannotTell);
    }
  } else if (errno != ENOENT) {
    ThrowErrno(errno, m_target, kIdsFileCannotTell);
  }
  if (options.append && exists) m_buffer = K7QFile::ReadAll(m_target);

  const std::string folder = K7QFile::Folder(m_target);
  const std::string base = (folder.empty() ? std::string() : K7QFile::Join(folder, "")) + "." +
                           std::string(TempBase(K7QFile::FileName(m_target))) + ".";
  for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
    const std::string temp = base + RandomSuffix() + std::string(kTempSuffix);
    m_fd = SysOpen(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW,
                   exists ? 0600 : static_cast<mode_t>(options.newMode));
    if (m_fd >= 0) {
      m_temp = temp;
    } else if (errno != EEXIST) {
      ThrowErrno(errno, m_target);
    }
  }
  if (m_fd < 0) ThrowErrno(EEXIST, m_target);
  m_slot = ClaimTempSlot(m_temp);
  if (!exists) return;
  m_durable = true;

  // The replacement takes the old file's owner, group and mode; where that
  // cannot be done the old file is kept rather than loosened or given away.
  struct stat now {};
  if (::fstat(m_fd, &now) != 0) Fail(errno);
  if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) &&
      (Injected(Call::Mode, m_temp) || ::fchown(m_fd, st.st_uid, st.st_gid) != 0))
    Fail(errno, kIdsFileOwnerNotKept);
  if (Injected(Call::Mode, m_temp) || ::fchmod(m_fd, st.st_mode & 07777) != 0) {
    const int err = errno;
    if (::fstat(m_fd, &now) != 0 || (now.st_mode & 07777) != (st.st_mode & 07777))
      Fail(err, kIdsFileOwnerNotKept);
  }
}

void CK7QBldTextWriter::Write(std::string_view text) {
  if (m_fd < 0) ThrowErrno(EBADF, m_target);
  if (m_binary) {
    m_buffer.append(text);
  } else {
    std::size_t start = 0;
    for (std::size_t nl = text.find('\n'); nl != std::string_view::npos;
         nl = text.find('\n', start)) {
      m_buffer.append(text.substr(start, nl - start));
      m_buffer.append("\r\n");
      start = nl + 1;
    }
    m_buffer.append(text.substr(start));
  }
  if (m_buffer.size() >= kFlushBytes) Flush();
}

void CK7QBldTextWriter::Flush() {
  std::size_t done = 0;
  while (done < m_buffer.size()) {
    ssize_t n;
    if (Injected(Call::Write, m_target)) {
      n = -1;
    } else {
      n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(errno);
    if (n == 0) Fail(ENOSPC);
    done += static_cast<std::size_t>(n);
  }
  m_buffer.clear();
}

void CK7QBldTextWriter::Close() {
  if (m_fd < 0) return;
  Flush();
  // The data reaches the disk before the name does: a power loss right
  // after a save leaves the old file or the new one, never an empty one.
  if (m_durable && (Injected(Call::Sync, m_target) || ::fsync(m_fd) != 0)) Fail(errno);
  const int fd = m_fd;
  m_fd = -1;
  if (!SysClose(fd, m_target)) Fail(errno);
  if (m_durable) {
    try {
      SyncFolder(K7QFile::Folder(m_target), m_target);
    } catch (...) {
      Abandon();
      throw;
    }
  }
  if (Injected(Call::Rename, m_target) || ::rename(m_temp.c_str(), m_target.c_str()) != 0)
    Fail(errno);
  ReleaseTempSlot(m_slot);
  m_slot = -1;
  m_temp.clear();
  m_buffer.clear();
}

void CK7QBldTextWriter::Abandon() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  if (!m_temp.empty()) SysUnlink(m_temp);
  ReleaseTempSlot(m_slot);
  m_slot = -1;
  m_temp.clear();
  m_buffer.clear();
}

[[noreturn]] void CK7QBldTextWriter::Fail(int err, unsigned reason) {
  const std::string target = m_target;
  Abandon();
  ThrowErrno(err, target, reason);
}

// ---- helpers --------------------------------------------------------------------

namespace K7QFile {

K7QWriteOptions AuthorFile(bool holdsPassword, bool binary) {
  K7QWriteOptions options;
  options.binary = binary;
  options.followLinks = true;
  options.durable = true;
  options.newMode = holdsPassword ? 0600 : 0666;
  return options;
}

bool Exists(const std::string& path) {
  struct stat st;
  if (SysStat(path, st)) return true;
  if (errno == ENOENT || errno == ENOTDIR) return false;
  ThrowErrno(errno, path, kIdsFileCannotTell);
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  if (SysStat(path, st)) return S_ISDIR(st.st_mode);
  if (errno == ENOENT || errno == ENOTDIR) return false;
  ThrowErrno(errno, path, kIdsFileCannotTell);
}

bool Status(const std::string& path, long long& size, long long& mtime) {
  struct stat st;
  if (!SysStat(path, st)) return false;
  size = static_cast<long long>(st.st_size);
  mtime = static_cast<long long>(st.st_mtime);
  return true;
}

std::string ReadAll(const std::string& path) {
  const int fd = OpenForReading(path);
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t n = SysRead(fd, buffer, sizeof buffer, path);
    if (n < 0) {
      const int err = errno;
      ::close(fd);
      ThrowErrno(err, path);
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

unsigned PermissionsOf(const std::string& path) {
  struct stat st;
  if (!SysStat(path, st)) ThrowErrno(errno, path, errno == ENOENT ? 0 : kIdsFileCannotTell);
  return st.st_mode & 0777;
}

void WriteAll(const std::string& path, std::string_view bytes, const K7QWriteOptions& options) {
  CK7QBldTextWriter writer(path, options);
  writer.Write(bytes);
  writer.Close();
}

void WriteAll(const std::string& path, std::string_view bytes) {
  K7QWriteOptions options;
  options.binary = true;
  WriteAll(path, bytes, options);
}

void CopyBinary(const std::string& from, const std::string& to) {
  const int in = OpenForReading(from);
  try {
    struct stat st;
    K7QWriteOptions options;
    options.binary = true;
    options.newMode = ::fstat(in, &st) == 0 ? (st.st_mode & 0777) : 0600;
    CK7QBldTextWriter out(to, options);
    char buffer[65536];
    for (;;) {
      const ssize_t n = SysRead(in, buffer, sizeof buffer, from);
      if (n < 0) ThrowErrno(errno, from);
      if (n == 0) break;
      out.Write(std::string_view(buffer, static_cast<std::size_t>(n)));
    }
    out.Close();
  } catch (...) {
    ::close(in);
    throw;
  }
  ::close(in);
}

bool Remove(const std::string& path) { return SysUnlink(path) || errno == ENOENT; }

void Delete(const std::string& path) {
  if (!SysUnlink(path) && errno != ENOENT) ThrowErrno(errno, path, kIdsFileNotRemoved);
}

void Rename(const std::string& from, const std::string& to) {
  if (Injected(Call::Rename, to) || ::rename(from.c_str(), to.c_str()) != 0) ThrowErrno(errno, to);
}

std::vector<std::string> ListFolder(const std::string& folder) {
  DIR* dir = nullptr;
  if (!Injected(Call::List, folder)) dir = ::opendir(folder.c_str());
  if (!dir) ThrowErrno(errno, folder, kIdsFolderNotListed);
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (!entry) break;
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  const int err = errno;
  ::closedir(dir);
  if (err != 0) ThrowErrno(err, folder, kIdsFolderNotListed);
  std::sort(names.begin(), names.end());
  return names;
}

std::string ResolveLinks(const std::string& path) {
  std::string current = path;
  // The kernel's own limit on links in one lookup.
  for (int hop = 0; hop <= 40; ++hop) {
    struct stat st;
    if (!SysStat(current, st, false)) {
      if (errno == ENOENT) return current;
      ThrowErrno(errno, current, kIdsFileCannotTell);
    }
    if (!S_ISLNK(st.st_mode)) return current;
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(current.c_str(), buffer, sizeof buffer);
    if (n < 0) ThrowErrno(errno, current, kIdsFileCannotTell);
    if (static_cast<std::size_t>(n) >= sizeof buffer) ThrowErrno(ENAMETOOLONG, current);
    std::string target(buffer, static_cast<std::size_t>(n));
    if (target.empty()) ThrowErrno(ENOENT, current);
    if (target.front() != '/' && !Folder(current).empty()) target = Join(Folder(current), target);
    current = std::move(target);
  }
  ThrowErrno(ELOOP, path, kIdsFileLinkLoop);
}

void RewriteInPlace(const std::string& path, const std::function<void(CK7QBldTextWriter&)>& produce,
                    const K7QWriteOptions& options) {
  CK7QBldTextWriter writer(path, options);
  produce(writer);
  writer.Close();
}

void RewriteInPlace(const std::string& path, const std::string& tempPath,
                    const std::function<void(CK7QBldTextWriter&)>& produce, bool binary) {
  (void)tempPath;
  K7QWriteOptions options;
  options.binary = binary;
  RewriteInPlace(path, produce, options);
}

bool IsTemporaryNameOf(std::string_view name, std::string_view fileName) {
  const std::string_view base = TempBase(fileName);
  const std::size_t size = 1 + base.size() + 1 + kTempRandom + kTempSuffix.size();
  return name.size() == size && name[0] == '.' && name.substr(1, base.size()) == base &&
         name[1 + base.size()] == '.' && name.substr(size - kTempSuffix.size()) == kTempSuffix;
}

void RemoveTemporaryFiles() noexcept {
  for (TempSlot& slot : g_tempSlots) {
    if (slot.state.load() == 2) ::unlink(slot.path);
  }
}

std::string Folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (a.back() == '/') return a + b;
  return a + "/" + b;
}

bool IsSafeFileComponent(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (unsigned char c : name) {
    if (c == '/' || c < 0x20 || c == 0x7F) return false;
  }
  // A backslash separates folders where macros are also opened; a trail byte 0x5C does not count.
  if (K7QCp932::Find(name, '\\') != std::string_view::npos) return false;
  return name.find("..") == std::string_view::npos;
}

void SetFaultHook(FaultHook hook) { g_faultHook.store(hook); }

}  // namespace K7QFile
