#include "K7QBldSelect.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "K7QBldContext.h"
#include "K7QBldMacro.h"

namespace {

constexpr unsigned kIdsNoDirection = 62276;
constexpr unsigned kIdsAscending = 62274;
constexpr unsigned kIdsDescending = 62275;
constexpr unsigned kIdsNewValue = 62277;
constexpr unsigned kIdsNotCp932 = 63030;

constexpr int kBytesRole = Qt::UserRole;
constexpr int kOperatorRole = Qt::UserRole;

QByteArray Bytes(const std::string& s) {
  return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}
std::string FromBytes(const QVariant& v) { return v.toByteArray().toStdString(); }

QLabel* Heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont bold = label->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}

}  // namespace

CK7QBldSelect::CK7QBldSelect(CK7QBldContext& context, const CK7QBldMacro& macro, int reportKind,
                             const CK7QBldSQL& statement, QWidget* parent)
    : QWidget(parent),
      m_context(context),
      m_macro(macro),
      m_reportKind(reportKind),
      m_builder(macro.Profile(), context.Ui()) {
  setObjectName(QStringLiteral("select"));
  m_builder.Load(statement);
  for (const auto& variable : macro.Define().Variables()) m_variables.push_back(variable.name);
  for (const std::string& field : macro.FormFieldNames()) m_variables.push_back(field);

  auto* layout = new QVBoxLayout(this);
  auto* modes = new QHBoxLayout;
  auto radio = [this](const char* name, const char* key, const char* fallback) {
    auto* r = new QRadioButton(m_context.Text(key, fallback), this);
    r->setObjectName(QString::fromLatin1(name));
    return r;
  };
  m_modeColumns = radio("modeColumns", "select.columns", "&Result columns");
  m_modeConditions = radio("modeConditions", "select.conditions", "&Conditions");
  m_modeOrdering = radio("modeOrdering", "select.ordering", "&Ordering");
  auto* modeGroup = new QButtonGroup(this);
  modeGroup->addButton(m_modeColumns, CK7QBldSelectBuilder::kClauseResult);
  modeGroup->addButton(m_modeConditions, CK7QBldSelectBuilder::kClauseConditions);
  modeGroup->addButton(m_modeOrdering, CK7QBldSelectBuilder::kClauseOrdering);
  modes->addWidget(m_modeColumns);
  modes->addWidget(m_modeConditions);
  modes->addWidget(m_modeOrdering);
  modes->addStretch(1);
  auto* clear = new QPushButton(m_context.Text("select.clear", "C&lear"), this);
  clear->setObjectName(QStringLiteral("clear"));
  modes->addWidget(clear);
  layout->addLayout(modes);

  auto* body = new QHBoxLayout;
  // Left: a table and its columns.
  auto* left = new QVBoxLayout;
  left->addWidget(Heading(m_context.Text("select.table", "Table"), this));
  m_tables = new QComboBox(this);
  m_tables->setObjectName(QStringLiteral("tables"));
  for (const CK7QBldDBTable& table : macro.Profile().Tables())
    m_tables->addItem(K7QFromCp932(table.Name()), Bytes(table.Name()));
  left->addWidget(m_tables);
  m_columns = new QTreeWidget(this);
  m_columns->setObjectName(QStringLiteral("columns"));
  m_columns->setRootIsDecorated(false);
  m_columns->setHeaderLabels(
      {m_context.Text("select.column", "Column"), m_context.Text("select.type", "Type")});
  m_columns->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  left->addWidget(m_columns, 1);
  auto* add = new QPushButton(m_context.Text("select.add", "&Add >"), this);
  add->setObjectName(QStringLiteral("add"));
  left->addWidget(add);
  body->addLayout(left, 2);

  // Right: what the chosen clause needs.
  m_stack = new QStackedWidget(this);
  auto* columnsPanel = new QWidget(m_stack);
  auto* columnsLayout = new QVBoxLayout(columnsPanel);
  columnsLayout->addWidget(
      Heading(m_context.Text("select.resultItems", "Result columns"), columnsPanel));
  m_resultItems = new QListWidget(columnsPanel);
  m_resultItems->setObjectName(QStringLiteral("resultItems"));
  columnsLayout->addWidget(m_resultItems, 1);
  m_stack->addWidget(columnsPanel);

  auto* conditionsPanel = new QWidget(m_stack);
  auto* conditionsLayout = new QGridLayout(conditionsPanel);
  auto* connectors = new QHBoxLayout;
  m_and = new QRadioButton(QStringLiteral("AND"), conditionsPanel);
  m_and->setObjectName(QStringLiteral("and"));
  m_or = new QRadioButton(QStringLiteral("OR"), conditionsPanel);
  m_or->setObjectName(QStringLiteral("or"));
  m_and->setChecked(true);
  connectors->addWidget(new QLabel(m_context.Text("select.connector", "Join with"), this));
  connectors->addWidget(m_and);
  connectors->addWidget(m_or);
  connectors->addStretch(1);
  conditionsLayout->addLayout(connectors, 0, 0, 1, 2);
  conditionsLayout->addWidget(
      Heading(m_context.Text("select.operators", "Operator"), conditionsPanel), 1, 0);
  conditionsLayout->addWidget(Heading(m_context.Text("select.values", "Value"), conditionsPanel), 1,
                              1);
  m_operators = new QListWidget(conditionsPanel);
  m_operators->setObjectName(QStringLiteral("operators"));
  conditionsLayout->addWidget(m_operators, 2, 0);
  m_values = new QListWidget(conditionsPanel);
  m_values->setObjectName(QStringLiteral("values"));
  m_values->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_values->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
  conditionsLayout->addWidget(m_values, 2, 1);
  auto* valueButtons = new QHBoxLayout;
  m_apply = new QPushButton(m_context.Text("select.apply", "Use &value"), conditionsPanel);
  m_apply->setObjectName(QStringLiteral("apply"));
  m_bind =
      new QPushButton(m_context.Text("select.bind", "&Input field condition"), conditionsPanel);
  m_bind->setObjectName(QStringLiteral("bind"));
  m_bind->setToolTip(m_context.Text("select.bind.tip"));
  valueButtons->addStretch(1);
  valueButtons->addWidget(m_bind);
  valueButtons->addWidget(m_apply);
  conditionsLayout->addLayout(valueButtons, 3, 0, 1, 2);
  m_stack->addWidget(conditionsPanel);

  auto* orderingPanel = new QWidget(m_stack);
  auto* orderingLayout = new QVBoxLayout(orderingPanel);
  orderingLayout->addWidget(
      Heading(m_context.Text("select.direction", "Direction"), orderingPanel));
  m_direction = new QComboBox(orderingPanel);
  m_direction->setObjectName(QStringLiteral("direction"));
  m_direction->addItem(m_context.String(kIdsNoDirection), QString());
  m_direction->addItem(m_context.String(kIdsAscending), QStringLiteral("ASC"));
  m_direction->addItem(m_context.String(kIdsDescending), QStringLiteral("DESC"));
  orderingLayout->addWidget(m_direction);
  orderingLayout->addWidget(
      Heading(m_context.Text("select.orderItems", "Order by"), orderingPanel));
  m_orderItems = new QListWidget(orderingPanel);
  m_orderItems->setObjectName(QStringLiteral("orderItems"));
  orderingLayout->addWidget(m_orderItems, 1);
  m_stack->addWidget(orderingPanel);
  body->addWidget(m_stack, 3);
  layout->addLayout(body, 1);

  layout->addWidget(Heading(m_context.Text("select.statement", "Statement"), this));
  m_text = new QPlainTextEdit(this);
  m_text->setObjectName(QStringLiteral("statement"));
  m_text->setReadOnly(true);
  m_text->setMaximumHeight(90);
  layout->addWidget(m_text);

  FillValues();
  FillColumns();
  connect(m_tables, &QComboBox::currentIndexChanged, this, [this] { FillColumns(); });
  connect(m_columns, &QTreeWidget::itemSelectionChanged, this, [this] { FillOperators(); });
  connect(m_columns, &QTreeWidget::itemDoubleClicked, this, [this] { OnAdd(); });
  connect(add, &QPushButton::clicked, this, &CK7QBldSelect::OnAdd);
  connect(clear, &QPushButton::clicked, this, &CK7QBldSelect::OnClear);
  connect(modeGroup, &QButtonGroup::idClicked, this,
          [this](int id) { SetClause(static_cast<CK7QBldSelectBuilder::Clause>(id)); });
  connect(m_operators, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { OnOperator(m_operators->row(item)); });
  connect(m_apply, &QPushButton::clicked, this, &CK7QBldSelect::OnApply);
  connect(m_bind, &QPushButton::clicked, this, &CK7QBldSelect::OnBindInputField);
  connect(m_values, &QListWidget::itemChanged, this, &CK7QBldSelect::OnValueEdited);
  connect(m_values, &QListWidget::itemSelectionChanged, this, [this] { Refresh(); });
  SetClause(m_builder.Statement().IsEmpty() ? CK7QBldSelectBuilder::kClauseResult
                                            : CK7QBldSelectBuilder::kClauseConditions);
}

