#pragma once

#include <cstdio>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The file layer. Text files are read line by line (CR LF or LF) and written
// in text mode (each "\n" becomes CR LF on disk); other files are copied as
// bytes. Every failure throws CK7QBldFileException.
//
// Every file is written to a fresh temporary file beside it and then renamed
// over its name in one step: a full disk, an I/O error or a kill part way
// leaves the old file as it was, and two writers of one folder never share a
// temporary name. Only regular files are read or written; a folder, pipe or
// device given as a file is refused.

// Reasons a file error may carry, shown under the report's first line.
inline constexpr unsigned kIdsFileReadOnly = 63300;
inline constexpr unsigned kIdsFileNotRegular = 63301;
inline constexpr unsigned kIdsFileOwnerNotKept = 63302;
inline constexpr unsigned kIdsFileCannotTell = 63303;
inline constexpr unsigned kIdsFileNotRemoved = 63304;
inline constexpr unsigned kIdsFolderNotListed = 63305;
inline constexpr unsigned kIdsFileLinkLoop = 63306;

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

  CK7QBldFileException(int cause, int osError, std::string fileName, unsigned reason = 0);
  // From an errno value of a failed call on `fileName`.
  static CK7QBldFileException FromErrno(int err, const std::string& fileName, unsigned reason = 0);

  int m_cause;
  int m_lOsError;
  std::string m_strFileName;
  // A language-library message that says what went wrong in the user's
  // terms (a read-only file, a pipe given as a file); 0 when the cause says it.
  unsigned m_reason = 0;

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
  // The same for readers of files that anyone may have written: at most
  // `limit` bytes of the line are kept, the rest is passed over without
  // being held, and `cut` tells whether anything was.
  bool ReadLine(std::string& line, std::size_t limit, bool& cut);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  const std::string& Path() const { return m_path; }

 private:
  // False at end of file.
  bool Fill();

  int m_fd = -1;
  std::string m_path;
  std::string m_buffer;
  std::size_t m_pos = 0;
  bool m_eof = false;
};

// How a file is written.
struct K7QWriteOptions {
  bool binary = false;  // bytes as given; otherwise each "\n" becomes CR LF
  bool append = false;  // the new file starts with the old one's bytes
  // The author's own file (a macro, a profile, an exported copy): a symbolic
  // link is written through to its target. A working file in the profile
  // folder is never written through a link, whoever placed it there: the link
  // itself is replaced.
  bool followLinks = false;
  // The data and the name reach the disk before the file counts as written,
  // so that a power loss right after a save never leaves an empty file.
  // Replacing a file that exists is always durable (a page may hold the
  // author's edits); a new working file is made again from the macro and
  // need not wait for the disk.
  bool durable = false;
  // Permissions of a file that did not exist (the umask applies); a file
  // that exists keeps its own mode, owner and group.
  unsigned newMode = 0600;
};

class CK7QBldTextWriter {
 public:
  CK7QBldTextWriter() = default;
  explicit CK7QBldTextWriter(const std::string& path, bool append = false, bool binary = false) {
    Open(path, append, binary);
  }
  CK7QBldTextWriter(const std::string& path, const K7QWriteOptions& options) {
    Open(path, options);
  }
  // Without Close() nothing is written: the temporary file goes and the
  // file at the path stays as it was.
  ~CK7QBldTextWriter();
  CK7QBldTextWriter(const CK7QBldTextWriter&) = delete;
  CK7QBldTextWriter& operator=(const CK7QBldTextWriter&) = delete;

  // A working file (see K7QWriteOptions).
  void Open(const std::string& path, bool append = false, bool binary = false);
  void Open(const std::string& path, const K7QWriteOptions& options);
  void Write(std::string_view text);
  void WriteLine(std::string_view text) {
    Write(text);
    Write("\n");
  }
  // Puts the new file in place. On failure the old file is untouched, the
  // temporary file is gone and the error is thrown.
  void Close();
  // Drops what was written; the old file stays.
  void Abandon();
  bool IsOpen() const { return m_fd >= 0; }
  // The file that Close() replaces (the target of a link that is followed).
  const std::string& Target() const { return m_target; }

