#pragma once

#include <string>
#include <vector>

class CK7QBldMacro;

// Messages of the document's sequences.
inline constexpr unsigned kIdsUntitled = 62240;
inline constexpr unsigned kIdsNoProfileForOpen = 62337;

// The document's file work without a window: reset, save, open, rename
// after Save As and the clean-up at close. It owns the paths and flags;
// the macro's parts live in the CK7QBldMacro it is given. The GUI's
// CK7QBldDoc delegates to one of these.
class CK7QBldDocCore {
 public:
  enum class OpenResult {
    Ok,
    Failed,       // reported; the document is as it was before the open
    PickAnother,  // not the builder's macro and the author declined: ask for another file
  };

  explicit CK7QBldDocCore(CK7QBldMacro& macro);
  ~CK7QBldDocCore() = default;
  CK7QBldDocCore(const CK7QBldDocCore&) = delete;
  CK7QBldDocCore& operator=(const CK7QBldDocCore&) = delete;

  // The macro file's base name, without folder and extension. File names
  // are the platform's (UTF-8), so they are cut as bytes.
  static std::string TitleOf(const std::string& macroPath);
  // Whether two paths name one file: the same file when both exist (links
  // followed), else the same absolute path.
  static bool SameFile(const std::string& a, const std::string& b);
  // The profile a macro was made with, as far as its place tells: the one
  // "*.k7q_pro" in the macro's folder (where the builder keeps a macro's
  // working files); "" when there is none, more than one, or the folder
  // cannot be listed.
  static std::string ProfileBeside(const std::string& macroPath);

  // New / open profile: the macro's parts emptied, untitled (string 62240),
  // not modified, no file.
  void Reset();

  // Writes the components into the profile folder and assembles them into
  // the macro at `path`. False without a loaded profile (silently) or after
  // a reported failure; the macro file that was there is then untouched.
  bool Save(const std::string& path);

  // Takes the macro at `path` apart into the macro's parts and working
  // pages. The macro is read completely into emptied parts under a working
  // title of its own; only when all of it was read do the parts and pages
  // of the macro open before give way. After a failure (reported) the
  // document, its parts and its working files are exactly as before.
  OpenResult Open(const std::string& path);

  // Save As to `newPath`: the working pages move to names made from the new title.
  bool RenameAfterSaveAs(const std::string& newPath);

  // Deletes the define component and every working page and converted
  // page; what the builder does when the document closes. Files given to
  // KeepFile are left.
  void DeleteWorkingFiles();
  // A working file that must survive the close: a page left open in the page editor.
  void KeepFile(const std::string& path) { m_kept.push_back(path); }

  // Whether `target` is one of the files the builder works with while this
  // document is open (working and converted pages, the components a save to
  // `target` writes, the folder's lock file): Save As and the converted copy
  // must not write there.
  bool IsOwnFile(const std::string& target) const;

  // Whether the file at Path() is no longer the one this document last read
  // or wrote (another program saved it). False without a file.
  bool ChangedOnDisk() const;
  // Takes the file as it is now as the one the document knows.
  void RememberDiskState();

  const std::string& Path() const { return m_path; }
  void SetPath(const std::string& path);
  // The window title: the macro's title, or string 62240 while untitled (UTF-8).
  const std::string& Title() const { return m_title; }
  bool HasFile() const { return m_hasFile; }
  void SetHasFile(bool hasFile) { m_hasFile = hasFile; }
  bool IsModified() const { return m_modified; }
  void SetModified(bool modified) { m_modified = modified; }

 private:
  struct DiskState {
    bool exists = false;
    unsigned long long device = 0, inode = 0;
    long long size = 0, seconds = 0, nanoseconds = 0;
    bool operator==(const DiskState&) const = default;
  };
  static DiskState StateOf(const std::string& path);

  OpenResult ReadInto(const std::string& path, const std::string& folder, const std::string& title);
  bool ReadParts(const std::string& restorePath, const std::string& folder,
                 const std::string& title, OpenResult& result);
  // Moves every working page (and its converted page) to the names made from `title`. Throws a file
  // error.
  void MovePages(const std::string& folder, const std::string& title);
  void DeletePageFiles(const CK7QBldMacro& macro) const;
  // The working files of `macro` (the document's parts, or the ones an open replaces).
  void DeleteFilesOf(const CK7QBldMacro& macro);
  bool Kept(const std::string& path) const;

  CK7QBldMacro& m_macro;
  std::string m_definePath;
  // Function pages written by the open: a page conversion gives the
  // functions pages of their own, and these would otherwise stay behind.
  std::vector<std::string> m_openedPages;
  std::vector<std::string> m_kept;
  bool m_hasFile = false;
  bool m_modified = false;
  std::string m_path;
  std::string m_title;
  DiskState m_diskState;
};
