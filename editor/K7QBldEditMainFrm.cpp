#include "K7QBldEditMainFrm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMenuBar>

#include "K7QBldEditArtwork.h"
#include "K7QBldEditDoc.h"
#include "K7QBldFindDialog.h"

namespace {
const char kAppTitle[] = "K7QBldEditor";
// Commands of menu 128 that have numbers of their own.
const char kIdEditDelete[] = "32771";
const char kIdEditFindNext[] = "32772";
const char kIdEditReplace[] = "32773";
}  // namespace

CMainFrame::CMainFrame(const QString& title, K7QEditPrompt prompt, QWidget* parent)
    : QMainWindow(parent),
      m_title(title),
      m_prompt(std::move(prompt)),
      m_view(new CK7QBldEditView(this)),
      m_doc(new CK7QBldEditDoc(m_view, this)) {
  setCentralWidget(m_view);
  setWindowIcon(K7QBldEditArtwork::ApplicationIcon());
  CreateMenus();
  connect(m_view->document(), &QTextDocument::modificationChanged, this,
          &QWidget::setWindowModified);
  connect(m_view, &QPlainTextEdit::copyAvailable, this, &CMainFrame::UpdateCommands);
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::UpdateCommands);
  resize(720, 520);
  m_doc->OnNewDocument();
  UpdateFrameTitle();
  UpdateCommands();
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::CreateMenus() {
  auto add = [this](QMenu* menu, const QString& name, const QString& text) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    return action;
  };

  QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  connect(add(file, QStringLiteral("save"), QStringLiteral("上書き保存(&S)\tCtrl+S")),
          &QAction::triggered, this, &CMainFrame::SaveDocument);
  file->addSeparator();
  // Update has no behaviour in this editor: the builder reads the macro back
  // when the editor ends, so there is nothing to push earlier.
  add(file, QStringLiteral("update"), QStringLiteral("更新(&U)\tCtrl+U"))->setEnabled(false);
  connect(add(file, QStringLiteral("close"), QStringLiteral("閉じる(&C)")), &QAction::triggered,
          this, &QWidget::close);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
  // The view handles the keys of cut, copy and paste itself (including
  // Shift+Delete, Ctrl+Insert and Shift+Insert); the entries only show them.
  connect(add(edit, QStringLiteral("cut"), QStringLiteral("切り取り(&T)\tCtrl+X")),
          &QAction::triggered, m_view, &QPlainTextEdit::cut);
  connect(add(edit, QStringLiteral("copy"), QStringLiteral("ｺﾋﾟｰ(&C)\tCtrl+C")),
          &QAction::triggered, m_view, &QPlainTextEdit::copy);
  connect(add(edit, QStringLiteral("paste"), QStringLiteral("貼り付け(&P)\tCtrl+V")),
          &QAction::triggered, m_view, &QPlainTextEdit::paste);
  add(edit, QLatin1String(kIdEditDelete), QStringLiteral("削除(&D)\tCtrl+D"))->setEnabled(false);
  edit->addSeparator();
  QAction* find = add(edit, QStringLiteral("find"), QStringLiteral("検索(&F)...\tCtrl+F"));
  find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  connect(find, &QAction::triggered, this, [this] { ShowFindDialog(false); });
  QAction* findNext = add(edit, QLatin1String(kIdEditFindNext), QStringLiteral("次を検索\tF3"));
  findNext->setShortcut(QKeySequence(Qt::Key_F3));
  connect(findNext, &QAction::triggered, this, &CMainFrame::EditFindNext);
  QAction* replace =
      add(edit, QLatin1String(kIdEditReplace), QStringLiteral("置き換え(&R)...\tCtrl+R"));
  replace->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  connect(replace, &QAction::triggered, this, [this] { ShowFindDialog(true); });

  // Accelerators without a menu entry.
  auto key = [this](const QKeySequence& sequence, auto slot) {
    auto* action = new QAction(this);
    action->setShortcut(sequence);
    addAction(action);
    connect(action, &QAction::triggered, this, slot);
  };
  key(QKeySequence(Qt::CTRL | Qt::Key_N), [this] {
    if (SaveModified()) NewDocument();
  });
  key(QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
    if (!SaveModified()) return;
    const QString path = QFileDialog::getOpenFileName(this, QString(), QString());
    if (!path.isEmpty()) OpenDocumentFile(path);
  });
  key(QKeySequence(Qt::CTRL | Qt::Key_S), [this] { SaveDocument(); });
  key(QKeySequence(Qt::ALT | Qt::Key_Backspace), [this] { m_view->undo(); });
}

QAction* CMainFrame::Action(const QString& name) const { return findChild<QAction*>(name); }

void CMainFrame::UpdateFrameTitle() {
  QString caption = m_doc->Title();
  if (m_doc->IsReadOnly()) caption += QStringLiteral(" (読み取り専用)");
  caption += QStringLiteral("[*] - ");
  caption += m_title.isEmpty() ? QLatin1String(kAppTitle) : m_title;
  setWindowTitle(caption);
  setWindowModified(m_doc->IsModified());
}

