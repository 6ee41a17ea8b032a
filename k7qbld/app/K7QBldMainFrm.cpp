#include "K7QBldMainFrm.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTimerEvent>
#include <QToolBar>
#include <QTreeWidget>

#include "K7QBld.h"
#include "K7QBldArtwork.h"
#include "K7QBldContext.h"
#include "K7QBldDoc.h"
#include "K7QBldFile.h"
#include "K7QBldFormView.h"
#include "K7QBldPageEditing.h"

namespace {

constexpr unsigned kIdsNoPageEditor = 62344;
constexpr unsigned kIdsCannotStartEditor = 62345;
constexpr unsigned kIdsConversionFailed = 62374;
constexpr int kIdAppAbout = 57664;
constexpr int kIdAppExit = 57665;

// The App Paths entry of the page editor: a group per program, holding the
// entry's default value ("default") and its folder ("path").
constexpr char kPageEditorEntry[] = "qz71";

}  // namespace

CMainFrame::CMainFrame(CK7QBldContext& context, QWidget* parent)
    : QMainWindow(parent), m_context(context), m_macro(context.groceries) {
  setObjectName(QStringLiteral("MainFrame"));
  setWindowIcon(K7QBldArtwork::ApplicationIcon());
  m_macro.SetTagColor(K7QBldSettings::TagColor());
  m_macro.SetBackgroundColor(K7QBldSettings::BackgroundColor());
  m_document = new CK7QBldDoc(context, *this);
  m_formView = new CK7QBldFormView(context, *this);
  setCentralWidget(m_formView);
  CreateActions();
  m_context.groceriesUi.SetMainWindow(this);
  m_context.groceriesUi.SetModifiedHandler([this] { SetDocumentModified(); });
  connect(m_document, &CK7QBldDoc::StateChanged, this, [this] {
    UpdateCommandStates();
    UpdateTitle();
  });
  resize(900, 640);
  UpdateCommandStates();
  UpdateTitle();
}

CMainFrame::~CMainFrame() {
  // The editors are left running; only our handles go.
  if (m_pageEditor) m_pageEditor->setParent(nullptr);
  if (m_macroEditor) m_macroEditor->setParent(nullptr);
}

QAction* CMainFrame::AddAction(int id, const char* key, const char* fallback,
                               std::function<void()> handler) {
  auto* action = new QAction(m_context.Text(key, fallback), this);
  action->setObjectName(QString::number(id));
  action->setStatusTip(m_context.Text((std::string(key) + ".tip").c_str()));
  connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
  m_actions[id] = action;
  return action;
}

