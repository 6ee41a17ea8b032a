#include "K7QBldMessage.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "K7QBldArtwork.h"
#include "K7QBldContext.h"
#include "K7QBldMessageBlock.h"
#include "K7QBldSqlCodeTable.h"

namespace {

constexpr unsigned kIdsReportTitle = 62181;
constexpr unsigned kIdsFunctionTitle = 62241;
constexpr unsigned kIdsCodeHeading = 62226;
constexpr unsigned kIdsTextHeading = 62227;
constexpr unsigned kIdsActionHeading = 62228;
constexpr unsigned kIdsEmptyText = 62330;
constexpr unsigned kIdsNoAction = 62331;
constexpr unsigned kIdsReplaceMessage = 62332;
constexpr unsigned kIdsEmptyCode = 62333;
constexpr unsigned kIdsBadCode = 62334;
constexpr unsigned kIdsUnreadableText = 63501;
constexpr unsigned kIdsNotCp932 = 63030;

constexpr int kActionRole = Qt::UserRole;

QString ActionWord(int action) {
  return QString::fromLatin1(CK7QBldMessageItem::ActionWord(action));
}

}  // namespace

CK7QBldMessage::CK7QBldMessage(CK7QBldContext& context, CK7QBldMessageBlock& block, Mode mode,
                               QWidget* parent)
    : QDialog(parent), m_context(context), m_block(block), m_mode(mode) {
  setObjectName(QStringLiteral("149"));
  if (mode == kModeReport) setWindowFlags(Qt::Widget);
  setWindowTitle(m_context.String(mode == kModeReport ? kIdsReportTitle : kIdsFunctionTitle));

  auto* outer = new QHBoxLayout(this);
  auto* picture = new QLabel(this);
  picture->setObjectName(QString::number(kIdPicture));
  picture->setPixmap(K7QBldArtwork::Banner(110, 260));
  outer->addWidget(picture, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout;
  outer->addLayout(layout, 1);

  auto* title = new QLabel(m_context.String(kIdsReportTitle), this);
  title->setObjectName(QString::number(kIdReportTitle));
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSize(bold.pointSize() + 2);
  title->setFont(bold);
  layout->addWidget(title);
  auto* reportHelp = new QLabel(m_context.Text("message.report.help"), this);
  reportHelp->setObjectName(QString::number(kIdReportHelp));
  reportHelp->setWordWrap(true);
  layout->addWidget(reportHelp);
  auto* functionHelp = new QLabel(m_context.Text("message.function.help"), this);
  functionHelp->setObjectName(QString::number(kIdFunctionHelp));
  functionHelp->setWordWrap(true);
  layout->addWidget(functionHelp);

  auto* frame = new QGroupBox(m_context.Text("message.position", "Message section"), this);
  frame->setObjectName(QString::number(kIdPositionFrame));
  auto* frameLayout = new QHBoxLayout(frame);
  m_before = new QRadioButton(m_context.Text("message.before", "&Before the report"), frame);
  m_before->setObjectName(QString::number(kIdBefore));
  m_after = new QRadioButton(m_context.Text("message.after", "A&fter the report"), frame);
  m_after->setObjectName(QString::number(kIdAfter));
  frameLayout->addWidget(m_before);
  frameLayout->addWidget(m_after);
  frameLayout->addStretch(1);
  layout->addWidget(frame);

  m_list = new QTreeWidget(this);
  m_list->setObjectName(QString::number(kIdList));
  m_list->setRootIsDecorated(false);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setHeaderLabels({m_context.String(kIdsCodeHeading), m_context.String(kIdsTextHeading),
                           m_context.String(kIdsActionHeading)});
  m_list->installEventFilter(this);
  // The columns share the viewport's width, whatever the layout gives it.
  m_list->viewport()->installEventFilter(this);
  layout->addWidget(m_list, 1);

  auto* fields = new QGridLayout;
  m_code = new QComboBox(this);
  m_code->setObjectName(QString::number(kIdCode));
  m_code->setEditable(true);
  m_code->setInsertPolicy(QComboBox::NoInsert);
  m_text = new QComboBox(this);
  m_text->setObjectName(QString::number(kIdText));
  m_text->setEditable(true);
  m_text->setInsertPolicy(QComboBox::NoInsert);
  m_action = new QComboBox(this);
  m_action->setObjectName(QString::number(kIdAction));
  fields->addWidget(new QLabel(m_context.String(kIdsCodeHeading), this), 0, 0);
  fields->addWidget(m_code, 0, 1);
  fields->addWidget(new QLabel(m_context.String(kIdsActionHeading), this), 0, 2);
  fields->addWidget(m_action, 0, 3);
  fields->addWidget(new QLabel(m_context.String(kIdsTextHeading), this), 1, 0);
  fields->addWidget(m_text, 1, 1, 1, 3);
  fields->setColumnStretch(1, 1);
  layout->addLayout(fields);

  auto button = [this](int id, const char* key, const char* fallback) {
    auto* b = new QPushButton(m_context.Text(key, fallback), this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
  };
  auto* row = new QHBoxLayout;
  QPushButton* add = button(kIdAdd, "button.add", "&Add");
  m_delete = button(kIdDelete, "button.delete", "&Delete");
  row->addWidget(add);
  row->addWidget(m_delete);
  row->addStretch(1);
  QPushButton* previous = button(kIdPrevious, "button.previous", "< &Back");
  QPushButton* next = button(kIdNext, "button.next", "&Next >");
  QPushButton* ok = button(kIdOk, "button.ok", "OK");
  QPushButton* cancel = button(kIdCancel, "blocks.cancel", "Cancel");
  ok->setDefault(true);
  row->addWidget(previous);
  row->addWidget(next);
  row->addWidget(ok);
  row->addWidget(cancel);
  layout->addLayout(row);

  if (mode == kModeReport) {
    frame->hide();
    frame->setEnabled(false);
    functionHelp->hide();
    cancel->hide();
  } else {
    previous->hide();
    previous->setEnabled(false);
    next->hide();
    next->setEnabled(false);
    title->hide();
    reportHelp->hide();
    (m_block.GetPosition() != 0 ? m_after : m_before)->setChecked(true);
  }

  connect(add, &QPushButton::clicked, this, &CK7QBldMessage::OnAdd);
  connect(m_delete, &QPushButton::clicked, this, &CK7QBldMessage::OnDelete);
  connect(next, &QPushButton::clicked, this, &CK7QBldMessage::OnNext);
  connect(ok, &QPushButton::clicked, this, &CK7QBldMessage::OnNext);
  connect(previous, &QPushButton::clicked, this, &CK7QBldMessage::OnPrevious);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_code, &QComboBox::activated, this, &CK7QBldMessage::OnCodeChosen);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] {
    const auto selected = m_list->selectedItems();
    if (!selected.isEmpty()) ShowRow(selected.front());
  });
  connect(m_list, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item) { ShowRow(item); });
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { OnNext(); });
  Load();
}

