#include "K7QBldDoc.h"

#include <QFileDialog>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#include "K7QBldContext.h"
#include "K7QBldFile.h"
#include "K7QBldFormView.h"
#include "K7QBldLock.h"
#include "K7QBldMacroExport.h"
#include "K7QBldMainFrm.h"
#include "K7QBldSettings.h"

namespace {

constexpr unsigned kIdsMacroEditorTitle = 62243;
constexpr unsigned kIdsSaveBeforeExport = 62324;
constexpr unsigned kIdsExportTitle = 62257;
constexpr unsigned kIdsOpenProfileTitle = 62256;
constexpr unsigned kIdsProfileFilter = 62258;
constexpr unsigned kIdsMacroFilter = 62259;
constexpr unsigned kIdsExportFilter = 62260;
constexpr unsigned kIdsSaveChanges = 62364;
constexpr unsigned kIdsMacroChangedOnDisk = 63104;
constexpr unsigned kIdsSaveNeedsProfile = 63109;
constexpr unsigned kIdsTargetIsOwnFile = 63110;
constexpr unsigned kIdsCopyOverMacro = 63111;

// A filter string of the language library as Qt wants it: "Text (*.ext)" parts
// separated by ";;". The library may hold the Windows form "Text|*.ext|...|".
QString QtFilter(const QString& filter) {
  if (!filter.contains('|')) return filter;
  const QStringList parts = filter.split('|', Qt::SkipEmptyParts);
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(';', ' ');
    out << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return out.join(QStringLiteral(";;"));
}

QString FolderOf(const QString& path) {
  return path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
}

// Profiles live in the user's data folder (where the profile creator makes
// them): a dialog for a profile starts at the last one's folder while it is
// there, else at the data folder.
QString ProfileStart(const QString& lastProfile) {
  const QString folder = FolderOf(lastProfile);
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : K7QBldSettings::UserDataFolder();
}

// Known not to exist (ENOENT), as opposed to "cannot tell".
bool IsGone(const QString& path) {
  std::error_code ec;
  return !std::filesystem::exists(K7QToPath(path), ec) && !ec;
}

}  // namespace

CK7QBldDoc::CK7QBldDoc(CK7QBldContext& context, CMainFrame& frame)
    : QObject(&frame), m_context(context), m_frame(frame), m_core(frame.Macro()) {}

CK7QBldDoc::~CK7QBldDoc() = default;

QString CK7QBldDoc::Path() const { return K7QFromPath(m_core.Path()); }
// A file name (UTF-8) or string 62240 (UTF-8): never CP932.
QString CK7QBldDoc::Title() const { return QString::fromStdString(m_core.Title()); }

void CK7QBldDoc::SetModifiedFlag(bool modified) {
  if (m_core.IsModified() == modified) return;
  m_core.SetModified(modified);
  emit StateChanged();
}

QString CK7QBldDoc::StartOf(FileDialog kind) const {
  const QString profileFolder = K7QFromPath(m_frame.Macro().Profile().ProfileFolder());
  const QString lastProfile =
      m_profilePath.isEmpty()
          ? K7QBldSettings::Value(K7QBldSettings::kSettings, QStringLiteral("LastProfile"))
          : m_profilePath;
  switch (kind) {
    case FileDialog::OpenMacro:
      if (!Path().isEmpty()) return FolderOf(Path());
      return profileFolder.isEmpty() ? ProfileStart(lastProfile) : profileFolder;
    case FileDialog::SaveMacro:
      if (!Path().isEmpty()) return Path();
      return profileFolder;
    case FileDialog::OpenProfile:
      return ProfileStart(lastProfile);
    case FileDialog::CheckProfile:
      // A fresh profile is made in the user's data folder unless the author chose another.
      return K7QBldSettings::UserDataFolder();
    case FileDialog::SaveConvertedCopy:
      return FolderOf(Path());
  }
  return {};
}

QString CK7QBldDoc::Choose(FileDialog kind) {
  const QString start = StartOf(kind);
  if (m_chooser) return m_chooser(kind, start);
  QWidget* owner = &m_frame;
  QFileDialog d(owner);
  d.setDirectory(QFileInfo(start).isDir() ? start : FolderOf(start));
  switch (kind) {
    case FileDialog::OpenMacro:
      d.setNameFilter(QtFilter(m_context.String(kIdsMacroFilter)));
      d.setAcceptMode(QFileDialog::AcceptOpen);
      d.setFileMode(QFileDialog::ExistingFile);
      d.setDefaultSuffix(QStringLiteral("k7q"));
      break;
    case FileDialog::SaveMacro:
      d.setNameFilter(QtFilter(m_context.String(kIdsMacroFilter)));
      d.setAcceptMode(QFileDialog::AcceptSave);
      d.setDefaultSuffix(QStringLiteral("k7q"));
      if (!QFileInfo(start).isDir()) d.selectFile(QFileInfo(start).fileName());
      break;
    case FileDialog::OpenProfile:
    case FileDialog::CheckProfile:
      d.setWindowTitle(kind == FileDialog::CheckProfile
                           ? m_context.Text("check.open.caption", "Open the New Profile")
                           : m_context.String(kIdsOpenProfileTitle));
      d.setNameFilter(QtFilter(m_context.String(kIdsProfileFilter)));
      d.setAcceptMode(QFileDialog::AcceptOpen);
      d.setFileMode(QFileDialog::ExistingFile);
      d.setDefaultSuffix(QStringLiteral("k7q_pro"));
      break;
    case FileDialog::SaveConvertedCopy:
      d.setWindowTitle(m_context.String(kIdsExportTitle));
      d.setNameFilter(QtFilter(m_context.String(kIdsExportFilter)));
      d.setAcceptMode(QFileDialog::AcceptSave);
      // The copy is a macro: it takes the macro's extension, as the filter lists it.
      d.setDefaultSuffix(QStringLiteral("k7q"));
      break;
  }
  return d.exec() == QDialog::Accepted ? d.selectedFiles().value(0) : QString();
}

