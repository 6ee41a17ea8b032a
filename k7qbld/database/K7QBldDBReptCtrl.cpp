#include "K7QBldDBReptCtrl.h"

#include <QAbstractListModel>
#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "K7QBldContext.h"
#include "K7QBldCp932.h"
#include "K7QBldDragControls.h"
#include "K7QBldFrame.h"
#include "K7QBldMacro.h"
#include "K7QBldRepeatFragments.h"

namespace {

constexpr unsigned kIdsRowLoop = 62304;
constexpr unsigned kIdsTableLoop = 62305;
constexpr unsigned kIdsInputForm = 62306;
constexpr unsigned kIdsOptionLoop = 62307;
constexpr unsigned kIdsSubmit = 62278;
constexpr unsigned kIdsReset = 62279;
constexpr unsigned kIdsCountNotNumber = 62335;
constexpr unsigned kIdsLoopNameUsed = 62353;
constexpr unsigned kIdsInputNameUsed = 62356;
constexpr unsigned kIdsDefineNameUsed = 62357;
constexpr unsigned kIdsCountOutOfRange = 62367;
constexpr unsigned kIdsColumnNameUsed = 62371;
constexpr unsigned kIdsNotCp932 = 63401;
constexpr unsigned kIdsLoopNameUnusable = 63402;

// The profile's table names for the option loop's combo box, made when shown.
class CTableNames : public QAbstractListModel {
 public:
  CTableNames(const CK7QBldProfile& profile, QObject* parent)
      : QAbstractListModel(parent), m_profile(profile) {}
  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(m_profile.Tables().size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    const auto row = static_cast<std::size_t>(index.row());
    if (!index.isValid() || row >= m_profile.Tables().size()) return {};
    if (role == Qt::DisplayRole) return K7QFromCp932(m_profile.Tables()[row].Name());
    // The item data of each entry is the table's index.
    if (role == Qt::UserRole) return index.row();
    return {};
  }

 private:
  const CK7QBldProfile& m_profile;
};

QString Trimmed(const QLineEdit* edit) { return edit->text().trimmed(); }

}  // namespace

CK7QBldDBReptCtrl::CK7QBldDBReptCtrl(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent)
    : QWidget(parent), m_context(context), m_frame(frame) {
  setObjectName(QStringLiteral("166"));
  auto* layout = new QVBoxLayout(this);
  auto* kindRow = new QHBoxLayout;
  m_kind = new QComboBox(this);
  m_kind->setObjectName(QString::number(kIdKind));
  const unsigned kinds[] = {kIdsRowLoop, kIdsTableLoop, kIdsInputForm, kIdsOptionLoop};
  for (int i = 0; i < 4; ++i) m_kind->addItem(m_context.String(kinds[i]), i + 1);
  auto* kindLabel = new QLabel(m_context.Text("repeat.kind", "&Kind:"), this);
  kindLabel->setBuddy(m_kind);
  kindRow->addWidget(kindLabel);
  kindRow->addWidget(m_kind, 1);
  layout->addLayout(kindRow);
  m_stack = new QStackedWidget(this);
  m_stack->addWidget(MakeRowPage());
  m_stack->addWidget(MakeTablePage());
  m_stack->addWidget(MakeInputPage());
  m_stack->addWidget(MakeOptionPage());
  layout->addWidget(m_stack, 1);
  connect(m_kind, &QComboBox::currentIndexChanged, this,
          [this](int index) { SetKind(static_cast<Kind>(m_kind->itemData(index).toInt())); });

  // The names handed out by an earlier page of this kind are gone with it.
  m_frame.Macro().LoopNames().clear();
  m_frame.Macro().InputNames().clear();
  SetKind(kRowLoop);
  UpdateButtons();
}

