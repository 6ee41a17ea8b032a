#pragma once

#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

// The file layer. Text files are read line by line (CR LF or LF) and written
// in text mode (each "\n" becomes CR LF on disk); other files are copied as
// bytes. Every failure throws CK7QBldFileException.

class CK7QBldFileException : public std::exception {
 public:
  // Cause codes, numbered as the builder's file error reports show them.
  enum Cause {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  CK7QBldFileException(int cause, int osError, std::string fileName);
  // From an errno value of a failed call on `fileName`.
  static CK7QBldFileException FromErrno(int err, const std::string& fileName);

  int m_cause;
  int m_lOsError;
  std::string m_strFileName;

  const char* what() const noexcept override { return m_what.c_str(); }

 private:
  std::string m_what;
};

class CK7QBldLineReader {
 public:
  CK7QBldLineReader() = default;
  explicit CK7QBldLineReader(const std::string& path) { Open(path); }
  ~CK7QBldLineReader();
  CK7QBldLineReader(const CK7QBldLineReader&) = delete;
  CK7QBldLineReader& operator=(const CK7QBldLineReader&) = delete;

  void Open(const std::string& path);
  // Reads the next line without its line end (CR LF or LF; a lone CR at the
  // end of the line is removed too). False at end of file.
  bool ReadLine(std::string& line);
  void Close();
  bool IsOpen() const { return m_file != nullptr; }
  const std::string& Path() const { return m_path; }

 private:
  std::FILE* m_file = nullptr;
  std::string m_path;
  std::string m_buffer;
  std::size_t m_pos = 0;
  bool m_eof = false;
};

class CK7QBldTextWriter {
 public:
  // binary: write bytes as given; otherwise each "\n" becomes CR LF.
  CK7QBldTextWriter() = default;
  explicit CK7QBldTextWriter(const std::string& path, bool append = false, bool binary = false) {
    Open(path, append, binary);
  }
  ~CK7QBldTextWriter();  // closes without reporting; call Close() to learn of errors
  CK7QBldTextWriter(const CK7QBldTextWriter&) = delete;
  CK7QBldTextWriter& operator=(const CK7QBldTextWriter&) = delete;

  void Open(const std::string& path, bool append = false, bool binary = false);
  void Write(std::string_view text);
  void WriteLine(std::string_view text) {
    Write(text);
    Write("\n");
  }
  void Close();
  bool IsOpen() const { return m_file != nullptr; }

 private:
  std::FILE* m_file = nullptr;
  std::string m_path;
  bool m_binary = false;
};

namespace K7QFile {

bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
// Size in bytes and modification time (seconds); false when the file is missing.
bool Status(const std::string& path, long long& size, long long& mtime);
std::string ReadAll(const std::string& path);                          // bytes, throws
void WriteAll(const std::string& path, std::string_view bytes);        // bytes, throws
void CopyBinary(const std::string& from, const std::string& to);       // throws
// Removes a file; a missing file is not an error. False when it could not be removed.
bool Remove(const std::string& path);
// Renames over `to` in one step; throws.
void Rename(const std::string& from, const std::string& to);

// Rewrites `path` in place: `produce` writes the new content into a writer on
// `tempPath` (beside the file), which is then renamed over `path` in one step.
// The old file stays untouched until the new one is complete; on any failure
// the temporary file is removed and the exception passed on.
void RewriteInPlace(const std::string& path, const std::string& tempPath,
                    const std::function<void(CK7QBldTextWriter&)>& produce, bool binary = false);

// The folder part of a path ("" when there is none) and the last component.
std::string Folder(const std::string& path);
std::string FileName(const std::string& path);
// a + "/" + b, without doubling the separator.
std::string Join(const std::string& a, const std::string& b);

// A name that may be used as one component of a file name inside a folder:
// not empty, no path separator, not "." or "..", no control character.
bool IsSafeFileComponent(std::string_view name);

}  // namespace K7QFile
