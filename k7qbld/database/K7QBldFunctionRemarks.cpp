#include "K7QBldFunctionRemarks.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "K7QBldArgumentRows.h"
#include "K7QBldContext.h"

namespace {

constexpr unsigned kIdsComments = 62221;
constexpr unsigned kIdsParameters = 62222;
constexpr unsigned kIdsArguments = 62223;
constexpr unsigned kIdsValue = 62225;
constexpr unsigned kIdsNotCp932 = 63401;

}  // namespace

QString CK7QBldFunctionRemarks::DescriptionText(const CK7QBldContext& context,
                                                const CK7QBldLibraryFunction& function) {
  QString text = context.String(kIdsComments) + '\n';
  for (const std::string& line : function.comments) text += '\t' + K7QFromCp932(line) + '\n';
  text += context.String(kIdsParameters) + '\n';
  for (const std::string& line : function.parameters) text += '\t' + K7QFromCp932(line) + '\n';
  text += context.String(kIdsArguments) + '\n';
  K7QStringList fields;
  for (const std::string& line : function.arguments) {
    if (CK7QBldGroceries::SplitString(line, fields, ':', true) == 3) {
      text += '\t' + K7QFromCp932(fields[0]) + '\t' + K7QFromCp932(fields[1]) + '\t' +
              K7QFromCp932(fields[2]) + '\n';
      continue;
    }
    std::string joined;
    for (const std::string& f : fields) joined += f;
    text += "\t\t\t" + K7QFromCp932(joined) + '\n';
  }
  return text;
}

CK7QBldFunctionRemarks::CK7QBldFunctionRemarks(CK7QBldContext& context,
                                               CK7QBldLibraryFunction& function, QWidget* parent)
    : QDialog(parent),
      m_context(context),
      m_function(function),
      m_rows(std::make_unique<CK7QBldArgumentRows>(function)) {
  setObjectName(QStringLiteral("198"));
  setWindowTitle(m_context.Text("arguments.caption", "Function Arguments"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  auto* name = new QLineEdit(K7QFromCp932(function.name), this);
  name->setObjectName(QString::number(kIdName));
  name->setReadOnly(true);
  form->addRow(m_context.Text("arguments.function", "Function:"), name);
  layout->addLayout(form);
  m_description = new QPlainTextEdit(DescriptionText(m_context, function), this);
  m_description->setObjectName(QString::number(kIdDescription));
  m_description->setReadOnly(true);
  m_description->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_description->setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 4);
  layout->addWidget(m_description, 3);

  m_list = new QTreeWidget(this);
  m_list->setObjectName(QString::number(kIdList));
  m_list->setRootIsDecorated(false);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_list->setHeaderLabels({m_context.String(kIdsArguments), m_context.String(kIdsValue)});
  // The two columns share the list's width, half each.
  m_list->header()->setSectionResizeMode(QHeaderView::Stretch);
  layout->addWidget(m_list, 2);

  auto* edit = new QHBoxLayout;
  m_rowName = new QLineEdit(this);
  m_rowName->setObjectName(QString::number(kIdRowName));
  m_rowName->setReadOnly(true);
  m_value = new QLineEdit(this);
  m_value->setObjectName(QString::number(kIdValue));
  auto* valueLabel = new QLabel(m_context.Text("arguments.value", "&Value:"), this);
  valueLabel->setBuddy(m_value);
  m_set = new QPushButton(m_context.Text("arguments.set", "&Set"), this);
  m_set->setObjectName(QString::number(kIdSet));
  m_set->setAutoDefault(false);
  m_delete = new QPushButton(m_context.Text("arguments.delete", "&Delete"), this);
  m_delete->setObjectName(QString::number(kIdDelete));
  m_delete->setAutoDefault(false);
  edit->addWidget(m_rowName, 1);
  edit->addWidget(valueLabel);
  edit->addWidget(m_value, 2);
  edit->addWidget(m_set);
  edit->addWidget(m_delete);
  layout->addLayout(edit);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("1"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("2"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &CK7QBldFunctionRemarks::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_set, &QPushButton::clicked, this, &CK7QBldFunctionRemarks::OnSet);
  connect(m_delete, &QPushButton::clicked, this, &CK7QBldFunctionRemarks::OnDelete);
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { OnRowChosen(); });
  // Return in the value field sets it rather than closing the dialog.
  connect(m_value, &QLineEdit::returnPressed, this, &CK7QBldFunctionRemarks::OnSet);

  resize(560, 480);
  FillRows();
  m_delete->setEnabled(m_rows->Variable());
  m_list->setEnabled(m_list->topLevelItemCount() > 0);
  if (m_list->isEnabled()) m_list->setFocus();
}

CK7QBldFunctionRemarks::~CK7QBldFunctionRemarks() = default;

void CK7QBldFunctionRemarks::FillRows() {
  m_list->clear();
  for (const CK7QBldArgumentRows::Row& row : m_rows->Rows()) {
    new QTreeWidgetItem(m_list, {K7QFromCp932(row.name), K7QFromCp932(row.value)});
  }
}

std::vector<int> CK7QBldFunctionRemarks::SelectedRows() const {
  std::vector<int> rows;
  for (QTreeWidgetItem* item : m_list->selectedItems())
    rows.push_back(m_list->indexOfTopLevelItem(item));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void CK7QBldFunctionRemarks::OnRowChosen() {
  const QTreeWidgetItem* item = m_list->currentItem();
  if (!item || !item->isSelected()) {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) return;
    item = selected.front();
  }
  m_rowName->setText(item->text(0));
  m_value->setText(item->text(1));
}

void CK7QBldFunctionRemarks::OnSet() {
  std::string value;
  if (!K7QToCp932(m_value->text(), value)) {
    // The value goes into the page, which is CP932: nothing is substituted.
    m_context.Ui().MessageCaptioned(kIdsArgumentSetCaption, kIdsNotCp932, K7QIcon::Stop,
                                    K7QButtons::Ok);
    return;
  }
  try {
    const unsigned refused = m_rows->Set(SelectedRows(), value, &m_function.arguments);
    if (refused) {
      m_context.Ui().MessageCaptioned(kIdsArgumentSetCaption, refused, K7QIcon::Stop,
                                      K7QButtons::Ok);
      return;
    }
    FillRows();
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return;
  }
  m_rowName->clear();
  m_value->clear();
  m_list->setEnabled(true);
  m_delete->setEnabled(m_rows->Variable());
}

void CK7QBldFunctionRemarks::OnDelete() {
  const unsigned refused = m_rows->Delete(SelectedRows());
  if (refused) {
    m_context.Ui().MessageCaptioned(kIdsArgumentDeleteCaption, refused, K7QIcon::Stop,
                                    K7QButtons::Ok);
    return;
  }
  FillRows();
  m_rowName->clear();
  m_value->clear();
}

void CK7QBldFunctionRemarks::accept() {
  m_function.values = m_rows->Values();
  QDialog::accept();
}