void CK7QBldSelect::SetClause(CK7QBldSelectBuilder::Clause clause) {
  QRadioButton* radio = clause == CK7QBldSelectBuilder::kClauseResult       ? m_modeColumns
                        : clause == CK7QBldSelectBuilder::kClauseConditions ? m_modeConditions
                                                                            : m_modeOrdering;
  radio->setChecked(true);
  m_stack->setCurrentIndex(static_cast<int>(clause));
  // Several result columns are added at once; a condition or an ordering takes one.
  m_columns->setSelectionMode(clause == CK7QBldSelectBuilder::kClauseResult
                                  ? QAbstractItemView::ExtendedSelection
                                  : QAbstractItemView::SingleSelection);
  Refresh();
}

CK7QBldSelectBuilder::Clause CK7QBldSelect::CurrentClause() const {
  return static_cast<CK7QBldSelectBuilder::Clause>(m_stack->currentIndex());
}

bool CK7QBldSelect::SelectTable(const QString& table) {
  const int index = m_tables->findText(table, Qt::MatchFixedString);
  if (index < 0) return false;
  m_tables->setCurrentIndex(index);
  return true;
}

bool CK7QBldSelect::SelectColumns(const QStringList& columns) {
  m_columns->clearSelection();
  bool all = true;
  for (const QString& name : columns) {
    const auto found = m_columns->findItems(name, Qt::MatchFixedString, 0);
    if (found.isEmpty()) {
      all = false;
      continue;
    }
    found.front()->setSelected(true);
    m_columns->setCurrentItem(found.front(), 0, QItemSelectionModel::Select);
  }
  return all;
}