void CK7QBldMessage::Load() {
  for (const CK7QBldMessageItem& item : m_block.Items()) {
    auto* row = new QTreeWidgetItem(
        m_list, {K7QFromCp932(item.code), K7QFromCp932(item.text), ActionWord(item.action)});
    row->setData(2, kActionRole, item.action);
    m_code->addItem(K7QFromCp932(item.code), item.action);
    if (m_text->findText(row->text(1)) < 0) m_text->addItem(row->text(1));
  }
  for (const K7QSqlCode& code : CK7QBldSqlCodeTable::Codes()) {
    const QString name = QString::fromLatin1(code.code.data(), code.code.size());
    if (m_code->findText(name, Qt::MatchFixedString) < 0) m_code->addItem(name, code.action);
  }
  for (const K7QSqlCode& code : CK7QBldSqlCodeTable::Codes()) {
    const QString text = m_context.String(code.text);
    if (m_text->findText(text) < 0) m_text->addItem(text);
  }
  m_action->addItem(ActionWord(kMessageActionContinue), kMessageActionContinue);
  m_action->addItem(ActionWord(kMessageActionExit), kMessageActionExit);
  m_action->setCurrentIndex(0);
  m_code->setCurrentIndex(-1);
  m_code->clearEditText();
  m_text->setCurrentIndex(-1);
  m_text->clearEditText();
  UpdateEnabled();
}

void CK7QBldMessage::UpdateEnabled() {
  const bool rows = m_list->topLevelItemCount() > 0;
  m_list->setEnabled(rows);
  m_delete->setEnabled(rows);
}

QTreeWidgetItem* CK7QBldMessage::FindRow(const QString& code) const {
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = m_list->topLevelItem(i);
    if (row->text(0).compare(code, Qt::CaseInsensitive) == 0) return row;
  }
  return nullptr;
}

void CK7QBldMessage::SelectAction(int action) {
  const int index = m_action->findData(action);
  if (index >= 0) m_action->setCurrentIndex(index);
}

void CK7QBldMessage::ShowRow(QTreeWidgetItem* row) {
  if (!row) return;
  m_code->setCurrentText(row->text(0));
  m_text->setCurrentText(row->text(1));
  m_action->setCurrentIndex(m_action->findText(row->text(2)));
  m_delete->setEnabled(true);
}

void CK7QBldMessage::OnCodeChosen(int index) {
  if (index < 0 || index >= m_code->count()) return;
  m_code->setCurrentIndex(index);
  const QString code = m_code->itemText(index);
  if (QTreeWidgetItem* row = FindRow(code)) {
    m_list->setCurrentItem(row);
    ShowRow(row);
    return;
  }
  const K7QSqlCode* known = CK7QBldSqlCodeTable::Find(code.toStdString());
  if (!known) return;
  const QString text = m_context.String(known->text);
  if (m_text->findText(text) < 0) m_text->addItem(text);
  m_text->setCurrentIndex(m_text->findText(text));
  SelectAction(known->action);
}