 private:
  void Flush();
  [[noreturn]] void Fail(int err, unsigned reason = 0);

  int m_fd = -1;
  int m_slot = -1;
  std::string m_target;
  std::string m_temp;
  std::string m_buffer;
  bool m_binary = false;
  bool m_durable = false;
};

namespace K7QFile {

// Options for the author's own file: links followed, durable; a new file is
// readable by others as the umask allows unless it holds a password.
K7QWriteOptions AuthorFile(bool holdsPassword, bool binary = true);

// "Does not exist" is false; "cannot tell" (an I/O error, a folder that may
// not be searched) throws, so it is never taken for "no file".
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
// Size in bytes and modification time (seconds); false when the file is
// missing or its status cannot be read (for watchers that only compare).
bool Status(const std::string& path, long long& size, long long& mtime);
std::string ReadAll(const std::string& path);  // bytes of a regular file, throws
// The permission bits of a file (0777 at most); throws.
unsigned PermissionsOf(const std::string& path);
void WriteAll(const std::string& path, std::string_view bytes, const K7QWriteOptions& options);
void WriteAll(const std::string& path, std::string_view bytes);  // a working file, bytes
// A new `to` gets the mode of `from` (as cp does); an existing one keeps its own.
void CopyBinary(const std::string& from, const std::string& to);  // throws
// Removes a file when tidying up; a missing file is not an error. False
// when it could not be removed; never throws.
bool Remove(const std::string& path);
// Removes a file that must go (a stale page would be read instead of the
// new one); a missing file is not an error, any other failure throws.
void Delete(const std::string& path);
// Renames over `to` in one step; throws.
void Rename(const std::string& from, const std::string& to);
// The names in a folder ("." and ".." left out), sorted; throws when it
// cannot be listed.
std::vector<std::string> ListFolder(const std::string& folder);
// The file a chain of symbolic links ends at (`path` itself when it is none);
// throws on a loop or when a link cannot be read.
std::string ResolveLinks(const std::string& path);

// Rewrites `path` in place: `produce` writes the new content into a writer,
// which then replaces the file in one step. The old file stays untouched
// until the new one is complete; on any failure the exception passes on.
void RewriteInPlace(const std::string& path, const std::function<void(CK7QBldTextWriter&)>& produce,
                    const K7QWriteOptions& options);
// The same for a working file. `tempPath` is no longer used: the temporary
// name is a fresh one beside the file, so that it never meets another
// writer's or the author's own file.
void RewriteInPlace(const std::string& path, const std::string& tempPath,
                    const std::function<void(CK7QBldTextWriter&)>& produce, bool binary = false);

// Whether `name` is one of this layer's temporary names for files of
// `fileName` in the same folder (left behind only by a killed process).
bool IsTemporaryNameOf(std::string_view name, std::string_view fileName);
// Removes the temporary files of writers still open. Async-signal-safe:
// called from the signal handlers before the process ends.
void RemoveTemporaryFiles() noexcept;

// The folder part of a path ("" when there is none) and the last component.
std::string Folder(const std::string& path);
std::string FileName(const std::string& path);
// a + "/" + b, without doubling the separator.
std::string Join(const std::string& a, const std::string& b);

// A name that may be used as one component of a file name inside a folder:
// not empty, no path separator, not "." or "..", no control character.
bool IsSafeFileComponent(std::string_view name);

// The system calls of this layer, as the fault hook names them.
enum class Call { Open, Read, Write, Sync, Close, Rename, Unlink, Stat, List, Mode };
// A seam for the tests: when set, the hook is asked before each system call
// of the layer and a non-zero answer fails that call with this errno.
using FaultHook = int (*)(Call call, const char* path);
void SetFaultHook(FaultHook hook);

}  // namespace K7QFile
