#include "K7QBldFunction.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "K7QBldArtwork.h"
#include "K7QBldContext.h"
#include "K7QBldCp932.h"
#include "K7QBldCustomSheet.h"
#include "K7QBldFile.h"
#include "K7QBldFunctionCalls.h"
#include "K7QBldMacro.h"
#include "K7QBldMacroFile.h"
#include "K7QBldMessage.h"

namespace {

constexpr unsigned kIdsFunctionHeading = 62229;
constexpr unsigned kIdsCommentHeading = 62230;
constexpr unsigned kIdsInputPage = 62182;
constexpr unsigned kIdsReportPage = 62183;
constexpr unsigned kIdsStatementSheet = 62242;
constexpr unsigned kIdsFunctionTextTitle = 62244;
constexpr unsigned kIdsEmptyName = 62323;
constexpr unsigned kIdsReplaceComment = 62328;
constexpr unsigned kIdsUnusableName = 63500;
constexpr unsigned kIdsStillCalled = 63504;
constexpr unsigned kIdsSqlNotEditable = 63510;
constexpr unsigned kIdsCommentBreaksSection = 63511;
constexpr unsigned kIdsNotCp932 = 63030;

bool SameEntry(const CK7QBldFunctionEntry& a, const CK7QBldFunctionEntry& b) {
  return a.flag == b.flag && a.kind == b.kind && a.name == b.name && a.comment == b.comment &&
         a.page == b.page && a.statement == b.statement && a.messages == b.messages &&
         a.sqlText == b.sqlText;
}

}  // namespace

QIcon CK7QBldFunction::Icon(bool builderMade) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  if (builderMade) {
    // A table of rows with the loop's arrow: made from a loop of a page.
    p.setPen(QColor(0x2b, 0x3a, 0x55));
    p.setBrush(QColor(0xdd, 0xe8, 0xf8));
    p.drawRect(QRectF(1.5, 2.5, 10, 11));
    for (int y = 6; y <= 10; y += 4) p.drawLine(QPointF(1.5, y + 0.5), QPointF(11.5, y + 0.5));
    p.setPen(QPen(QColor(0x80, 0x00, 0x80), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(8.5, 1.5, 6, 8), 90 * 16, -270 * 16);
    p.drawLine(QPointF(11.5, 1.5), QPointF(13.5, 0.5));
  } else {
    // A page with a pencil: written by the author.
    p.setPen(QColor(0x55, 0x55, 0x55));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 1.5, 9, 13));
    p.setPen(QColor(0x99, 0x99, 0x99));
    for (int y = 4; y <= 10; y += 3) p.drawLine(QPointF(4, y + 0.5), QPointF(10, y + 0.5));
    p.setPen(QPen(QColor(0xc0, 0x70, 0x10), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14.5, 5), QPointF(8, 13));
  }
  return QIcon(pixmap);
}