QLineEdit* CK7QBldDBReptCtrl::AddEdit(QWidget* page, int id) {
  auto* edit = new QLineEdit(page);
  edit->setObjectName(QString::number(id));
  connect(edit, &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
  return edit;
}

QRadioButton* CK7QBldDBReptCtrl::AddMethodRow(QWidget* page, QFormLayout* form, int getId,
                                              int postId) {
  auto* methods = new QHBoxLayout;
  auto* get = new QRadioButton(QStringLiteral("GET"), page);
  get->setObjectName(QString::number(getId));
  auto* post = new QRadioButton(QStringLiteral("POST"), page);
  post->setObjectName(QString::number(postId));
  get->setChecked(true);
  methods->addWidget(get);
  methods->addWidget(post);
  methods->addStretch(1);
  form->addRow(m_context.Text("repeat.method", "Method:"), methods);
  return get;
}

CK7QBldDragButton* CK7QBldDBReptCtrl::AddDragButton(QWidget* page, int id, unsigned caption) {
  auto* button = new CK7QBldDragButton(
      m_context.Text("repeat.drag", "Drag into the page: %1").arg(m_context.String(caption)), page,
      &m_fragment);
  button->setObjectName(QString::number(id));
  button->setToolTip(m_context.Text("repeat.drag.tip", "Drag this button into the page editor"));
  button->setEnabled(false);
  return button;
}

QWidget* CK7QBldDBReptCtrl::MakeRowPage() {
  auto* box = new QGroupBox(m_context.String(kIdsRowLoop), this);
  auto* form = new QFormLayout(box);
  m_rowName = AddEdit(box, kIdRowName);
  form->addRow(m_context.Text("repeat.loopname", "&Loop name:"), m_rowName);
  m_rowDrag = AddDragButton(box, kIdRowDrag, kIdsRowLoop);
  form->addRow(m_rowDrag);
  return box;
}

QWidget* CK7QBldDBReptCtrl::MakeTablePage() {
  auto* box = new QGroupBox(m_context.String(kIdsTableLoop), this);
  auto* form = new QFormLayout(box);
  m_tableName = AddEdit(box, kIdTableName);
  form->addRow(m_context.Text("repeat.loopname", "&Loop name:"), m_tableName);
  auto* countRow = new QHBoxLayout;
  m_columnCountEdit = AddEdit(box, kIdColumnCount);
  m_columnCountEdit->setText(QStringLiteral("4"));
  m_columnSpin = new QSpinBox(box);
  m_columnSpin->setObjectName(QString::number(kIdColumnSpin));
  m_columnSpin->setRange(K7QBldRepeatFragments::kMinColumns, K7QBldRepeatFragments::kMaxColumns);
  m_columnSpin->setValue(4);
  countRow->addWidget(m_columnCountEdit, 1);
  countRow->addWidget(m_columnSpin);
  form->addRow(m_context.Text("repeat.columns", "&Columns:"), countRow);
  if (auto* label = qobject_cast<QLabel*>(form->labelForField(countRow)))
    label->setBuddy(m_columnCountEdit);
  auto* rows = new QLineEdit(QStringLiteral("2"), box);
  rows->setObjectName(QString::number(kIdRowField));
  rows->setEnabled(false);
  form->addRow(m_context.Text("repeat.rows", "Rows:"), rows);
  m_tableDrag = AddDragButton(box, kIdTableDrag, kIdsTableLoop);
  form->addRow(m_tableDrag);
  connect(m_columnCountEdit, &QLineEdit::textChanged, this,
          &CK7QBldDBReptCtrl::OnColumnCountEdited);
  connect(m_columnSpin, &QSpinBox::valueChanged, this, [this](int value) {
    if (m_countState == 0 && value == m_columnCount) return;
    m_columnCountEdit->setText(QString::number(value));
  });
  return box;
}

QWidget* CK7QBldDBReptCtrl::MakeInputPage() {
  auto* box = new QGroupBox(m_context.String(kIdsInputForm), this);
  auto* form = new QFormLayout(box);
  m_inputName = AddEdit(box, kIdInputName);
  m_inputAction = AddEdit(box, kIdInputAction);
  form->addRow(m_context.Text("repeat.inputname", "&Input name:"), m_inputName);
  form->addRow(m_context.Text("repeat.action", "&Action:"), m_inputAction);
  m_inputGet = AddMethodRow(box, form, kIdInputGet, kIdInputPost);
  m_inputDrag = AddDragButton(box, kIdInputDrag, kIdsInputForm);
  form->addRow(m_inputDrag);
  return box;
}

QWidget* CK7QBldDBReptCtrl::MakeOptionPage() {
  auto* box = new QGroupBox(m_context.String(kIdsOptionLoop), this);
  auto* layout = new QVBoxLayout(box);
  auto* form = new QFormLayout;
  m_optionName = AddEdit(box, kIdOptionName);
  m_selectName = AddEdit(box, kIdSelectName);
  m_optionAction = AddEdit(box, kIdOptionAction);
  form->addRow(m_context.Text("repeat.loopname", "&Loop name:"), m_optionName);
  form->addRow(m_context.Text("repeat.selectname", "S&elect name:"), m_selectName);
  form->addRow(m_context.Text("repeat.action", "&Action:"), m_optionAction);
  m_optionGet = AddMethodRow(box, form, kIdOptionGet, kIdOptionPost);
  m_tableCombo = new QComboBox(box);
  m_tableCombo->setObjectName(QString::number(kIdTableCombo));
  m_tableCombo->setModel(new CTableNames(m_frame.Macro().Profile(), m_tableCombo));
  form->addRow(m_context.Text("repeat.table", "&Table:"), m_tableCombo);
  layout->addLayout(form);

  // Two columns of equal width with the buttons between them.
  auto* lists = new QGridLayout;
  m_columnList = new QListWidget(box);
  m_columnList->setObjectName(QString::number(kIdColumnList));
  m_columnList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_selectedList = new QListWidget(box);
  m_selectedList->setObjectName(QString::number(kIdSelectedList));
  m_selectedList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_add = new QPushButton(m_context.Text("repeat.add", "&Add >"), box);
  m_add->setObjectName(QString::number(kIdAdd));
  m_remove = new QPushButton(m_context.Text("repeat.remove", "< &Remove"), box);
  m_remove->setObjectName(QString::number(kIdRemove));
  m_remove->setEnabled(false);
  auto* buttons = new QVBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_add);
  buttons->addWidget(m_remove);
  buttons->addStretch(1);
  lists->addWidget(new QLabel(m_context.Text("repeat.columnlist", "Columns:"), box), 0, 0);
  lists->addWidget(new QLabel(m_context.Text("repeat.selected", "Options:"), box), 0, 2);
  lists->addWidget(m_columnList, 1, 0);
  lists->addLayout(buttons, 1, 1);
  lists->addWidget(m_selectedList, 1, 2);
  lists->setColumnStretch(0, 1);
  lists->setColumnStretch(2, 1);
  layout->addLayout(lists, 1);
  m_optionDrag = AddDragButton(box, kIdOptionDrag, kIdsOptionLoop);
  layout->addWidget(m_optionDrag);

  connect(m_tableCombo, &QComboBox::currentIndexChanged, this, &CK7QBldDBReptCtrl::OnTableChosen);
  connect(m_add, &QPushButton::clicked, this, &CK7QBldDBReptCtrl::OnAdd);
  connect(m_columnList, &QListWidget::itemDoubleClicked, this, [this] { OnAdd(); });
  connect(m_remove, &QPushButton::clicked, this, &CK7QBldDBReptCtrl::OnRemove);
  connect(m_selectedList, &QListWidget::itemSelectionChanged, this,
          [this] { m_remove->setEnabled(!m_selectedList->selectedItems().isEmpty()); });
  if (m_tableCombo->count() > 0) {
    m_tableCombo->setCurrentIndex(0);
    OnTableChosen(0);
    // At the start no column is chosen.
    m_columnList->clearSelection();
    m_columnList->setCurrentRow(-1);
  }
  return box;
}

