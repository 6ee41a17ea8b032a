#include "K7QBldMainFrm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTimerEvent>
#include <QToolBar>
#include <QTreeWidget>

#include "K7QBld.h"
#include "K7QBldArtwork.h"
#include "K7QBldCheck.h"
#include "K7QBldContext.h"
#include "K7QBldDoc.h"
#include "K7QBldEditorProcess.h"
#include "K7QBldFile.h"
#include "K7QBldFormView.h"
#include "K7QBldPageEditing.h"
#include "K7QBldPreview.h"

namespace {

constexpr unsigned kIdsNoPageEditor = 62344;
constexpr unsigned kIdsCannotStartEditor = 62345;
constexpr unsigned kIdsConversionFailed = 62374;
constexpr unsigned kIdsPageEditorStillOpen = 63103;
constexpr unsigned kIdsEditedPageKept = 63108;
constexpr int kIdAppAbout = 57664;
// The object tree's item of the input page.
constexpr int kInputItem = 11;
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
  m_preview = std::make_unique<CK7QBldPreview>(context, *this);
  m_check = std::make_unique<CK7QBldCheck>(context, *this);
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

// The editors are detached programs: they run on when the window goes.
// The database sheet points into the macro's profile: it goes first.
CMainFrame::~CMainFrame() { m_formView->DestroyDatabaseSheet(); }

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
  QAction* preview = AddAction(CK7QBldPreview::kIdPreview, "menu.file.preview",
                               "Pre&view in Browser", [this] { m_preview->Show(); });
  preview->setShortcut(Qt::Key_F5);
  preview->setIcon(s->standardIcon(QStyle::SP_MediaPlay));
  AddAction(CK7QBldCheck::kIdCheck, "menu.file.check", "Chec&k Against Profile...",
            [this] { m_check->OnCheck(); });
  for (int i = 0; i < K7QBldSettings::kRecentFileCount; ++i) {
    AddAction(CK7QBldDoc::kIdFileMru1 + i, "menu.file.recent", "Recent File",
              [&doc, i] { doc.OnFileMru(i + 1); });
  }
  QAction* exitAction = AddAction(kIdAppExit, "menu.file.exit", "E&xit", [this] { close(); });
  exitAction->setShortcut(QKeySequence::Quit);
  QAction* about = AddAction(kIdAppAbout, "menu.help.about", "&About K7QBld...", [] {
    if (CK7QBldApp* app = CK7QBldApp::Instance()) app->OnAppAbout();
  });
  about->setIcon(s->standardIcon(QStyle::SP_MessageBoxInformation));

  QMenu* file = menuBar()->addMenu(m_context.Text("menu.file", "&File"));
  file->addActions({fileNew, fileOpen, fileSave, Action(CK7QBldDoc::kIdFileSaveAs)});
  file->addSeparator();
  file->addActions({profile, view, preview, Action(CK7QBldCheck::kIdCheck),
                    Action(CK7QBldDoc::kIdWriteConvertedCopy)});
  file->addSeparator();
  for (int i = 0; i < K7QBldSettings::kRecentFileCount; ++i)
    file->addAction(Action(CK7QBldDoc::kIdFileMru1 + i));
  file->addSeparator();
  file->addAction(exitAction);
  QMenu* viewMenu = menuBar()->addMenu(m_context.Text("menu.view", "&View"));
  QMenu* help = menuBar()->addMenu(m_context.Text("menu.help", "&Help"));
  help->addAction(about);

  QToolBar* tools = addToolBar(m_context.Text("toolbar", "Standard"));
  tools->setObjectName(QStringLiteral("128"));
  tools->addActions({fileNew, fileOpen, fileSave});
  tools->addSeparator();
  tools->addActions({profile, view, preview});
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
  Action(CK7QBldPreview::kIdPreview)->setEnabled(m_macro.Profile().IsLoaded());
  Action(CK7QBldCheck::kIdCheck)->setEnabled(m_macro.Profile().IsLoaded());
  const QStringList recent = m_document->RecentList();
  for (int i = 0; i < K7QBldSettings::kRecentFileCount; ++i) {
    QAction* mru = Action(CK7QBldDoc::kIdFileMru1 + i);
    const QString file = recent.value(i);
    mru->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(
        file.isEmpty() ? m_context.Text("menu.file.recent", "Recent File")
                       : QFileInfo(file).fileName().replace('&', QLatin1String("&&"))));
    mru->setStatusTip(file);
    mru->setEnabled(!file.isEmpty());
    // The first entry is always listed, as the place where recent files appear.
    mru->setVisible(i == 0 || !file.isEmpty());
  }
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