CK7QBldFunction::CK7QBldFunction(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent)
    : QWidget(parent), m_context(context), m_frame(frame) {
  setObjectName(QStringLiteral("142"));
  auto* outer = new QHBoxLayout(this);
  auto* picture = new QLabel(this);
  picture->setObjectName(QString::number(kIdPicture));
  picture->setPixmap(K7QBldArtwork::Banner(110, 260));
  outer->addWidget(picture, 0, Qt::AlignTop);
  auto* grid = new QGridLayout;
  outer->addLayout(grid, 1);

  auto* title = new QLabel(m_context.Text("function.title", "Functions"), this);
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  title->setFont(bold);
  grid->addWidget(title, 0, 0, 1, 4);

  m_list = new QTreeWidget(this);
  m_list->setObjectName(QStringLiteral("list"));
  m_list->setRootIsDecorated(false);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setHeaderLabels(
      {m_context.String(kIdsFunctionHeading), m_context.String(kIdsCommentHeading)});
  m_list->installEventFilter(this);
  // The columns share the viewport's width, whatever the layout gives it.
  m_list->viewport()->installEventFilter(this);
  grid->addWidget(m_list, 1, 0, 1, 4);

  grid->addWidget(new QLabel(m_context.String(kIdsFunctionHeading), this), 2, 0);
  m_name = new QLineEdit(this);
  m_name->setObjectName(QStringLiteral("name"));
  grid->addWidget(m_name, 2, 1, 1, 3);
  grid->addWidget(new QLabel(m_context.String(kIdsCommentHeading), this), 3, 0);
  m_comment = new QLineEdit(this);
  m_comment->setObjectName(QStringLiteral("comment"));
  grid->addWidget(m_comment, 3, 1, 1, 3);

  auto button = [this](int id, const char* key, const char* fallback) {
    auto* b = new QPushButton(m_context.Text(key, fallback), this);
    b->setObjectName(QString::number(id));
    return b;
  };
  QPushButton* add = button(kIdAdd, "button.add", "&Add");
  m_delete = button(kIdDelete, "button.delete", "&Delete");
  m_editPage = button(kIdEditPage, "function.editPage", "Edit &Page");
  m_editText = button(kIdEditText, "function.editText", "Edit &Text");
  m_statement = button(kIdStatement, "function.statement", "&Statement...");
  m_messages = button(kIdMessages, "function.messages", "&Messages...");
  auto* commands = new QHBoxLayout;
  for (QPushButton* b : {add, m_delete, m_editPage, m_editText, m_statement, m_messages})
    commands->addWidget(b);
  commands->addStretch(1);
  grid->addLayout(commands, 4, 0, 1, 4);

  auto* moves = new QHBoxLayout;
  moves->addStretch(1);
  QPushButton* previous = button(kIdPrevious, "button.previous", "< &Back");
  QPushButton* next = button(kIdNext, "button.next", "&Next >");
  QPushButton* ok = button(kIdOk, "button.ok", "OK");
  moves->addWidget(previous);
  moves->addWidget(next);
  moves->addWidget(ok);
  grid->addLayout(moves, 5, 0, 1, 4);
  grid->setColumnStretch(1, 1);

  const CK7QBldFunctionBlock& functions = m_frame.Macro().Functions();
  for (int i = 0; i < functions.GetCount(); ++i) {
    m_rows.push_back(*functions.Entry(i));
    AddListRow(m_rows.back());
  }

  connect(add, &QPushButton::clicked, this, &CK7QBldFunction::OnAdd);
  connect(m_delete, &QPushButton::clicked, this, &CK7QBldFunction::OnDelete);
  connect(m_editPage, &QPushButton::clicked, this, &CK7QBldFunction::OnEditPage);
  connect(m_editText, &QPushButton::clicked, this, &CK7QBldFunction::OnEditText);
  connect(m_statement, &QPushButton::clicked, this, &CK7QBldFunction::OnStatement);
  connect(m_messages, &QPushButton::clicked, this, &CK7QBldFunction::OnMessages);
  connect(next, &QPushButton::clicked, this, &CK7QBldFunction::OnNext);
  connect(ok, &QPushButton::clicked, this, &CK7QBldFunction::OnNext);
  connect(previous, &QPushButton::clicked, this, &CK7QBldFunction::OnPrevious);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CK7QBldFunction::ShowRow);
  connect(m_list, &QTreeWidget::itemClicked, this, &CK7QBldFunction::ShowRow);
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, &CK7QBldFunction::OnNext);
  UpdateButtons();
}

QTreeWidgetItem* CK7QBldFunction::AddListRow(const CK7QBldFunctionEntry& row) {
  auto* item = new QTreeWidgetItem(m_list, {K7QFromCp932(row.name), K7QFromCp932(row.comment)});
  item->setIcon(0, Icon(row.flag == kFunctionBuilderMade));
  return item;
}

int CK7QBldFunction::CurrentRow() const {
  QTreeWidgetItem* item = m_list->currentItem();
  if (!item || !item->isSelected()) return -1;
  return m_list->indexOfTopLevelItem(item);
}