CK7QBldDBReptCtrl::Kind CK7QBldDBReptCtrl::CurrentKind() const {
  return static_cast<Kind>(m_kind->currentData().toInt());
}

void CK7QBldDBReptCtrl::SetKind(Kind kind) {
  const int index = m_kind->findData(static_cast<int>(kind));
  if (index < 0) return;
  if (m_kind->currentIndex() != index) m_kind->setCurrentIndex(index);
  m_stack->setCurrentIndex(index);
  QLineEdit* first[] = {m_rowName, m_tableName, m_inputName, m_optionName};
  first[index]->setFocus();
}

void CK7QBldDBReptCtrl::UpdateButtons() {
  // Fields are filled while the page is being built.
  if (!m_optionDrag) return;
  m_rowDrag->setEnabled(!Trimmed(m_rowName).isEmpty());
  m_tableDrag->setEnabled(!Trimmed(m_tableName).isEmpty());
  m_inputDrag->setEnabled(!Trimmed(m_inputName).isEmpty() && !Trimmed(m_inputAction).isEmpty());
  m_optionDrag->setEnabled(!Trimmed(m_optionName).isEmpty() && !Trimmed(m_selectName).isEmpty() &&
                           !Trimmed(m_optionAction).isEmpty() && !m_selected.empty());
}