void CK7QBldDoc::StoreCurrentPage() { m_frame.FormView().StoreCurrentPage(); }

void CK7QBldDoc::Reset() {
  m_core.Reset();
  m_frame.FormView().Refresh();
  emit StateChanged();
}

bool CK7QBldDoc::SaveModified() {
  StoreCurrentPage();
  if (!m_core.IsModified()) return true;
  const std::string text = m_core.Title() + " " + m_context.language.String(kIdsSaveChanges) + " ";
  switch (
      m_context.Ui().Prompt(kIdsSaveChanges, text, K7QIcon::Exclamation, K7QButtons::YesNoCancel)) {
    case kIdCancel:
      return false;
    case kIdYes:
      return OnFileSave();
    default:
      return true;
  }
}

void CK7QBldDoc::OnFileNew() {
  if (!m_frame.ConfirmPageEditorClosed(true) || !SaveModified()) return;
  Reset();
}

QStringList CK7QBldDoc::RecentList() const {
  QStringList recent = K7QBldSettings::RecentFiles();
  if (m_core.HasFile() && !Path().isEmpty()) {
    recent.removeAll(Path());
    recent.prepend(Path());
    while (recent.size() > K7QBldSettings::kRecentFileCount) recent.removeLast();
  }
  return recent;
}

CK7QBldDocCore::OpenResult CK7QBldDoc::OpenMacro(const QString& path, bool addToRecent) {
  const CK7QBldDocCore::OpenResult result = m_core.Open(K7QToPath(path));
  if (result == CK7QBldDocCore::OpenResult::Ok) {
    // Only a macro that was really opened enters the recent files.
    if (addToRecent) K7QBldSettings::AddRecentFile(path);
    m_frame.FormView().Refresh();
  }
  emit StateChanged();
  return result;
}

bool CK7QBldDoc::OpenDocument(const QString& path) {
  return OpenMacro(path, true) == CK7QBldDocCore::OpenResult::Ok;
}

void CK7QBldDoc::OnFileOpen() {
  if (!m_frame.ConfirmPageEditorClosed(true) || !SaveModified()) return;
  // The modified mark stays until another macro was really opened: a
  // cancelled or failed open keeps the changes that were not saved.
  for (;;) {
    const QString path = Choose(FileDialog::OpenMacro);
    if (path.isEmpty()) return;
    // The same file is re-read directly; another goes through the recent-file list.
    const bool same = !Path().isEmpty() && CK7QBldDocCore::SameFile(K7QToPath(path), m_core.Path());
    // Not the builder's macro and the author declined: let them pick another.
    if (OpenMacro(path, !same) != CK7QBldDocCore::OpenResult::PickAnother) return;
  }
}

void CK7QBldDoc::OnFileMru(int number) {
  if (!m_frame.ConfirmPageEditorClosed(true) || !SaveModified()) return;
  const QString path = RecentList().value(number - 1);
  if (path.isEmpty()) return;
  if (OpenMacro(path, true) == CK7QBldDocCore::OpenResult::Ok) return;
  // A macro that is no longer there leaves the list; one that cannot be read now stays.
  if (IsGone(path)) {
    K7QBldSettings::RemoveRecentFile(path);
    emit StateChanged();
  }
}

bool CK7QBldDoc::EnsureProfile() {
  if (m_frame.Macro().Profile().IsLoaded()) return true;
  if (m_context.Ui().Message(kIdsSaveNeedsProfile, K7QIcon::Exclamation, K7QButtons::YesNo) !=
      kIdYes)
    return false;
  const QString profile = Choose(FileDialog::OpenProfile);
  return !profile.isEmpty() && OpenProfile(profile);
}

bool CK7QBldDoc::RefuseOwnFile(const QString& target, unsigned message, bool macroToo) {
  const std::string path = K7QToPath(target);
  if (!(macroToo && CK7QBldDocCore::SameFile(path, m_core.Path())) && !m_core.IsOwnFile(path) &&
      !CK7QBldDocCore::SameFile(path, K7QToPath(m_profilePath)))
    return false;
  m_context.Ui().Prompt(message, m_context.language.String(message) + "\n\n" + path,
                        K7QIcon::Exclamation, K7QButtons::Ok);
  return true;
}

