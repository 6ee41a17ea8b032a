#include "K7QBldDoc.h"

#include <QFileDialog>

#include "K7QBldContext.h"
#include "K7QBldFormView.h"
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

}  // namespace

CK7QBldDoc::CK7QBldDoc(CK7QBldContext& context, CMainFrame& frame)
    : QObject(&frame), m_context(context), m_frame(frame), m_core(frame.Macro()) {}

QString CK7QBldDoc::Path() const { return K7QFromPath(m_core.Path()); }
QString CK7QBldDoc::Title() const { return K7QFromCp932(m_core.Title()); }

void CK7QBldDoc::SetModifiedFlag(bool modified) {
  if (m_core.IsModified() == modified) return;
  m_core.SetModified(modified);
  emit StateChanged();
}

QString CK7QBldDoc::Choose(FileDialog kind) {
  if (m_chooser) return m_chooser(kind, Path());
  QWidget* owner = &m_frame;
  switch (kind) {
    case FileDialog::OpenMacro: {
      QFileDialog d(owner, QString(), QString(), QtFilter(m_context.String(kIdsMacroFilter)));
      d.setAcceptMode(QFileDialog::AcceptOpen);
      d.setFileMode(QFileDialog::ExistingFile);
      d.setDefaultSuffix(QStringLiteral("k7q"));
      return d.exec() == QDialog::Accepted ? d.selectedFiles().value(0) : QString();
    }
    case FileDialog::SaveMacro: {
      QFileDialog d(owner, QString(), Path(), QtFilter(m_context.String(kIdsMacroFilter)));
      d.setAcceptMode(QFileDialog::AcceptSave);
      d.setDefaultSuffix(QStringLiteral("k7q"));
      return d.exec() == QDialog::Accepted ? d.selectedFiles().value(0) : QString();
    }
    case FileDialog::OpenProfile: {
      QFileDialog d(owner, m_context.String(kIdsOpenProfileTitle), QString(),
                    QtFilter(m_context.String(kIdsProfileFilter)));
      d.setAcceptMode(QFileDialog::AcceptOpen);
      d.setFileMode(QFileDialog::ExistingFile);
      d.setDefaultSuffix(QStringLiteral("k7q_pro"));
      return d.exec() == QDialog::Accepted ? d.selectedFiles().value(0) : QString();
    }
    case FileDialog::SaveConvertedCopy: {
      QFileDialog d(owner, m_context.String(kIdsExportTitle), QString(),
                    QtFilter(m_context.String(kIdsExportFilter)));
      d.setAcceptMode(QFileDialog::AcceptSave);
      // The copy is a macro: it takes the macro's extension, as the filter lists it.
      d.setDefaultSuffix(QStringLiteral("k7q"));
      return d.exec() == QDialog::Accepted ? d.selectedFiles().value(0) : QString();
    }
  }
  return {};
}

void CK7QBldDoc::Reset() {
  m_core.Reset();
  m_frame.FormView().Refresh();
  emit StateChanged();
}

bool CK7QBldDoc::SaveModified() {
  if (!m_core.IsModified()) return true;
  const std::string text = m_core.Title() + " " + m_context.language.String(kIdsSaveChanges) + " ";
  switch (m_context.Ui().Prompt(kIdsSaveChanges, text, K7QIcon::Exclamation,
                                K7QButtons::YesNoCancel)) {
    case kIdCancel: return false;
    case kIdYes: return OnFileSave();
    default: return true;
  }
}

void CK7QBldDoc::OnFileNew() {
  if (!SaveModified()) return;
  Reset();
}

bool CK7QBldDoc::RunOpenSequence(const QString& path) {
  const CK7QBldDocCore::OpenResult result = m_core.Open(K7QToPath(path));
  m_frame.FormView().Refresh();
  emit StateChanged();
  return result == CK7QBldDocCore::OpenResult::Ok;
}

bool CK7QBldDoc::OpenDocument(const QString& path) {
  K7QBldSettings::AddRecentFile(path);
  return RunOpenSequence(path);
}

void CK7QBldDoc::OnFileOpen() {
  if (!SaveModified()) return;
  SetModifiedFlag(false);
  for (;;) {
    const QString path = Choose(FileDialog::OpenMacro);
    if (path.isEmpty()) return;
    // The same file is re-read directly; another goes through the recent-file list.
    const bool same = !Path().isEmpty() && path == Path();
    const CK7QBldDocCore::OpenResult result = m_core.Open(K7QToPath(path));
    if (!same) K7QBldSettings::AddRecentFile(path);
    m_frame.FormView().Refresh();
    emit StateChanged();
    // Not the builder's macro and the author declined: let them pick another.
    if (result == CK7QBldDocCore::OpenResult::PickAnother) continue;
    return;
  }
}

bool CK7QBldDoc::SaveTo(const QString& path) {
  const bool ok = m_core.Save(K7QToPath(path));
  emit StateChanged();
  return ok;
}

bool CK7QBldDoc::OnFileSave() {
  if (Path().isEmpty() || !m_core.HasFile()) return OnFileSaveAs();
  if (!SaveTo(Path())) return false;
  m_core.SetPath(m_core.Path());
  SetModifiedFlag(false);
  return true;
}

bool CK7QBldDoc::OnFileSaveAs() {
  const QString path = Choose(FileDialog::SaveMacro);
  if (path.isEmpty()) return false;
  if (!SaveTo(path)) return false;
  const bool renamed = m_core.RenameAfterSaveAs(K7QToPath(path));
  K7QBldSettings::AddRecentFile(path);
  m_core.SetPath(K7QToPath(path));
  m_core.SetHasFile(true);
  SetModifiedFlag(false);
  m_frame.FormView().Refresh();
  emit StateChanged();
  return renamed;
}

void CK7QBldDoc::OnFileMru1() {
  if (!SaveModified()) return;
  SetModifiedFlag(false);
  const QString path = m_core.HasFile() ? Path()
                                        : K7QBldSettings::Value(K7QBldSettings::kRecentFiles,
                                                                QStringLiteral("File1"));
  if (path.isEmpty()) return;
  m_core.SetPath(K7QToPath(path));
  RunOpenSequence(path);
  m_core.SetHasFile(true);
  emit StateChanged();
}

void CK7QBldDoc::OnEditMacroText() {
  if (!m_core.HasFile() || Path().isEmpty()) return;
  m_frame.ViewMacro(Path(), m_context.String(kIdsMacroEditorTitle));
}

void CK7QBldDoc::OnWriteConvertedCopy() {
  if (!m_core.HasFile()) return;
  if (m_core.IsModified()) {
    if (m_context.Ui().MessageCaptioned(kIdsExportTitle, kIdsSaveBeforeExport,
                                        K7QIcon::Exclamation, K7QButtons::OkCancel) != kIdOk)
      return;
    // The copy is made from the file, so what was changed is saved first.
    if (!OnFileSave()) return;
  }
  const QString target = Choose(FileDialog::SaveConvertedCopy);
  if (target.isEmpty()) return;
  CK7QBldMacroExport::ExportFile(m_context.groceries, K7QToPath(Path()), K7QToPath(target));
}

bool CK7QBldDoc::OpenProfile(const QString& path) {
  Reset();
  return m_frame.FormView().LoadProfile(path);
}

void CK7QBldDoc::OnOpenProfile() {
  if (!SaveModified()) return;
  const QString path = Choose(FileDialog::OpenProfile);
  if (path.isEmpty()) return;
  OpenProfile(path);
}

void CK7QBldDoc::OnCloseDocument() {
  m_core.DeleteWorkingFiles();
}