void CK7QBldDBReptCtrl::OnColumnCountEdited(const QString& text) {
  int count = 0;
  m_countState = K7QBldRepeatFragments::ParseColumnCount(text.trimmed().toStdString(), count);
  if (m_countState != 0) return;
  m_columnCount = count;
  const QSignalBlocker block(m_columnSpin);
  m_columnSpin->setValue(count);
}

void CK7QBldDBReptCtrl::OnTableChosen(int index) {
  m_columnList->clear();
  const auto& tables = m_frame.Macro().Profile().Tables();
  if (index < 0 || static_cast<std::size_t>(index) >= tables.size()) return;
  for (const CK7QBldProfileColumn& column : tables[static_cast<std::size_t>(index)].Columns())
    m_columnList->addItem(K7QFromCp932(column.m_column));
  if (m_columnList->count() > 0) m_columnList->setCurrentRow(0);
}

void CK7QBldDBReptCtrl::OnAdd() {
  const auto& tables = m_frame.Macro().Profile().Tables();
  const int table = m_tableCombo->currentIndex();
  if (table < 0 || static_cast<std::size_t>(table) >= tables.size()) return;
  const CK7QBldDBTable& t = tables[static_cast<std::size_t>(table)];
  try {
    for (int row = 0; row < m_columnList->count(); ++row) {
      if (!m_columnList->item(row)->isSelected()) continue;
      if (static_cast<std::size_t>(row) >= t.Columns().size()) break;
      const std::string entry =
          t.Name() + "." + t.Columns()[static_cast<std::size_t>(row)].m_column;
      const bool listed = std::any_of(m_selected.begin(), m_selected.end(), [&](const auto& s) {
        return CK7QBldGroceries::EqualNoCase(s, entry);
      });
      if (listed) continue;
      m_selected.push_back(entry);
      m_selectedList->addItem(K7QFromCp932(entry));
    }
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
  UpdateButtons();
}

void CK7QBldDBReptCtrl::OnRemove() {
  for (int row = m_selectedList->count() - 1; row >= 0; --row) {
    if (!m_selectedList->item(row)->isSelected()) continue;
    delete m_selectedList->takeItem(row);
    m_selected.erase(m_selected.begin() + row);
  }
  m_remove->setEnabled(!m_selectedList->selectedItems().isEmpty());
  UpdateButtons();
}

bool CK7QBldDBReptCtrl::FieldText(QLineEdit* edit, std::string& text) const {
  if (!K7QToCp932(edit->text(), text)) {
    m_context.Ui().Message(kIdsNotCp932, K7QIcon::Exclamation);
    return false;
  }
  text = CK7QBldGroceries::Trim(text);
  return true;
}

std::string CK7QBldDBReptCtrl::Cp932String(unsigned id) const {
  std::string bytes;
  K7QCp932::FromUtf8(m_context.Ui().String(id), bytes);
  return bytes;
}

bool CK7QBldDBReptCtrl::LoopNameUsable(const std::string& name, unsigned caption) const {
  IK7QBldUserInterface& ui = m_context.Ui();
  // The loop becomes a function of this name, and its files are named after it.
  if (!CK7QBldFunctionBlock::IsUsableName(name)) {
    ui.PromptCaptioned(caption, kIdsLoopNameUnusable,
                       ui.String(kIdsLoopNameUnusable) + "\n" + K7QCp932::ToUtf8(name),
                       K7QIcon::Exclamation, K7QButtons::Ok);
    return false;
  }
  const CK7QBldMacro& macro = m_frame.Macro();
  const bool registered =
      std::any_of(macro.LoopNames().begin(), macro.LoopNames().end(),
                  [&](const std::string& s) { return CK7QBldGroceries::EqualNoCase(s, name); });
  if (registered || macro.Functions().FindByName(name) >= 0) {
    ui.MessageCaptioned(caption, kIdsLoopNameUsed, K7QIcon::Exclamation, K7QButtons::Ok);
    return false;
  }
  return true;
}

bool CK7QBldDBReptCtrl::InputNameUsable(const std::string& name) const {
  IK7QBldUserInterface& ui = m_context.Ui();
  if (!m_context.groceries.CheckUserVariableName(name)) return false;
  const CK7QBldMacro& macro = m_frame.Macro();
  if (macro.Profile().FindColumnInAnyTable(name)) {
    ui.Message(kIdsColumnNameUsed, K7QIcon::Exclamation);
    return false;
  }
  if (macro.Define().Find(name) >= 0) {
    ui.MessageCaptioned(kIdsTableLoop, kIdsDefineNameUsed, K7QIcon::Exclamation, K7QButtons::Ok);
    return false;
  }
  auto listed = [&name](const K7QStringList& list) {
    return std::any_of(list.begin(), list.end(), [&](const std::string& s) {
      return CK7QBldGroceries::EqualNoCase(s, name);
    });
  };
  if (listed(macro.InputNames()) || listed(macro.FormFieldNames())) {
    ui.MessageCaptioned(kIdsTableLoop, kIdsInputNameUsed, K7QIcon::Exclamation, K7QButtons::Ok);
    return false;
  }
  return true;
}

bool CK7QBldDBReptCtrl::BuildRowLoop() {
  std::string name;
  if (!FieldText(m_rowName, name) || name.empty()) return false;
  if (!LoopNameUsable(name, kIdsRowLoop)) return false;
  try {
    std::string fragment = K7QBldRepeatFragments::RowLoop(name);
    m_frame.Macro().LoopNames().push_back(name);
    m_fragment = std::move(fragment);
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

bool CK7QBldDBReptCtrl::BuildTableLoop() {
  IK7QBldUserInterface& ui = m_context.Ui();
  if (m_countState == 1) {
    ui.MessageCaptioned(kIdsTableLoop, kIdsCountNotNumber, K7QIcon::Exclamation, K7QButtons::Ok);
    return false;
  }
  if (m_countState == 2) {
    char range[64];
    std::snprintf(range, sizeof range, " (%d \xEF\xBD\x9E )", K7QBldRepeatFragments::kMinColumns);
    ui.PromptCaptioned(kIdsTableLoop, kIdsCountOutOfRange, ui.String(kIdsCountOutOfRange) + range,
                       K7QIcon::Exclamation, K7QButtons::Ok);
    return false;
  }
  std::string name;
  if (!FieldText(m_tableName, name) || name.empty()) return false;
  if (!LoopNameUsable(name, kIdsTableLoop)) return false;
  try {
    std::string fragment = K7QBldRepeatFragments::TableLoop(name, m_columnCount);
    m_frame.Macro().LoopNames().push_back(name);
    m_fragment = std::move(fragment);
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

bool CK7QBldDBReptCtrl::BuildInputForm() {
  std::string name;
  std::string action;
  if (!FieldText(m_inputName, name) || !FieldText(m_inputAction, action)) return false;
  if (name.empty() || action.empty()) return false;
  if (!InputNameUsable(name)) return false;
  try {
    std::string fragment = K7QBldRepeatFragments::InputForm(
        m_inputGet->isChecked(), action, name, Cp932String(kIdsSubmit), Cp932String(kIdsReset));
    m_frame.Macro().InputNames().push_back(name);
    m_fragment = std::move(fragment);
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

bool CK7QBldDBReptCtrl::BuildOptionLoop() {
  std::string loop;
  std::string select;
  std::string action;
  if (!FieldText(m_optionName, loop) || !FieldText(m_selectName, select) ||
      !FieldText(m_optionAction, action))
    return false;
  if (loop.empty() || select.empty() || action.empty() || m_selected.empty()) return false;
  if (!LoopNameUsable(loop, kIdsOptionLoop) || !InputNameUsable(select)) return false;
  try {
    std::string fragment = K7QBldRepeatFragments::OptionLoop(
        loop, m_optionGet->isChecked(), action, select, m_selected, Cp932String(kIdsSubmit),
        Cp932String(kIdsReset));
    m_frame.Macro().LoopNames().push_back(loop);
    m_frame.Macro().InputNames().push_back(select);
    m_fragment = std::move(fragment);
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}

bool CK7QBldDBReptCtrl::DragStarting(QWidget*, int id) {
  switch (id) {
    case kIdRowDrag:
      return BuildRowLoop();
    case kIdTableDrag:
      return BuildTableLoop();
    case kIdInputDrag:
      return BuildInputForm();
    case kIdOptionDrag:
      return BuildOptionLoop();
    default:
      return false;
  }
}