bool CK7QBldDoc::SaveTo(const QString& path) {
  const bool ok = m_core.Save(K7QToPath(path));
  emit StateChanged();
  return ok;
}

bool CK7QBldDoc::OnFileSave() {
  StoreCurrentPage();
  if (!EnsureProfile()) return false;
  if (Path().isEmpty() || !m_core.HasFile()) return OnFileSaveAs();
  if (!SaveTo(Path())) return false;
  SetModifiedFlag(false);
  return true;
}

bool CK7QBldDoc::OnFileSaveAs() {
  StoreCurrentPage();
  // The pages move to the new title: an editor still on one would save beside it.
  if (!m_frame.ConfirmPageEditorClosed(false) || !EnsureProfile()) return false;
  QString path;
  do {
    path = Choose(FileDialog::SaveMacro);
    if (path.isEmpty()) return false;
  } while (RefuseOwnFile(path, kIdsTargetIsOwnFile, false));
  if (!SaveTo(path)) return false;
  const bool renamed = m_core.RenameAfterSaveAs(K7QToPath(path));
  K7QBldSettings::AddRecentFile(path);
  m_frame.FormView().Refresh();
  emit StateChanged();
  return renamed;
}

void CK7QBldDoc::OnEditMacroText() {
  if (!m_core.HasFile() || Path().isEmpty()) return;
  m_frame.ViewMacro(Path(), m_context.String(kIdsMacroEditorTitle));
}

void CK7QBldDoc::CheckMacroOnDisk() {
  if (!m_core.ChangedOnDisk()) return;
  // Asked once for each change of the file.
  m_core.RememberDiskState();
  StoreCurrentPage();
  if (m_core.IsModified() && m_context.Ui().Message(kIdsMacroChangedOnDisk, K7QIcon::Exclamation,
                                                    K7QButtons::YesNo) != kIdYes)
    return;
  if (OpenMacro(Path(), false) != CK7QBldDocCore::OpenResult::Ok) {
    // The builder's macro is not the file's any more: closing must offer to save it.
    SetModifiedFlag(true);
  }
}

void CK7QBldDoc::OnWriteConvertedCopy() {
  if (!m_core.HasFile()) return;
  StoreCurrentPage();
  if (m_core.IsModified()) {
    if (m_context.Ui().MessageCaptioned(kIdsExportTitle, kIdsSaveBeforeExport, K7QIcon::Exclamation,
                                        K7QButtons::OkCancel) != kIdOk)
      return;
    // The copy is made from the file, so what was changed is saved first.
    if (!OnFileSave()) return;
  }
  QString target;
  do {
    target = Choose(FileDialog::SaveConvertedCopy);
    if (target.isEmpty()) return;
  } while (RefuseOwnFile(target,
                         CK7QBldDocCore::SameFile(K7QToPath(target), m_core.Path())
                             ? kIdsCopyOverMacro
                             : kIdsTargetIsOwnFile,
                         true));
  CK7QBldMacroExport::ExportFile(m_context.groceries, K7QToPath(Path()), K7QToPath(target));
}

bool CK7QBldDoc::OpenProfile(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  const std::string folder = K7QFile::Folder(K7QToPath(absolute));
  CK7QBldProfile& profile = m_frame.Macro().Profile();
  // A second builder or k7q in the folder would overwrite and delete this
  // one's working files: the folder is taken before anything changes.
  std::unique_ptr<CK7QBldLock> lock;
  const bool sameFolder = m_folderLock && m_folderLock->IsHeld() &&
                          CK7QBldDocCore::SameFile(folder, K7QFile::Folder(m_folderLock->Path()));
  if (!sameFolder) {
    lock = std::make_unique<CK7QBldLock>();
    if (!lock->LockProfileFolder(folder, "K7QBld", m_context.groceries)) return false;
  }
  // Without a profile nothing of the macro lives in a folder yet: the
  // variables typed so far stay, rows not stored yet included.
  StoreCurrentPage();
  if (profile.IsLoaded()) Reset();
  // The old folder's working files are gone: its lock can go too.
  if (!sameFolder) m_folderLock = std::move(lock);
  const bool ok = m_frame.FormView().LoadProfile(absolute);
  if (ok) {
    m_profilePath = absolute;
    K7QBldSettings::SetValue(K7QBldSettings::kSettings, QStringLiteral("LastProfile"), absolute);
  } else {
    m_profilePath.clear();
    m_folderLock.reset();
  }
  emit StateChanged();
  return ok;
}

void CK7QBldDoc::OnOpenProfile() {
  if (!m_frame.ConfirmPageEditorClosed(true)) return;
  // With no profile open there is nothing to save yet, and nothing is dropped.
  if (m_frame.Macro().Profile().IsLoaded() && !SaveModified()) return;
  const QString path = Choose(FileDialog::OpenProfile);
  if (path.isEmpty()) return;
  OpenProfile(path);
}

void CK7QBldDoc::OnCloseDocument() {
  m_core.DeleteWorkingFiles();
  m_folderLock.reset();
}
