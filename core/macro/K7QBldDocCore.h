#pragma once

#include <string>

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
    Failed,       // reported; the document keeps whatever was read
    PickAnother,  // not the builder's macro and the author declined: ask for another file
  };

  explicit CK7QBldDocCore(CK7QBldMacro& macro);
  ~CK7QBldDocCore() = default;
  CK7QBldDocCore(const CK7QBldDocCore&) = delete;
  CK7QBldDocCore& operator=(const CK7QBldDocCore&) = delete;

  // The macro file's base name, without folder and extension.
  static std::string TitleOf(const std::string& macroPath);

  // New / open profile: the macro's parts emptied, untitled (string 62240),
  // not modified, no file.
  void Reset();

  // Writes the components into the profile folder and assembles them into
  // the macro at `path`. False without a loaded profile (silently) or after
  // a reported failure; the macro file that was there is then untouched.
  bool Save(const std::string& path);

  // Takes the macro at `path` apart into the macro's parts and working pages.
  OpenResult Open(const std::string& path);

  // Save As to `newPath`: the working pages move to names made from the new title.
  bool RenameAfterSaveAs(const std::string& newPath);

  // Deletes the define component, the restore file and every working page
  // and converted page; what the builder does when the document closes.
  void DeleteWorkingFiles();

  const std::string& Path() const { return m_path; }
  void SetPath(const std::string& path);
  // The window title: the macro's title, or string 62240 while untitled.
  const std::string& Title() const { return m_title; }
  bool HasFile() const { return m_hasFile; }
  void SetHasFile(bool hasFile) { m_hasFile = hasFile; }
  bool IsModified() const { return m_modified; }
  void SetModified(bool modified) { m_modified = modified; }
  const std::string& RestorePath() const { return m_restorePath; }

 private:
  bool ReadParts(const std::string& path, const std::string& folder, const std::string& title,
                 OpenResult& result);

  CK7QBldMacro& m_macro;
  std::string m_restorePath;
  std::string m_definePath;
  bool m_hasFile = false;
  bool m_modified = false;
  std::string m_path;
  std::string m_title;
};