bool CK7QBldFunction::SelectRow(const QString& name) {
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = m_list->topLevelItem(i);
    if (item->text(0).compare(name, Qt::CaseInsensitive) != 0) continue;
    m_list->clearSelection();
    m_list->setCurrentItem(item);
    item->setSelected(true);
    return true;
  }
  return false;
}

void CK7QBldFunction::ShowRow() {
  const int row = CurrentRow();
  if (row >= 0) {
    m_name->setText(K7QFromCp932(m_rows[static_cast<std::size_t>(row)].name));
    m_comment->setText(K7QFromCp932(m_rows[static_cast<std::size_t>(row)].comment));
  }
  UpdateButtons();
}

void CK7QBldFunction::UpdateButtons() {
  const bool rows = !m_rows.empty();
  m_list->setEnabled(rows);
  m_delete->setEnabled(rows);
  const int row = CurrentRow();
  const bool builderMade =
      row >= 0 && m_rows[static_cast<std::size_t>(row)].flag == kFunctionBuilderMade;
  m_editText->setEnabled(row >= 0 && builderMade);
  m_editPage->setEnabled(row >= 0 && !builderMade && !m_frame.PageEditorRunning() &&
                         m_frame.Macro().Profile().IsLoaded());
  m_statement->setEnabled(row >= 0);
  m_messages->setEnabled(row >= 0);
}

std::string CK7QBldFunction::PagePath(const std::string& name) const {
  const CK7QBldProfile& profile = m_frame.Macro().Profile();
  // Without a profile there is no folder for the page; saving gives it one.
  if (!profile.IsLoaded()) return {};
  return K7QFile::Join(profile.ProfileFolder(), m_frame.MacroTitle() + "_" + name + ".htm");
}

bool CK7QBldFunction::OnAdd() {
  IK7QBldUserInterface& ui = m_context.Ui();
  const QString name = m_name->text().trimmed();
  const QString comment = m_comment->text().trimmed();
  if (name.isEmpty()) {
    ui.Message(kIdsEmptyName);
    return false;
  }
  std::string nameBytes, commentBytes;
  if (!K7QToCp932(name, nameBytes) || !K7QToCp932(comment, commentBytes)) {
    ui.Message(kIdsNotCp932);
    return false;
  }
  if (!CK7QBldFunctionBlock::IsUsableName(nameBytes)) {
    ui.Prompt(kIdsUnusableName, ui.String(kIdsUnusableName) + "\n\n" + name.toStdString(),
              K7QIcon::Exclamation, K7QButtons::Ok);
    return false;
  }
  // The comment stands between "%{" and "%}" in the macro.
  std::string_view keyword;
  if (CK7QBldMacroFile::FindSectionKeyword(commentBytes, 0, keyword) != std::string_view::npos) {
    ui.Prompt(kIdsCommentBreaksSection,
              ui.String(kIdsCommentBreaksSection) + "\n\n" + std::string(keyword),
              K7QIcon::Exclamation, K7QButtons::Ok);
    return false;
  }
  int existing = -1;
  for (std::size_t i = 0; i < m_rows.size() && existing < 0; ++i) {
    if (CK7QBldGroceries::EqualNoCase(m_rows[i].name, nameBytes)) existing = static_cast<int>(i);
  }
  if (existing >= 0) {
    if (ui.Message(kIdsReplaceComment, K7QIcon::Exclamation, K7QButtons::YesNo) == kIdYes) {
      m_rows[static_cast<std::size_t>(existing)].comment = commentBytes;
      m_list->topLevelItem(existing)->setText(1, comment);
    }
  } else {
    CK7QBldFunctionEntry row;
    row.flag = kFunctionAuthor;
    row.kind = kReportKindNone;
    row.name = nameBytes;
    row.comment = commentBytes;
    row.page = PagePath(nameBytes);
    m_rows.push_back(std::move(row));
    AddListRow(m_rows.back());
  }
  m_name->clear();
  m_comment->clear();
  UpdateButtons();
  return true;
}