void CMainFrame::UpdateCommands() {
  const bool writable = !m_doc->IsReadOnly();
  const bool selection = m_view->textCursor().hasSelection();
  Action(QStringLiteral("save"))->setEnabled(writable);
  Action(QStringLiteral("cut"))->setEnabled(writable && selection);
  Action(QStringLiteral("copy"))->setEnabled(selection);
  Action(QStringLiteral("paste"))->setEnabled(writable && m_view->canPaste());
  Action(QLatin1String(kIdEditReplace))->setEnabled(writable);
  if (m_findDialog) m_findDialog->SetReadOnly(!writable);
}

QMessageBox::StandardButton CMainFrame::Prompt(QMessageBox::Icon icon, const QString& text,
                                               QMessageBox::StandardButtons buttons) {
  if (m_prompt) return m_prompt(icon, text, buttons);
  QMessageBox box(icon, QLatin1String(kAppTitle), text, buttons, this);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void CMainFrame::NewDocument() {
  m_doc->OnNewDocument();
  UpdateFrameTitle();
  UpdateCommands();
}

bool CMainFrame::OpenDocumentFile(const QString& path) {
  QString error;
  if (!m_doc->OnOpenDocument(path, &error)) {
    Prompt(QMessageBox::Critical, error);
    return false;
  }
  UpdateFrameTitle();
  UpdateCommands();
  if (m_doc->IsReadOnly()) Prompt(QMessageBox::Warning, m_doc->ReadOnlyReason());
  return true;
}

bool CMainFrame::SaveDocument() {
  if (m_doc->PathName().isEmpty()) return SaveDocumentAs();
  QString error;
  if (!m_doc->OnSaveDocument(m_doc->PathName(), &error)) {
    Prompt(QMessageBox::Critical, error);
    return false;
  }
  UpdateFrameTitle();
  return true;
}

bool CMainFrame::SaveDocumentAs() {
  if (m_doc->IsReadOnly()) {
    Prompt(QMessageBox::Critical, m_doc->ReadOnlyReason());
    return false;
  }
  const QString path = QFileDialog::getSaveFileName(this, QString(), m_doc->PathName());
  if (path.isEmpty()) return false;
  QString error;
  if (!m_doc->OnSaveDocument(path, &error)) {
    Prompt(QMessageBox::Critical, error);
    return false;
  }
  UpdateFrameTitle();
  return true;
}

bool CMainFrame::SaveModified() {
  if (!m_doc->IsModified()) return true;
  const QMessageBox::StandardButton answer =
      Prompt(QMessageBox::Warning, QStringLiteral("%1 への変更を保存しますか?").arg(m_doc->Title()),
             QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Cancel) return false;
  if (answer == QMessageBox::No) return true;
  return SaveDocument();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (!SaveModified()) {
    event->ignore();
    return;
  }
  if (m_findDialog) m_findDialog->close();
  event->accept();
}

void CMainFrame::ShowFindDialog(bool replace) {
  if (m_findDialog && m_findDialog->IsReplace() != replace) {
    m_lastFind = m_findDialog->Options();
    delete m_findDialog;
  }
  if (!m_findDialog) {
    m_findDialog = new CK7QBldFindDialog(replace, this);
    m_findDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_findDialog, &CK7QBldFindDialog::FindNext, this, &CMainFrame::EditFindNext);
    connect(m_findDialog, &CK7QBldFindDialog::Replace, this, &CMainFrame::EditReplaceNext);
    connect(m_findDialog, &CK7QBldFindDialog::ReplaceAll, this, &CMainFrame::EditReplaceAll);
    connect(m_findDialog, &QDialog::finished, this,
            [this] { m_lastFind = m_findDialog->Options(); });
    SK7QFindOptions options = m_lastFind;
    // A selection within one line is what the author wants to find.
    const QString selected = m_view->SelectedText();
    if (!selected.isEmpty() && !selected.contains(QLatin1Char('\n'))) options.text = selected;
    m_findDialog->SetOptions(options);
    m_findDialog->SetReadOnly(m_doc->IsReadOnly());
  }
  m_findDialog->show();
  m_findDialog->raise();
  m_findDialog->activateWindow();
}

void CMainFrame::EditFindNext() {
  if (m_findDialog) m_lastFind = m_findDialog->Options();
  if (m_lastFind.text.isEmpty()) {
    ShowFindDialog(false);
    return;
  }
  if (!m_view->FindText(m_lastFind))
    Prompt(QMessageBox::Information,
           QStringLiteral("「%1」が見つかりません。").arg(m_lastFind.text));
}

void CMainFrame::EditReplaceNext() {
  if (m_findDialog) m_lastFind = m_findDialog->Options();
  if (m_doc->IsReadOnly() || m_lastFind.text.isEmpty()) return;
  if (!m_view->ReplaceText(m_lastFind))
    Prompt(QMessageBox::Information,
           QStringLiteral("「%1」が見つかりません。").arg(m_lastFind.text));
}

int CMainFrame::EditReplaceAll() {
  if (m_findDialog) m_lastFind = m_findDialog->Options();
  if (m_doc->IsReadOnly() || m_lastFind.text.isEmpty()) return 0;
  const int count = m_view->ReplaceAllText(m_lastFind);
  if (count == 0)
    Prompt(QMessageBox::Information,
           QStringLiteral("「%1」が見つかりません。").arg(m_lastFind.text));
  return count;
}