QAction* CMainFrame::Action(int id) const {
  const auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::CreateActions() {
  CK7QBldDoc& doc = *m_document;
  QStyle* s = style();
  QAction* fileNew =
      AddAction(CK7QBldDoc::kIdFileNew, "menu.file.new", "&New", [&doc] { doc.OnFileNew(); });
  fileNew->setShortcut(QKeySequence::New);
  fileNew->setIcon(s->standardIcon(QStyle::SP_FileIcon));
  QAction* fileOpen = AddAction(CK7QBldDoc::kIdFileOpen, "menu.file.open", "&Open...",
                                [&doc] { doc.OnFileOpen(); });
  fileOpen->setShortcut(QKeySequence::Open);
  fileOpen->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
  QAction* fileSave =
      AddAction(CK7QBldDoc::kIdFileSave, "menu.file.save", "&Save", [&doc] { doc.OnFileSave(); });
  fileSave->setShortcut(QKeySequence::Save);
  fileSave->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
  AddAction(CK7QBldDoc::kIdFileSaveAs, "menu.file.saveas", "Save &As...",
            [&doc] { doc.OnFileSaveAs(); });
  QAction* profile = AddAction(CK7QBldDoc::kIdOpenProfile, "menu.file.profile", "Open &Profile...",
                               [&doc] { doc.OnOpenProfile(); });
  profile->setIcon(s->standardIcon(QStyle::SP_DirOpenIcon));
  QAction* view = AddAction(CK7QBldDoc::kIdEditMacroText, "menu.file.edittext", "&Edit Macro Text",
                            [&doc] { doc.OnEditMacroText(); });
  view->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
  AddAction(CK7QBldDoc::kIdWriteConvertedCopy, "menu.file.export", "&Write Converted Copy...",
            [&doc] { doc.OnWriteConvertedCopy(); });
  AddAction(CK7QBldDoc::kIdFileMru1, "menu.file.recent", "&1 Recent File",
            [&doc] { doc.OnFileMru1(); });
  QAction* exitAction = AddAction(kIdAppExit, "menu.file.exit", "E&xit", [this] { close(); });
  exitAction->setShortcut(QKeySequence::Quit);
  QAction* about = AddAction(kIdAppAbout, "menu.help.about", "&About K7QBld...", [] {
    if (CK7QBldApp* app = CK7QBldApp::Instance()) app->OnAppAbout();
  });
  about->setIcon(s->standardIcon(QStyle::SP_MessageBoxInformation));

  QMenu* file = menuBar()->addMenu(m_context.Text("menu.file", "&File"));
  file->addActions({fileNew, fileOpen, fileSave, Action(CK7QBldDoc::kIdFileSaveAs)});
  file->addSeparator();
  file->addActions({profile, view, Action(CK7QBldDoc::kIdWriteConvertedCopy)});
  file->addSeparator();
  file->addAction(Action(CK7QBldDoc::kIdFileMru1));
  file->addSeparator();
  file->addAction(exitAction);
  QMenu* viewMenu = menuBar()->addMenu(m_context.Text("menu.view", "&View"));
  QMenu* help = menuBar()->addMenu(m_context.Text("menu.help", "&Help"));
  help->addAction(about);

  QToolBar* tools = addToolBar(m_context.Text("toolbar", "Standard"));
  tools->setObjectName(QStringLiteral("128"));
  tools->addActions({fileNew, fileOpen, fileSave});
  tools->addSeparator();
  tools->addActions({profile, view});
  tools->addSeparator();
  tools->addAction(about);
  viewMenu->addAction(tools->toggleViewAction());
  QAction* statusToggle = new QAction(m_context.Text("menu.view.status", "&Status Bar"), this);
  statusToggle->setCheckable(true);
  statusToggle->setChecked(true);
  connect(statusToggle, &QAction::toggled, statusBar(), &QStatusBar::setVisible);
  viewMenu->addAction(statusToggle);
  statusBar()->showMessage(m_context.Text("status.ready", "Ready"));
}

void CMainFrame::UpdateCommandStates() {
  const bool hasFile = m_document->HasFile();
  Action(CK7QBldDoc::kIdEditMacroText)->setEnabled(hasFile);
  Action(CK7QBldDoc::kIdWriteConvertedCopy)->setEnabled(hasFile);
  const QString recent =
      hasFile ? m_document->Path()
              : K7QBldSettings::Value(K7QBldSettings::kRecentFiles, QStringLiteral("File1"));
  QAction* mru = Action(CK7QBldDoc::kIdFileMru1);
  mru->setText(QStringLiteral("&1 %1").arg(recent.isEmpty()
                                               ? m_context.Text("menu.file.recent", "Recent File")
                                               : QFileInfo(recent).fileName()));
}

void CMainFrame::UpdateTitle() {
  setWindowTitle(
      QStringLiteral("%1[*] - %2").arg(m_document->Title(), m_context.String(kIdsAppTitle)));
  setWindowModified(m_document->IsModified());
}

void CMainFrame::SetDocumentModified() { m_document->SetModifiedFlag(true); }
std::string CMainFrame::MacroTitle() const { return m_document->Core().Title(); }
QString CMainFrame::DocumentTitle() const { return m_document->Title(); }
void CMainFrame::SaveAs() { m_document->OnFileSaveAs(); }

void CMainFrame::RestoreAndShow(unsigned callerShowCmd) {
  using namespace K7QBldSettings;
  unsigned showCmd = callerShowCmd;
  WindowPlacement stored;
  if (ParseWindowPos(Value(kSettings, QStringLiteral("WindowPos")), stored)) {
    if (stored.normal.isValid()) setGeometry(stored.normal);
    if (callerShowCmd == kShowNormal) showCmd = stored.showCmd;
  }
  switch (showCmd) {
    case kShowMinimized:
    case 6:  // minimise
    case 7:  // minimised, not active
      showMinimized();
      break;
    case kShowMaximized:
      showMaximized();
      break;
    default:
      showNormal();
      break;
  }
  update();
}

K7QBldSettings::WindowPlacement CMainFrame::CurrentPlacement() const {
  K7QBldSettings::WindowPlacement p;
  p.flags = isMaximized() ? K7QBldSettings::kRestoreToMaximized : 0;
  p.showCmd = isMinimized()   ? K7QBldSettings::kShowMinimized
              : isMaximized() ? K7QBldSettings::kShowMaximized
                              : K7QBldSettings::kShowNormal;
  p.normal = normalGeometry().isValid() ? normalGeometry() : geometry();
  return p;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!m_document->SaveModified()) {
    event->ignore();
    return;
  }
  K7QBldSettings::SetValue(K7QBldSettings::kSettings, QStringLiteral("WindowPos"),
                           K7QBldSettings::FormatWindowPos(CurrentPlacement()));
  m_document->OnCloseDocument();
  QMainWindow::closeEvent(event);
}