bool CK7QBldFunction::ConfirmUncalled(std::size_t row) {
  std::vector<const CK7QBldFunctionEntry*> others;
  for (std::size_t i = 0; i < m_rows.size(); ++i) {
    if (i != row) others.push_back(&m_rows[i]);
  }
  const auto callers = CK7QBldFunctionCalls::Find(m_frame.Macro(), m_rows[row].name, others);
  if (callers.empty()) return true;
  IK7QBldUserInterface& ui = m_context.Ui();
  std::string text =
      ui.String(kIdsStillCalled) + "\n\n" + K7QCp932::ToUtf8(m_rows[row].name) + "\n";
  for (const CK7QBldFunctionCalls::Caller& caller : callers) {
    text += "    ";
    switch (caller.kind) {
      case CK7QBldFunctionCalls::Kind::InputPage:
        text += ui.String(kIdsInputPage);
        break;
      case CK7QBldFunctionCalls::Kind::ReportPage:
        text += ui.String(kIdsReportPage);
        break;
      case CK7QBldFunctionCalls::Kind::Function:
        text += ui.String(kIdsFunctionHeading) + " " + K7QCp932::ToUtf8(caller.function);
        break;
    }
    text += "\n";
  }
  return ui.Prompt(kIdsStillCalled, text, K7QIcon::Exclamation, K7QButtons::YesNo) == kIdYes;
}

