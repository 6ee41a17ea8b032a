#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "K7QBldDocCore.h"

class CMainFrame;
class CK7QBldLock;
struct CK7QBldContext;

// The document: the macro file the author saves and opens. It drives the
// file work (reset, open, save, Save As, the recent files, the macro text
// editor, the converted copy, opening a profile); the macro's parts live in
// the main frame's CK7QBldMacro. While a profile is open its folder is
// locked, so that no second builder or k7q works among its working files.
class CK7QBldDoc : public QObject {
  Q_OBJECT

 public:
  // Command identifiers.
  static constexpr int kIdFileNew = 57600;
  static constexpr int kIdFileOpen = 57601;
  static constexpr int kIdFileSave = 57603;
  static constexpr int kIdFileSaveAs = 57604;
  static constexpr int kIdFileMru1 = 57616;  // to 57619 for the fourth recent file
  static constexpr int kIdEditMacroText = 32771;
  static constexpr int kIdWriteConvertedCopy = 32777;
  static constexpr int kIdOpenProfile = 32784;

  enum class FileDialog { OpenMacro, SaveMacro, OpenProfile, SaveConvertedCopy, CheckProfile };
  // Asks for a file, starting at `start` (a folder, or a file to offer); an
  // empty result means cancelled. Tests replace it.
  using FileChooser = std::function<QString(FileDialog kind, const QString& start)>;

  CK7QBldDoc(CK7QBldContext& context, CMainFrame& frame);
  ~CK7QBldDoc() override;

  void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }
  // Asks for a file of `kind` (through the chooser tests set).
  QString Choose(FileDialog kind);

  // Commands.
  void OnFileNew();
  void OnFileOpen();
  bool OnFileSave();
  bool OnFileSaveAs();
  // The recent file `number` (1 to 4) of the File menu.
  void OnFileMru(int number);
  void OnFileMru1() { OnFileMru(1); }
  void OnEditMacroText();
  void OnWriteConvertedCopy();
  void OnOpenProfile();

  // Opens a profile: its folder is locked, the document reset (unless no
  // profile was open, when nothing of the macro lives in a folder yet and
  // its parts stay), then the view loads it. False when the folder is in
  // use or the profile cannot be read (reported).
  bool OpenProfile(const QString& path);
  // The framework's open: the open sequence, then the recent-file entry.
  bool OpenDocument(const QString& path);

  // Asks whether to save a modified document (62364); false when cancelled.
  bool SaveModified();
  void SetModifiedFlag(bool modified = true);
  bool IsModified() const { return m_core.IsModified(); }
  bool HasFile() const { return m_core.HasFile(); }
  QString Path() const;
  QString Title() const;
  QString ProfilePath() const { return m_profilePath; }
  CK7QBldDocCore& Core() { return m_core; }
  // The recent files as the File menu lists them: the open macro first while there is one.
  QStringList RecentList() const;

  // When the macro file changed on disk (the macro text editor saved it):
  // reads it again, asking first (63104) when the builder has unsaved
  // changes of its own.
  void CheckMacroOnDisk();

  // Deletes the working files and frees the profile folder: what closing the document does.
  void OnCloseDocument();

 signals:
  void StateChanged();  // title, path, modified or has-file flag changed

 private:
  // Opens `path` as the document; on success the title, path and the recent
  // list follow, on failure nothing changed.
  CK7QBldDocCore::OpenResult OpenMacro(const QString& path, bool addToRecent);
  bool SaveTo(const QString& path);
  // Without a profile nothing can be saved: says so (63109) and offers to open one.
  bool EnsureProfile();
  // Whether `target` is the profile, one of the builder's working files or
  // (with `macroToo`) the macro itself; then `message` is shown with it.
  bool RefuseOwnFile(const QString& target, unsigned message, bool macroToo);
  QString StartOf(FileDialog kind) const;
  void StoreCurrentPage();
  void Reset();

  CK7QBldContext& m_context;
  CMainFrame& m_frame;
  CK7QBldDocCore m_core;
  FileChooser m_chooser;
  std::unique_ptr<CK7QBldLock> m_folderLock;
  QString m_profilePath;
};
