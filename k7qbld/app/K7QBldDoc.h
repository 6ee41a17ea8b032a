#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "K7QBldDocCore.h"

class CMainFrame;
struct CK7QBldContext;

// The document: the macro file the author saves and opens. It drives the
// file work (reset, open, save, Save As, the recent file, the macro text
// editor, the converted copy, opening a profile); the macro's parts live in
// the main frame's CK7QBldMacro.
class CK7QBldDoc : public QObject {
  Q_OBJECT

 public:
  // Command identifiers.
  static constexpr int kIdFileNew = 57600;
  static constexpr int kIdFileOpen = 57601;
  static constexpr int kIdFileSave = 57603;
  static constexpr int kIdFileSaveAs = 57604;
  static constexpr int kIdFileMru1 = 57616;
  static constexpr int kIdEditMacroText = 32771;
  static constexpr int kIdWriteConvertedCopy = 32777;
  static constexpr int kIdOpenProfile = 32784;

  enum class FileDialog { OpenMacro, SaveMacro, OpenProfile, SaveConvertedCopy };
  // Asks for a file; an empty result means cancelled. Tests replace it.
  using FileChooser = std::function<QString(FileDialog kind, const QString& current)>;

  CK7QBldDoc(CK7QBldContext& context, CMainFrame& frame);

  void SetFileChooser(FileChooser chooser) { m_chooser = std::move(chooser); }

  // Commands.
  void OnFileNew();
  void OnFileOpen();
  bool OnFileSave();
  bool OnFileSaveAs();
  void OnFileMru1();
  void OnEditMacroText();
  void OnWriteConvertedCopy();
  void OnOpenProfile();

  // Opens a profile: reset, then the view loads it. False when it cannot be read.
  bool OpenProfile(const QString& path);
  // The framework's open: recent-file entry, then the open sequence.
  bool OpenDocument(const QString& path);

  // Asks whether to save a modified document (62364); false when cancelled.
  bool SaveModified();
  void SetModifiedFlag(bool modified = true);
  bool IsModified() const { return m_core.IsModified(); }
  bool HasFile() const { return m_core.HasFile(); }
  QString Path() const;
  QString Title() const;
  CK7QBldDocCore& Core() { return m_core; }

  // Deletes the working files: what closing the document does.
  void OnCloseDocument();

 signals:
  void StateChanged();  // title, path, modified or has-file flag changed

 private:
  bool RunOpenSequence(const QString& path);
  bool SaveTo(const QString& path);
  QString Choose(FileDialog kind);
  void Reset();

  CK7QBldContext& m_context;
  CMainFrame& m_frame;
  CK7QBldDocCore m_core;
  FileChooser m_chooser;
};