QString CK7QBldSelect::SelectedTable() const { return m_tables->currentText(); }

std::string CK7QBldSelect::SelectedTableBytes() const { return FromBytes(m_tables->currentData()); }

std::string CK7QBldSelect::CurrentColumnBytes() const {
  const auto selected = m_columns->selectedItems();
  return selected.isEmpty() ? std::string() : FromBytes(selected.front()->data(0, kBytesRole));
}

void CK7QBldSelect::FillColumns() {
  m_columns->clear();
  const CK7QBldDBTable* table = m_macro.Profile().FindTable(SelectedTableBytes());
  if (table) {
    for (const CK7QBldProfileColumn& column : table->Columns()) {
      auto* item = new QTreeWidgetItem(
          m_columns, {K7QFromCp932(column.m_column),
                      K7QFromCp932(column.m_typeName) +
                          (column.m_length.empty()
                               ? QString()
                               : QStringLiteral("(%1)").arg(K7QFromCp932(column.m_length)))});
      item->setData(0, kBytesRole, Bytes(column.m_column));
    }
  }
  FillOperators();
}

void CK7QBldSelect::FillOperators() {
  m_operators->clear();
  const CK7QBldProfileColumn* column =
      m_macro.Profile().FindColumn(SelectedTableBytes(), CurrentColumnBytes());
  const K7QTypeClass typeClass =
      column ? CK7QBldSelectBuilder::ClassOf(column->m_typeCode) : K7QTypeClass::None;
  const auto& operators = CK7QBldSelectBuilder::Operators();
  for (std::size_t i = 0; i < operators.size(); ++i) {
    if (!CK7QBldSelectBuilder::Applies(operators[i], typeClass)) continue;
    auto* item = new QListWidgetItem(m_context.String(operators[i].label), m_operators);
    item->setData(kOperatorRole, static_cast<int>(i));
  }
  Refresh();
}