void CK7QBldMessage::Warn(unsigned id, const QString& detail) {
  IK7QBldUserInterface& ui = m_context.Ui();
  std::string text = ui.String(id);
  if (!detail.isEmpty()) text += "\n\n" + detail.toStdString();
  ui.Prompt(id, text, K7QIcon::Exclamation, K7QButtons::Ok);
}

bool CK7QBldMessage::OnAdd() {
  const QString code = m_code->currentText().trimmed();
  if (code.isEmpty()) {
    Warn(kIdsEmptyCode);
    return false;
  }
  if (!CK7QBldSqlCodeTable::IsValidCode(code.toStdString())) {
    Warn(kIdsBadCode, code);
    return false;
  }
  const QString text = m_text->currentText().trimmed();
  if (text.isEmpty()) {
    Warn(kIdsEmptyText);
    return false;
  }
  std::string bytes;
  if (!K7QToCp932(text, bytes)) {
    Warn(kIdsNotCp932, text);
    return false;
  }
  // Such a text would be written, but the macro could not give it back.
  std::string_view keyword;
  if (!CK7QBldSqlCodeTable::IsReadableText(bytes, keyword)) {
    Warn(kIdsUnreadableText, K7QFromCp932(std::string(keyword)));
    return false;
  }
  if (m_action->currentIndex() < 0) {
    Warn(kIdsNoAction);
    return false;
  }
  const int action = m_action->currentData().toInt();
  QTreeWidgetItem* row = FindRow(code);
  if (row) {
    if (m_context.Ui().Message(kIdsReplaceMessage, K7QIcon::Exclamation, K7QButtons::YesNo) !=
        kIdYes) {
      m_code->setCurrentIndex(0);
      m_action->setCurrentIndex(0);
      return false;
    }
    row->setText(0, code);
  } else {
    row = new QTreeWidgetItem(m_list, {code});
  }
  row->setText(1, text);
  row->setText(2, ActionWord(action));
  row->setData(2, kActionRole, action);
  if (!CK7QBldSqlCodeTable::Find(code.toStdString()) &&
      m_code->findText(code, Qt::MatchFixedString) < 0)
    m_code->addItem(code, action);
  if (m_text->findText(text) < 0) m_text->addItem(text);
  UpdateEnabled();
  return true;
}

void CK7QBldMessage::OnDelete() {
  for (;;) {
    QTreeWidgetItem* row = nullptr;
    for (int i = 0; i < m_list->topLevelItemCount() && !row; ++i) {
      if (m_list->topLevelItem(i)->isSelected()) row = m_list->topLevelItem(i);
    }
    if (!row) break;
    if (!CK7QBldSqlCodeTable::Find(row->text(0).toStdString())) {
      const int index = m_code->findText(row->text(0), Qt::MatchFixedString);
      if (index >= 0) m_code->removeItem(index);
    }
    const int text = m_text->findText(m_text->currentText());
    if (text >= 0) m_text->removeItem(text);
    delete row;
    m_code->setCurrentIndex(-1);
    m_code->clearEditText();
    m_text->setCurrentIndex(-1);
    m_text->clearEditText();
    m_action->setCurrentIndex(0);
  }
  UpdateEnabled();
}

bool CK7QBldMessage::Store() {
  CK7QBldMessageBlock stored(&m_context.groceries);
  stored.SetPosition(m_mode == kModeFunction ? (m_before->isChecked() ? 0 : 1)
                                             : m_block.GetPosition());
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = m_list->topLevelItem(i);
    const int word = m_action->findText(row->text(2));
    if (word < 0) break;
    std::string code, text;
    // Every row went through OnAdd or came from the block, so it encodes.
    K7QToCp932(row->text(0), code);
    K7QToCp932(row->text(1), text);
    stored.Put(text, code, m_action->itemData(word).toInt());
  }
  if (stored == m_block) return false;
  m_block.CopyFrom(stored);
  if (m_mode == kModeReport) m_context.groceries.SetDocumentModified();
  return true;
}

void CK7QBldMessage::OnNext() {
  Store();
  if (m_mode == kModeFunction) {
    accept();
    return;
  }
  m_context.groceries.SelectNextObject();
}

void CK7QBldMessage::OnPrevious() {
  Store();
  if (m_mode == kModeReport) m_context.groceries.SelectPreviousObject();
}

void CK7QBldMessage::done(int result) {
  // As a page of the tree there is nothing to close.
  if (m_mode == kModeReport) return;
  QDialog::done(result);
}

bool CK7QBldMessage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_list->viewport() && event->type() == QEvent::Resize) {
    const int width = m_list->viewport()->width();
    m_list->setColumnWidth(0, width / 4 - 1);
    m_list->setColumnWidth(1, width / 2 - 2);
    m_list->setColumnWidth(2, width / 4 - 1);
  }
  if (watched == m_list && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space &&
      !m_list->selectedItems().isEmpty()) {
    OnNext();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}
