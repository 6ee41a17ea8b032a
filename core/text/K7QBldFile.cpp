#include "K7QBldFile.h"

#include "K7QBldCp932.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

CK7QBldFileException::CK7QBldFileException(int cause, int osError, std::string fileName)
    : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {
  m_what = m_strFileName + ": " + (m_lOsError ? std::strerror(m_lOsError) : "file error");
}

CK7QBldFileException CK7QBldFileException::FromErrno(int err, const std::string& fileName) {
  int cause = genericException;
  switch (err) {
    case ENOENT: cause = fileNotFound; break;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: cause = badPath; break;
    case EMFILE:
    case ENFILE: cause = tooManyOpenFiles; break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: cause = accessDenied; break;
    case EBADF: cause = invalidFile; break;
    case ESPIPE: cause = badSeek; break;
    case EIO: cause = hardIO; break;
    case EBUSY:
    case ETXTBSY: cause = sharingViolation; break;
    case ENOSPC:
    case EDQUOT: cause = diskFull; break;
    default: break;
  }
  return CK7QBldFileException(cause, err, fileName);
}

// ---- reader ---------------------------------------------------------------

CK7QBldLineReader::~CK7QBldLineReader() { Close(); }

void CK7QBldLineReader::Open(const std::string& path) {
  Close();
  m_path = path;
  m_file = std::fopen(path.c_str(), "rb");
  if (!m_file) throw CK7QBldFileException::FromErrno(errno, path);
}

bool CK7QBldLineReader::ReadLine(std::string& line) {
  line.clear();
  if (!m_file) return false;
  bool any = false;
  for (;;) {
    if (m_pos >= m_buffer.size()) {
      if (m_eof) break;
      m_buffer.resize(65536);
      const std::size_t n = std::fread(m_buffer.data(), 1, m_buffer.size(), m_file);
      if (n < m_buffer.size()) {
        if (std::ferror(m_file)) throw CK7QBldFileException::FromErrno(errno ? errno : EIO, m_path);
        m_eof = true;
      }
      m_buffer.resize(n);
      m_pos = 0;
      if (n == 0) break;
    }
    any = true;
    const char* begin = m_buffer.data() + m_pos;
    const std::size_t left = m_buffer.size() - m_pos;
    const void* nl = std::memchr(begin, '\n', left);
    if (nl) {
      const std::size_t len = static_cast<std::size_t>(static_cast<const char*>(nl) - begin);
      line.append(begin, len);
      m_pos += len + 1;
      break;
    }
    line.append(begin, left);
    m_pos = m_buffer.size();
  }
  if (!any) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void CK7QBldLineReader::Close() {
  if (m_file) std::fclose(m_file);
  m_file = nullptr;
  m_buffer.clear();
  m_pos = 0;
  m_eof = false;
}

// ---- writer ---------------------------------------------------------------

CK7QBldTextWriter::~CK7QBldTextWriter() {
  if (m_file) std::fclose(m_file);
}

void CK7QBldTextWriter::Open(const std::string& path, bool append, bool binary) {
  if (m_file) std::fclose(m_file);
  m_path = path;
  m_binary = binary;
  m_file = std::fopen(path.c_str(), append ? "ab" : "wb");
  if (!m_file) throw CK7QBldFileException::FromErrno(errno, path);
}

void CK7QBldTextWriter::Write(std::string_view text) {
  if (!m_file) throw CK7QBldFileException(CK7QBldFileException::invalidFile, EBADF, m_path);
  auto put = [this](const char* p, std::size_t n) {
    if (n && std::fwrite(p, 1, n, m_file) != n) {
      throw CK7QBldFileException::FromErrno(errno ? errno : EIO, m_path);
    }
  };
  if (m_binary) {
    put(text.data(), text.size());
    return;
  }
  std::size_t start = 0;
  for (std::size_t nl = text.find('\n'); nl != std::string_view::npos;
       nl = text.find('\n', start)) {
    put(text.data() + start, nl - start);
    put("\r\n", 2);
    start = nl + 1;
  }
  put(text.data() + start, text.size() - start);
}

void CK7QBldTextWriter::Close() {
  if (!m_file) return;
  std::FILE* f = m_file;
  m_file = nullptr;
  const bool flushed = std::fflush(f) == 0;
  const int err = errno;
  if (std::fclose(f) != 0 || !flushed) throw CK7QBldFileException::FromErrno(flushed ? errno : err, m_path);
}

// ---- helpers --------------------------------------------------------------

namespace K7QFile {

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Status(const std::string& path, long long& size, long long& mtime) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  size = static_cast<long long>(st.st_size);
  mtime = static_cast<long long>(st.st_mtime);
  return true;
}

std::string ReadAll(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw CK7QBldFileException::FromErrno(errno, path);
  std::string bytes;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  const bool failed = std::ferror(f);
  std::fclose(f);
  if (failed) throw CK7QBldFileException::FromErrno(EIO, path);
  return bytes;
}

void WriteAll(const std::string& path, std::string_view bytes) {
  CK7QBldTextWriter writer(path, false, true);
  writer.Write(bytes);
  writer.Close();
}

void CopyBinary(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) throw CK7QBldFileException::FromErrno(errno, from);
  try {
    CK7QBldTextWriter out(to, false, true);
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) out.Write(std::string_view(buffer, n));
    if (std::ferror(in)) throw CK7QBldFileException::FromErrno(EIO, from);
    out.Close();
  } catch (...) {
    std::fclose(in);
    throw;
  }
  std::fclose(in);
}

bool Remove(const std::string& path) {
  if (::unlink(path.c_str()) == 0) return true;
  return errno == ENOENT;
}

void Rename(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0) throw CK7QBldFileException::FromErrno(errno, to);
}

void RewriteInPlace(const std::string& path, const std::string& tempPath,
                    const std::function<void(CK7QBldTextWriter&)>& produce, bool binary) {
  try {
    CK7QBldTextWriter writer(tempPath, false, binary);
    produce(writer);
    writer.Close();
    Rename(tempPath, path);
  } catch (...) {
    Remove(tempPath);
    throw;
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

}  // namespace K7QFile