QListWidgetItem* CK7QBldSelect::AddValueRow(const QString& text, K7QValueOrigin origin, int at) {
  auto* item = new QListWidgetItem(text);
  item->setFlags(item->flags() | Qt::ItemIsEditable);
  item->setData(kOriginRole, static_cast<int>(origin));
  item->setData(kTextRole, text);
  item->setData(kPlaceholderRole, false);
  if (origin == K7QValueOrigin::Column) item->setForeground(QColor(0x20, 0x50, 0xa0));
  m_values->insertItem(at < 0 ? m_values->count() : at, item);
  return item;
}

void CK7QBldSelect::FillValues() {
  m_editingValues = true;
  m_values->clear();
  for (const std::string& variable : m_variables)
    AddValueRow(K7QFromCp932(variable), K7QValueOrigin::Variable, -1);
  auto* placeholder = new QListWidgetItem(m_context.String(kIdsNewValue), m_values);
  placeholder->setFlags(placeholder->flags() | Qt::ItemIsEditable);
  placeholder->setData(kPlaceholderRole, true);
  placeholder->setData(kTextRole, placeholder->text());
  placeholder->setForeground(Qt::gray);
  m_editingValues = false;
}

QListWidgetItem* CK7QBldSelect::ValueRow(const QString& text) const {
  for (int i = 0; i < m_values->count(); ++i) {
    QListWidgetItem* item = m_values->item(i);
    if (!item->data(kPlaceholderRole).toBool() && item->text() == text) return item;
  }
  return nullptr;
}

QListWidgetItem* CK7QBldSelect::Placeholder() const {
  return m_values->count() > 0 ? m_values->item(m_values->count() - 1) : nullptr;
}

void CK7QBldSelect::OnValueEdited(QListWidgetItem* item) {
  if (m_editingValues || !item) return;
  m_editingValues = true;
  const QString text = item->text().trimmed();
  const QString before = item->data(kTextRole).toString();
  const bool placeholder = item->data(kPlaceholderRole).toBool();
  const auto restore = [&] { item->setText(before); };
  const auto finish = [this] { m_editingValues = false; };
  if (text == before) {
    restore();
    return finish();
  }
  if (text.isEmpty()) {
    // Only a typed value goes; variables and columns stay on the list.
    if (!placeholder &&
        item->data(kOriginRole).toInt() == static_cast<int>(K7QValueOrigin::Typed)) {
      delete item;
    } else {
      restore();
    }
    return finish();
  }
  std::string bytes;
  IK7QBldUserInterface& ui = m_context.Ui();
  if (!K7QToCp932(text, bytes)) {
    restore();
    ui.Prompt(kIdsNotCp932, ui.String(kIdsNotCp932) + "\n\n" + text.toStdString(),
              K7QIcon::Exclamation, K7QButtons::Ok);
    return finish();
  }
  for (int i = 0; i < m_values->count(); ++i) {
    QListWidgetItem* other = m_values->item(i);
    if (other == item || other->data(kPlaceholderRole).toBool()) continue;
    if (other->text().compare(text, Qt::CaseInsensitive) == 0) {
      restore();
      ui.PromptCaptioned(kIdsSelectCaption, kIdsDuplicateValue,
                         ui.String(kIdsDuplicateValue) + "\n\n" + text.toStdString(),
                         K7QIcon::Exclamation, K7QButtons::Ok);
      return finish();
    }
  }
  const K7QValueOrigin origin = m_builder.Classify(bytes, m_variables);
  if (placeholder) {
    restore();
    QListWidgetItem* added = AddValueRow(text, origin, m_values->row(item));
    m_values->clearSelection();
    added->setSelected(true);
    m_values->setCurrentItem(added);
  } else {
    item->setText(text);
    item->setData(kTextRole, text);
    item->setData(kOriginRole, static_cast<int>(origin));
  }
  finish();
  Refresh();
}