bool CK7QBldFunction::DeletePageFiles(const std::string& page) {
  if (page.empty()) return true;
  try {
    // A converted page left behind would be taken for the page of a new
    // function of the same name.
    K7QFile::Delete(page);
    const std::string converted = CK7QBldGroceries::ChangeExtension(page, "htm", "cvt");
    if (!converted.empty()) K7QFile::Delete(converted);
  } catch (const CK7QBldFileException& e) {
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

void CK7QBldFunction::OnDelete() {
  // Rows kept after a question stay selected; they are not asked about twice.
  std::vector<QTreeWidgetItem*> kept;
  for (;;) {
    QTreeWidgetItem* item = nullptr;
    for (QTreeWidgetItem* selected : m_list->selectedItems()) {
      if (std::find(kept.begin(), kept.end(), selected) == kept.end() &&
          (!item || m_list->indexOfTopLevelItem(selected) < m_list->indexOfTopLevelItem(item)))
        item = selected;
    }
    if (!item) break;
    const auto row = static_cast<std::size_t>(m_list->indexOfTopLevelItem(item));
    if (!ConfirmUncalled(row) || !DeletePageFiles(m_rows[row].page)) {
      kept.push_back(item);
      continue;
    }
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(row));
    delete item;
  }
  if (m_rows.empty()) {
    m_name->clear();
    m_comment->clear();
  }
  UpdateButtons();
}

bool CK7QBldFunction::OnEditPage() {
  const int index = CurrentRow();
  if (index < 0) return false;
  CK7QBldFunctionEntry& row = m_rows[static_cast<std::size_t>(index)];
  if (row.flag != kFunctionAuthor || !m_frame.Macro().Profile().IsLoaded()) return false;
  if (row.page.empty()) row.page = PagePath(row.name);
  const std::string page = row.page;
  // The macro knows this function and the rows typed here before anything
  // converts. From here on the macro's list is the one: closing a page
  // editor that still runs converts its page, which may change the list,
  // and shows this page afresh.
  Store();
  // One page editor at a time, as for the input and report pages.
  if (!m_frame.ConfirmPageEditorClosed(false)) return false;
  // A function the author has just added has no page yet: it starts empty.
  try {
    if (!K7QFile::Exists(page)) K7QFile::WriteAll(page, "");
  } catch (const CK7QBldFileException& e) {
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  const QString path = K7QFromPath(page);
  m_frame.CollapseSidePanel();
  m_frame.CopyLargeObjectFiles(path);
  if (!m_frame.EditPage(kTreeCode, path)) {
    m_frame.ExpandSidePanel();
    return false;
  }
  UpdateButtons();
  return true;
}

bool CK7QBldFunction::OnEditText() {
  const int index = CurrentRow();
  if (index < 0) return false;
  CK7QBldFunctionEntry& row = m_rows[static_cast<std::size_t>(index)];
  if (row.flag != kFunctionBuilderMade) return false;
  if (row.page.empty()) row.page = PagePath(row.name);
  if (row.page.empty()) return false;
  if (!m_frame.ViewPageText(K7QFromPath(row.page), m_context.String(kIdsFunctionTextTitle)))
    return false;
  Store();
  return true;
}

int CK7QBldFunction::OnStatement() {
  const int index = CurrentRow();
  if (index < 0) return CK7QBldCustomSheet::kIdCancel;
  const auto at = static_cast<std::size_t>(index);
  IK7QBldUserInterface& ui = m_context.Ui();
  // SQL that the statement object cannot give back (an UPDATE, a GROUP BY,
  // lower-case keywords) would be replaced by what the page shows of it.
  if (!m_rows[at].sqlText.empty() &&
      ui.Prompt(kIdsSqlNotEditable,
                ui.String(kIdsSqlNotEditable) + "\n\n" + K7QCp932::ToUtf8(m_rows[at].sqlText),
                K7QIcon::Exclamation, K7QButtons::YesNo) != kIdYes)
    return CK7QBldCustomSheet::kIdCancel;
  CK7QBldCustomSheet sheet(m_context, m_frame.Macro(), kIdsStatementSheet, m_rows[at].kind,
                           m_rows[at].statement, this);
  sheet.m_onStored = [this, at](bool changed) {
    if (changed) m_rows[at].sqlText.clear();
    Store();
  };
  return sheet.DoModal();
}

bool CK7QBldFunction::OnMessages() {
  const int index = CurrentRow();
  if (index < 0) return false;
  CK7QBldMessage dialog(m_context, m_rows[static_cast<std::size_t>(index)].messages,
                        CK7QBldMessage::kModeFunction, this);
  if (dialog.exec() != QDialog::Accepted) return false;
  Store();
  return true;
}

bool CK7QBldFunction::Store() {
  CK7QBldFunctionBlock& functions = m_frame.Macro().Functions();
  bool changed = functions.GetCount() != static_cast<int>(m_rows.size());
  for (std::size_t i = 0; i < m_rows.size() && !changed; ++i)
    changed = !SameEntry(*functions.Entry(static_cast<int>(i)), m_rows[i]);
  if (!changed) return false;
  // Built aside, so that a failure leaves the list as it was.
  CK7QBldFunctionBlock stored(m_context.groceries);
  for (const CK7QBldFunctionEntry& row : m_rows) {
    // The report kind and the author's SQL text go with the row: a table
    // loop must open again as a table, and SQL the statement object cannot
    // give back must not be rewritten.
    const int index = stored.Add(row.flag, row.name, row.comment, row.page, row.statement,
                                 row.messages, row.kind);
    if (index < 0) return false;
    stored.SetSqlText(index, row.sqlText);
  }
  functions.Swap(stored);
  m_context.groceries.SetDocumentModified();
  return true;
}

void CK7QBldFunction::OnNext() {
  Store();
  m_context.groceries.SelectNextObject();
}

void CK7QBldFunction::OnPrevious() {
  Store();
  m_context.groceries.SelectPreviousObject();
}

bool CK7QBldFunction::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list->viewport() && event->type() == QEvent::Resize) {
    const int half = m_list->viewport()->width() / 2 - 2;
    m_list->setColumnWidth(0, half);
    m_list->setColumnWidth(1, half);
  }
  if (watched == m_list && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space && CurrentRow() >= 0) {
    OnNext();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