// ---- external editors --------------------------------------------------------

QString CMainFrame::PageEditorProgram() {
  QSettings appPaths(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
                     QStringLiteral("AppPaths"));
  appPaths.beginGroup(QLatin1String(kPageEditorEntry));
  if (appPaths.childKeys().isEmpty()) {
    m_context.Ui().Message(kIdsNoPageEditor, K7QIcon::Stop);
    return {};
  }
  QString value = appPaths.value(QStringLiteral("default")).toString();
  if (value.isEmpty() || value.size() > 260) {
    m_context.Ui().Message(kIdsCannotStartEditor, K7QIcon::Stop);
    return {};
  }
  // A quoted value gives the text between the quotes; otherwise up to the first quote.
  if (value.startsWith('"')) {
    const int close = value.indexOf('"', 1);
    return close < 0 ? value.mid(1) : value.mid(1, close - 1);
  }
  const int quote = value.indexOf('"');
  return quote < 0 ? value.trimmed() : value.left(quote).trimmed();
}

QString CMainFrame::AskEditorPath(const QString& current) {
  if (m_editorPathDialog) return m_editorPathDialog(current);
  bool ok = false;
  const QString path = QInputDialog::getText(
      this, m_context.Text("editorpath.caption", "Page Editor"),
      m_context.Text("editorpath.label", "Page editor program:"), QLineEdit::Normal, current, &ok);
  return ok ? path.trimmed() : QString();
}

bool CMainFrame::EditPage(int itemCode, const QString& pagePath) {
  QString program = PageEditorProgram();
  if (program.isEmpty()) return false;
  if (!pagePath.isEmpty() && QFileInfo::exists(pagePath)) {
    K7QPrepareForEditing(m_macro, K7QToPath(pagePath));
  }
  QProcess* process = nullptr;
  for (;;) {
    const QString commandLine = QStringLiteral("\"%1\" \"%2\"").arg(program, pagePath);
    process = CK7QBldGroceriesUi::RunProgram(commandLine);
    if (process) break;
    program = AskEditorPath(program);
    if (program.isEmpty()) return false;
  }
  m_pageEditor.reset(process);
  m_editedItemCode = itemCode;
  m_editedPage = pagePath;
  if (!K7QFile::Status(K7QToPath(pagePath), m_pageSize, m_pageTime)) m_pageSize = 0;
  if (!m_pageTimerId) m_pageTimerId = startTimer(kPollMs);
  return true;
}