bool CK7QBldSelect::IsFormField(const QString& name) const {
  std::string bytes;
  if (!K7QToCp932(name, bytes)) return false;
  const K7QStringList& fields = m_macro.FormFieldNames();
  return std::any_of(fields.begin(), fields.end(), [&bytes](const std::string& field) {
    return CK7QBldGroceries::EqualNoCase(field, bytes);
  });
}

void CK7QBldSelect::OnAdd() {
  const std::string table = SelectedTableBytes();
  if (table.empty()) return;
  switch (CurrentClause()) {
    case CK7QBldSelectBuilder::kClauseResult: {
      K7QStringList columns;
      // In the list's order, whatever order they were selected in.
      for (int i = 0; i < m_columns->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_columns->topLevelItem(i);
        if (item->isSelected()) columns.push_back(FromBytes(item->data(0, kBytesRole)));
      }
      m_builder.AddResultColumns(table, columns);
      break;
    }
    case CK7QBldSelectBuilder::kClauseConditions:
      m_builder.AddConditionColumn(table, CurrentColumnBytes(), m_or->isChecked());
      break;
    case CK7QBldSelectBuilder::kClauseOrdering:
      m_builder.AddOrdering(table, CurrentColumnBytes(),
                            m_direction->currentData().toString().toStdString());
      break;
  }
  Refresh();
}

void CK7QBldSelect::OnClear() {
  m_builder.Clear(CurrentClause());
  Refresh();
}

void CK7QBldSelect::OnOperator(int row) {
  QListWidgetItem* item = m_operators->item(row);
  if (!item) return;
  m_builder.ChooseOperator(static_cast<std::size_t>(item->data(kOperatorRole).toInt()));
  Refresh();
}

void CK7QBldSelect::OnApply() {
  for (int i = 0; i < m_values->count(); ++i) {
    const QListWidgetItem* item = m_values->item(i);
    if (!item->isSelected() || item->data(kPlaceholderRole).toBool()) continue;
    std::string bytes;
    if (item->text().isEmpty() || !K7QToCp932(item->text(), bytes)) continue;
    // A BETWEEN takes its two values in the list's order; after a refusal
    // the next value would take the refused one's place.
    if (!m_builder.ApplyValue(bytes, static_cast<K7QValueOrigin>(item->data(kOriginRole).toInt()),
                              m_or->isChecked()))
      break;
  }
  Refresh();
}

void CK7QBldSelect::OnBindInputField() {
  const QListWidgetItem* field = m_values->currentItem();
  const auto columns = m_columns->selectedItems();
  if (!field || columns.isEmpty() || !IsFormField(field->text())) return;
  BindInputField(SelectedTable() + QLatin1Char('.') + columns.front()->text(0), field->text());
}

bool CK7QBldSelect::BindInputField(const QString& column, const QString& field) {
  std::string columnBytes, fieldBytes;
  if (!K7QToCp932(column, columnBytes) || !K7QToCp932(field, fieldBytes)) return false;
  const bool bound = m_builder.BindInputField(columnBytes, fieldBytes);
  Refresh();
  return bound;
}

void CK7QBldSelect::SetUseOr(bool useOr) { (useOr ? m_or : m_and)->setChecked(true); }

void CK7QBldSelect::Refresh() {
  const CK7QBldSQL& sql = m_builder.Statement();
  m_resultItems->clear();
  for (const std::string& item : sql.ResultItems()) m_resultItems->addItem(K7QFromCp932(item));
  m_orderItems->clear();
  for (const auto& ordering : sql.Orderings()) {
    m_orderItems->addItem(K7QFromCp932(ordering.expression) +
                          (ordering.direction.empty()
                               ? QString()
                               : QLatin1Char(' ') + K7QFromCp932(ordering.direction)));
  }
  const bool conditions = !sql.Conditions().empty();
  m_operators->setEnabled(conditions);
  m_apply->setEnabled(conditions);
  const QListWidgetItem* current = m_values->currentItem();
  m_bind->setEnabled(!m_columns->selectedItems().isEmpty() && current &&
                     !current->data(kPlaceholderRole).toBool() && IsFormField(current->text()));
  m_text->setPlainText(K7QFromCp932(m_builder.Text()));
}
