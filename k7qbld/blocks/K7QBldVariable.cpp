#include "K7QBldVariable.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "K7QBldContext.h"
#include "K7QBldFrame.h"
#include "K7QBldMacro.h"

namespace {

constexpr unsigned kIdsReplaceVariable = 62327;
constexpr unsigned kIdsNotCp932 = 63030;
const QString kImagePathName = QStringLiteral("K7Q_IMG_PATH");

}  // namespace

CK7QBldVariable::CK7QBldVariable(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent)
    : QWidget(parent), m_context(context), m_frame(frame) {
  setObjectName(QStringLiteral("157"));
  auto* grid = new QGridLayout(this);
  auto* title = new QLabel(m_context.Text("variable.title", "User-defined variables"), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  grid->addWidget(title, 0, 0, 1, 4);

  m_list = new QTreeWidget(this);
  m_list->setObjectName(QStringLiteral("list"));
  m_list->setRootIsDecorated(false);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setHeaderLabels(
      {m_context.Text("variable.name", "Name"), m_context.Text("variable.value", "Value")});
  m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  grid->addWidget(m_list, 1, 0, 1, 4);

  grid->addWidget(new QLabel(m_context.Text("variable.name", "Name"), this), 2, 0);
  m_name = new QLineEdit(this);
  m_name->setObjectName(QStringLiteral("name"));
  grid->addWidget(m_name, 2, 1, 1, 3);
  grid->addWidget(new QLabel(m_context.Text("variable.value", "Value"), this), 3, 0);
  m_value = new QLineEdit(this);
  m_value->setObjectName(QStringLiteral("value"));
  grid->addWidget(m_value, 3, 1, 1, 3);

  auto button = [this](const char* name, const char* key, const char* fallback) {
    auto* b = new QPushButton(m_context.Text(key, fallback), this);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };
  QPushButton* add = button("add", "button.add", "&Add");
  m_delete = button("delete", "button.delete", "&Delete");
  m_edit = button("edit", "button.edit", "&Edit");
  auto* row = new QHBoxLayout;
  row->addWidget(add);
  row->addWidget(m_edit);
  row->addWidget(m_delete);
  row->addStretch(1);
  QPushButton* previous = button("1159", "button.previous", "< &Back");
  QPushButton* next = button("1158", "button.next", "&Next >");
  QPushButton* ok = button("1", "button.ok", "OK");
  row->addWidget(previous);
  row->addWidget(next);
  row->addWidget(ok);
  grid->addLayout(row, 4, 0, 1, 4);
  grid->setColumnStretch(1, 1);

  for (const auto& v : m_frame.Macro().Define().Variables()) {
    new QTreeWidgetItem(m_list, {K7QFromCp932(v.name), K7QFromCp932(v.value)});
  }
  connect(add, &QPushButton::clicked, this, &CK7QBldVariable::OnAdd);
  connect(m_delete, &QPushButton::clicked, this, &CK7QBldVariable::OnDelete);
  connect(m_edit, &QPushButton::clicked, this, &CK7QBldVariable::OnEdit);
  connect(ok, &QPushButton::clicked, this, &CK7QBldVariable::OnOk);
  connect(next, &QPushButton::clicked, this, [this] {
    Store();
    m_context.groceries.SelectNextObject();
  });
  connect(previous, &QPushButton::clicked, this, [this] {
    Store();
    m_context.groceries.SelectPreviousObject();
  });
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CK7QBldVariable::OnSelectionChanged);
  UpdateButtons();
}

bool CK7QBldVariable::IsValidImagePath(const QString& value) {
  std::string bytes;
  return K7QToCp932(value, bytes) && CK7QBldDefineBlock::IsValidImagePath(bytes);
}

void CK7QBldVariable::UpdateButtons() {
  const bool rows = m_list->topLevelItemCount() > 0;
  m_list->setEnabled(rows);
  m_delete->setEnabled(rows);
  m_edit->setEnabled(rows);
}

bool CK7QBldVariable::OnAdd() {
  IK7QBldUserInterface& ui = m_context.Ui();
  const QString name = m_name->text().trimmed();
  const QString value = m_value->text().trimmed();
  std::string nameBytes, valueBytes;
  if (!K7QToCp932(name, nameBytes) || !K7QToCp932(value, valueBytes)) {
    ui.Message(kIdsNotCp932);
    return false;
  }
  if (!CK7QBldDefineBlock::CheckVariable(m_context.groceries, m_frame.Macro().Profile(), nameBytes,
                                         valueBytes))
    return false;
  const bool imagePath = name.compare(kImagePathName, Qt::CaseInsensitive) == 0;
  QTreeWidgetItem* existing = nullptr;
  for (int i = 0; i < m_list->topLevelItemCount() && !existing; ++i) {
    if (m_list->topLevelItem(i)->text(0).compare(name, Qt::CaseInsensitive) == 0) {
      existing = m_list->topLevelItem(i);
    }
  }
  if (existing) {
    if (ui.Message(kIdsReplaceVariable, K7QIcon::Question, K7QButtons::YesNo) != kIdYes) {
      m_name->clear();
      m_value->clear();
      return false;
    }
    existing->setText(1, value);
  } else {
    new QTreeWidgetItem(m_list, {name, value});
  }
  if (imagePath) m_frame.Macro().SetImagePath(valueBytes);
  m_name->clear();
  m_value->clear();
  m_changed = true;
  UpdateButtons();
  return true;
}

void CK7QBldVariable::OnDelete() {
  const auto selected = m_list->selectedItems();
  for (QTreeWidgetItem* item : selected) {
    if (item->text(0).compare(kImagePathName, Qt::CaseInsensitive) == 0) {
      m_frame.Macro().SetImagePath("/");
    }
    delete item;
    m_changed = true;
  }
  UpdateButtons();
  if (m_list->topLevelItemCount() == 0) m_name->setFocus();
}

void CK7QBldVariable::OnEdit() {
  QTreeWidgetItem* item = m_list->currentItem();
  if (!item) return;
  m_name->setText(item->text(0));
  m_value->setText(item->text(1));
  m_value->setFocus();
  m_value->selectAll();
}

void CK7QBldVariable::OnSelectionChanged() {
  QTreeWidgetItem* item = m_list->currentItem();
  if (!item || !item->isSelected()) return;
  m_name->setText(item->text(0));
  m_value->setText(item->text(1));
}

void CK7QBldVariable::Store() {
  auto& variables = m_frame.Macro().Define().Variables();
  variables.clear();
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    std::string name, value;
    // Every row went through OnAdd, so it encodes.
    K7QToCp932(m_list->topLevelItem(i)->text(0), name);
    K7QToCp932(m_list->topLevelItem(i)->text(1), value);
    variables.push_back({name, value});
  }
  if (m_changed) m_context.groceries.SetDocumentModified();
  m_changed = false;
}

void CK7QBldVariable::OnOk() { Store(); }