bool CMainFrame::ViewMacro(const QString& macroPath, const QString& title) {
  const QString editor =
      K7QBldSettings::Value(K7QBldSettings::kFilePath, QStringLiteral("EditorPath"));
  const QString commandLine = QStringLiteral("\"%1\" \"%2\" -t %3").arg(editor, macroPath, title);
  QProcess* process = CK7QBldGroceriesUi::RunProgram(commandLine);
  if (!process) {
    m_context.Ui().Message(kIdsCannotStartEditor, K7QIcon::Stop);
    return false;
  }
  m_macroEditor.reset(process);
  m_viewedMacro = macroPath;
  if (!K7QFile::Status(K7QToPath(macroPath), m_macroSize, m_macroTime)) m_macroSize = 0;
  if (!m_macroTimerId) m_macroTimerId = startTimer(kPollMs);
  return true;
}

bool CMainFrame::PageChangedSince(const QString& path, long long size, long long mtime) const {
  long long nowSize = 0;
  long long nowTime = 0;
  if (!K7QFile::Status(K7QToPath(path), nowSize, nowTime)) return size != 0;
  return nowSize != size || (nowTime != mtime && size != 0);
}

void CMainFrame::timerEvent(QTimerEvent* event) {
  if (event->timerId() == m_pageTimerId || event->timerId() == m_macroTimerId) {
    PollEditors();
    return;
  }
  QMainWindow::timerEvent(event);
}

void CMainFrame::PollEditors() {
  if (m_pageEditor && m_pageEditor->state() == QProcess::NotRunning) {
    killTimer(m_pageTimerId);
    m_pageTimerId = 0;
    ExpandSidePanel();
    ConvertEditedPage();
    m_pageEditor.reset();
    m_formView->SelectItem(m_editedItemCode, true);
    if (PageChangedSince(m_editedPage, m_pageSize, m_pageTime)) SetDocumentModified();
  }
  if (m_macroEditor && m_macroEditor->state() == QProcess::NotRunning) {
    killTimer(m_macroTimerId);
    m_macroTimerId = 0;
    if (PageChangedSince(m_viewedMacro, m_macroSize, m_macroTime)) SetDocumentModified();
    m_macroEditor.reset();
    m_viewedMacro.clear();
  }
}

void CMainFrame::ConvertEditedPage() {
  if (!K7QConvertAfterEditing(m_macro, K7QToPath(m_editedPage))) {
    m_context.Ui().Message(kIdsConversionFailed, K7QIcon::Stop);
  }
}

bool CMainFrame::CopyLargeObjectFiles(const QString& pagePath) {
  const std::string folder = K7QFile::Folder(K7QToPath(pagePath));
  const CK7QBldProfile& profile = m_macro.Profile();
  if (folder == profile.ProfileFolder()) return true;
  bool ok = true;
  for (const CK7QBldDBTable& table : profile.Tables()) {
    for (const CK7QBldProfileColumn& column : table.Columns()) {
      const std::string source = profile.ReferencePath(column);
      if (source.empty()) continue;
      const std::string target = K7QFile::Join(folder, K7QFile::FileName(source));
      long long sourceSize = 0, targetSize = 0, time = 0;
      if (K7QFile::Status(target, targetSize, time) && K7QFile::Status(source, sourceSize, time) &&
          sourceSize == targetSize)
        continue;
      try {
        K7QFile::CopyBinary(source, target);
      } catch (const CK7QBldFileException& e) {
        m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
        ok = false;
      }
    }
  }
  return ok;
}

void CMainFrame::CollapseSidePanel() {
  if (m_takenWidth > 0) return;
  m_takenWidth = m_formView->CollapseTree();
  if (!isMaximized() && m_takenWidth > 0) resize(width() - m_takenWidth, height());
}

void CMainFrame::ExpandSidePanel() {
  if (m_takenWidth <= 0) return;
  m_formView->ExpandTree();
  if (!isMaximized()) resize(width() + m_takenWidth, height());
  m_takenWidth = 0;
}