namespace {

// `rect` moved (and shrunk where needed) into the available area of the
// screen it overlaps most, else of the primary screen: a placement stored on
// a screen that is gone must not open the window out of sight.
QRect OnVisibleScreen(const QRect& rect) {
  const QScreen* best = QGuiApplication::primaryScreen();
  long long bestArea = 0;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect overlap = screen->availableGeometry().intersected(rect);
    const long long area = overlap.isEmpty() ? 0 : 1LL * overlap.width() * overlap.height();
    if (area > bestArea) {
      bestArea = area;
      best = screen;
    }
  }
  if (!best) return rect;
  const QRect area = best->availableGeometry();
  QRect placed(rect.topLeft(), rect.size().boundedTo(area.size()));
  if (placed.right() > area.right()) placed.moveRight(area.right());
  if (placed.bottom() > area.bottom()) placed.moveBottom(area.bottom());
  if (placed.left() < area.left()) placed.moveLeft(area.left());
  if (placed.top() < area.top()) placed.moveTop(area.top());
  return placed;
}

}  // namespace

void CMainFrame::RestoreAndShow(unsigned callerShowCmd) {
  using namespace K7QBldSettings;
  unsigned showCmd = callerShowCmd;
  WindowPlacement stored;
  if (ParseWindowPos(Value(kSettings, QStringLiteral("WindowPos")), stored)) {
    if (stored.normal.isValid()) setGeometry(OnVisibleScreen(stored.normal));
    // A builder closed minimised opens normal: only the caller may ask for minimised.
    if (callerShowCmd == kShowNormal && stored.showCmd == kShowMaximized) showCmd = kShowMaximized;
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
  if (!ConfirmPageEditorClosed(true) || !m_document->SaveModified()) {
    event->ignore();
    return;
  }
  K7QBldSettings::SetValue(K7QBldSettings::kSettings, QStringLiteral("WindowPos"),
                           K7QBldSettings::FormatWindowPos(CurrentPlacement()));
  m_preview->Stop();
  m_document->OnCloseDocument();
  QMainWindow::closeEvent(event);
}

// ---- external editors --------------------------------------------------------

QString CMainFrame::PageEditorProgram() {
  QSettings appPaths(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
                     QStringLiteral("AppPaths"));
  appPaths.beginGroup(QLatin1String(kPageEditorEntry));
  // Without an entry of its own the user has the installation's page
  // editor, the macro text editor beside the builder.
  if (appPaths.childKeys().isEmpty()) {
    const QString installed = K7QBldSettings::BinFolder() + QStringLiteral("K7QBldEditor");
    if (QFileInfo(installed).isExecutable()) return installed;
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

bool CMainFrame::ConfirmPageEditorClosed(bool macroGoes) {
  IK7QBldUserInterface& ui = m_context.Ui();
  while (m_pageEditor) {
    if (!m_pageEditor->IsRunning()) {
      // Closed: its page comes into this macro before anything else happens.
      FinishPageEdit(false);
      return true;
    }
    const std::string text = ui.String(kIdsPageEditorStillOpen) + "\n\n" + K7QToPath(m_editedPage);
    switch (
        ui.Prompt(kIdsPageEditorStillOpen, text, K7QIcon::Exclamation, K7QButtons::YesNoCancel)) {
      case kIdYes:
        // The editor may take a moment to end after its window closed.
        m_pageEditor->WaitForEnd(2000);
        continue;
      case kIdNo:
        // Left open: what the author saves there from now on is theirs, and
        // it never comes into this macro or the next one.
        if (macroGoes) m_document->Core().KeepFile(K7QToPath(m_editedPage));
        StopTimer(m_pageTimerId);
        m_pageEditor.reset();
        ExpandSidePanel();
        return true;
      default:
        return false;
    }
  }
  return true;
}

bool CMainFrame::EditPage(int itemCode, const QString& pagePath) {
  if (!ConfirmPageEditorClosed(false)) return false;
  QString program = PageEditorProgram();
  if (program.isEmpty()) return false;
  const std::string page = K7QToPath(pagePath);
  try {
    if (!pagePath.isEmpty() && K7QFile::Exists(page)) {
      // The page becomes the editor's working copy; until a conversion of it
      // succeeds, the macro keeps the page in macro form as its converted page,
      // and that is what a save writes.
      const std::string converted = CK7QBldGroceries::ChangeExtension(page, "htm", "cvt");
      if (!converted.empty() && !K7QFile::Exists(converted)) K7QFile::CopyBinary(page, converted);
      K7QPrepareForEditing(m_macro, page);
    }
  } catch (const CK7QBldFileException& e) {
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  // Taken before the editor starts: an editor quicker than this process
  // would otherwise have saved already, and its change would go unseen.
  long long size = 0, time = 0;
  if (!K7QFile::Status(page, size, time)) size = 0;
  auto process = std::make_unique<CK7QBldEditorProcess>();
  for (;;) {
    const QString commandLine = QStringLiteral("\"%1\" \"%2\"").arg(program, pagePath);
    if (process->Start(commandLine)) break;
    program = AskEditorPath(program);
    if (program.isEmpty()) return false;
  }
  m_pageEditor = std::move(process);
  m_editedItemCode = itemCode;
  m_editedPage = pagePath;
  m_pageSize = size;
  m_pageTime = time;
  if (!m_pageTimerId) m_pageTimerId = startTimer(kPollMs);
  return true;
}

bool CMainFrame::ViewMacro(const QString& macroPath, const QString& title) {
  const QString editor =
      K7QBldSettings::Value(K7QBldSettings::kFilePath, QStringLiteral("EditorPath"));
  const QString commandLine = QStringLiteral("\"%1\" \"%2\" -t %3").arg(editor, macroPath, title);
  auto process = std::make_unique<CK7QBldEditorProcess>();
  if (!process->Start(commandLine)) {
    m_context.Ui().Message(kIdsCannotStartEditor, K7QIcon::Stop);
    return false;
  }
  // Another editor started before keeps running; the macro is checked when any of them ends.
  m_macroEditors.push_back(std::move(process));
  if (!m_macroTimerId) m_macroTimerId = startTimer(kPollMs);
  return true;
}

bool CMainFrame::ViewPageText(const QString& pagePath, const QString& title) {
  const QString editor =
      K7QBldSettings::Value(K7QBldSettings::kFilePath, QStringLiteral("EditorPath"));
  const QString commandLine = QStringLiteral("\"%1\" \"%2\" -t %3").arg(editor, pagePath, title);
  PageTextEditor watched;
  watched.page = pagePath;
  // Before the start, as for the page editor.
  if (!K7QFile::Status(K7QToPath(pagePath), watched.size, watched.time)) watched.size = 0;
  watched.process = std::make_unique<CK7QBldEditorProcess>();
  if (!watched.process->Start(commandLine)) {
    m_context.Ui().Message(kIdsCannotStartEditor, K7QIcon::Stop);
    return false;
  }
  m_pageTextEditors.push_back(std::move(watched));
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

void CMainFrame::StopTimer(int& id) {
  if (id) killTimer(id);
  id = 0;
}

void CMainFrame::PollEditors() {
  // A message box shown from here runs the timers again inside it. While
  // a modal window of a page is open (the statement sheet, a function's
  // messages) the page under it must not be replaced: the end of an editor
  // is taken up once that window has closed.
  if (m_polling || QApplication::activeModalWidget()) return;
  m_polling = true;
  if (m_pageEditor && !m_pageEditor->IsRunning()) FinishPageEdit(true);
  const auto ended = std::remove_if(m_macroEditors.begin(), m_macroEditors.end(),
                                    [](const auto& editor) { return !editor->IsRunning(); });
  if (ended != m_macroEditors.end()) m_macroCheckPending = true;
  m_macroEditors.erase(ended, m_macroEditors.end());
  // The macro is read again only while no page editor could still bring a
  // page into the macro being replaced.
  if (!m_pageEditor && (m_macroCheckPending || !m_macroEditors.empty())) {
    m_macroCheckPending = false;
    m_document->CheckMacroOnDisk();
  }
  for (auto it = m_pageTextEditors.begin(); it != m_pageTextEditors.end();) {
    if (it->process->IsRunning()) {
      ++it;
      continue;
    }
    if (PageChangedSince(it->page, it->size, it->time)) SetDocumentModified();
    it = m_pageTextEditors.erase(it);
  }
  if (m_macroEditors.empty() && !m_macroCheckPending && m_pageTextEditors.empty())
    StopTimer(m_macroTimerId);
  m_polling = false;
}

void CMainFrame::FinishPageEdit(bool reselect) {
  StopTimer(m_pageTimerId);
  m_pageEditor.reset();
  ExpandSidePanel();
  // The shown page's rows go into the macro before the conversion changes
  // the function list, and the page then shows the list as converted: a
  // page still holding the old list would store it over the new one.
  m_formView->StoreCurrentPage();
  const bool converted = ConvertEditedPage();
  m_formView->Refresh();
  if (reselect) m_formView->SelectItem(m_editedItemCode, true);
  if (!PageChangedSince(m_editedPage, m_pageSize, m_pageTime)) return;
  SetDocumentModified();
  // A page the author changed may be looked at in the browser at once
  // (not while the macro is on its way out).
  // A function's own page shows where the report calls it.
  if (converted && reselect)
    m_preview->OfferAfterConversion(m_editedItemCode == kInputItem ? CK7QBldPreview::Page::Input
                                                                   : CK7QBldPreview::Page::Report);
}

bool CMainFrame::ConvertEditedPage() {
  if (K7QConvertAfterEditing(m_macro, K7QToPath(m_editedPage))) return true;
  // The edited page stays for another try; the macro keeps its last good form.
  IK7QBldUserInterface& ui = m_context.Ui();
  ui.Prompt(kIdsConversionFailed,
            ui.String(kIdsConversionFailed) + "\n\n" + ui.String(kIdsEditedPageKept) + "\n" +
                K7QToPath(m_editedPage),
            K7QIcon::Stop, K7QButtons::Ok);
  return false;
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
