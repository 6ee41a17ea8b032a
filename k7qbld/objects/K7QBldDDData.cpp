#include "K7QBldDDData.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "K7QBldArtwork.h"
#include "K7QBldContext.h"
#include "K7QBldMacro.h"

namespace {

enum Column { kNumber, kFunction, kTable, kColumn, kKind, kNote };
constexpr unsigned kHeadings[] = {62235, 62229, 62233, 62236, 62237, 62230};
// Sixteenths of the list's width; the note takes the rest.
constexpr int kSixteenths[] = {1, 3, 2, 2, 2, 6};
constexpr unsigned kKindLabels[] = {62238, 62239, 62247};

// Each field's CP932 bytes stay with the row, so applying gives the macro
// exactly what it had; the kind, value and replacement are kept on column 0.
constexpr int kBytesRole = Qt::UserRole;
constexpr int kKindRole = Qt::UserRole + 1;
constexpr int kValueRole = Qt::UserRole + 2;
constexpr int kReplacementRole = Qt::UserRole + 3;

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<int>(s.size())); }
std::string FromBytes(const QVariant& v) { return v.toByteArray().toStdString(); }

}  // namespace

CK7QBldDDData::CK7QBldDDData(CK7QBldContext& context, const CK7QBldMacro& macro, QWidget* parent)
    : QWidget(parent), m_context(context) {
  setObjectName(QString::number(kId));
  auto* outer = new QHBoxLayout(this);
  auto* banner = new QLabel(this);
  banner->setObjectName(QString::number(kIdBanner));
  banner->setPixmap(K7QBldArtwork::Banner(90, 300));
  outer->addWidget(banner, 0, Qt::AlignTop);
  auto* right = new QVBoxLayout;
  outer->addLayout(right, 1);
  m_list = new QTreeWidget(this);
  m_list->setObjectName(QString::number(kIdList));
  m_list->setRootIsDecorated(false);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QStringList headings;
  for (unsigned id : kHeadings) headings << m_context.String(id);
  m_list->setHeaderLabels(headings);
  right->addWidget(m_list, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  m_delete = new QPushButton(m_context.Text("button.delete", "&Delete"), this);
  m_delete->setObjectName(QString::number(kIdDelete));
  row->addWidget(m_delete);
  right->addLayout(row);
  connect(m_delete, &QPushButton::clicked, this, &CK7QBldDDData::OnDelete);

  const CK7QBldDDBlock& objects = macro.PageObjects();
  for (int i = 0; i < objects.GetCount(); ++i) {
    const CK7QBldPageObject* o = objects.GetAt(i);
    auto* item = new QTreeWidgetItem(m_list);
    item->setText(kNumber, QString::number(i + 1));
    SetRow(item, {o->kind, o->value, o->replacement, o->function, o->table, o->column, o->note});
  }
  UpdateButtons();
}

void CK7QBldDDData::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int width = m_list->viewport()->width();
  for (int c = 0; c < kNote; ++c) m_list->setColumnWidth(c, width * kSixteenths[c] / 16);
}

void CK7QBldDDData::SetRow(QTreeWidgetItem* item, const SK7QBldObjectRow& row) {
  item->setData(kNumber, kKindRole, row.kind);
  item->setData(kNumber, kValueRole, Bytes(row.value));
  item->setData(kNumber, kReplacementRole, Bytes(row.replacement));
  const std::pair<Column, const std::string*> texts[] = {
      {kFunction, &row.function}, {kTable, &row.table}, {kColumn, &row.column}, {kNote, &row.note}};
  for (const auto& [column, text] : texts) {
    item->setText(column, K7QFromCp932(*text));
    item->setData(column, kBytesRole, Bytes(*text));
  }
  const bool known = row.kind >= 0 && row.kind < 3;
  item->setText(kKind, known ? m_context.String(kKindLabels[row.kind]) : QString());
}

int CK7QBldDDData::FindRow(const std::string& function) const {
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    if (CK7QBldGroceries::EqualNoCase(
            FromBytes(m_list->topLevelItem(i)->data(kFunction, kBytesRole)), function))
      return i;
  }
  return -1;
}

void CK7QBldDDData::AddRow(const SK7QBldObjectRow& row) {
  auto* item = new QTreeWidgetItem(m_list);
  item->setText(kNumber, QString::number(m_list->topLevelItemCount()));
  SetRow(item, row);
  m_modified = true;
  const bool wasDisabled = !m_delete->isEnabled();
  UpdateButtons();
  if (wasDisabled) m_delete->setFocus();
}

void CK7QBldDDData::ReplaceRow(int index, const SK7QBldObjectRow& row) {
  QTreeWidgetItem* item = m_list->topLevelItem(index);
  if (!item) return;
  SetRow(item, row);
  m_modified = true;
}

int CK7QBldDDData::RowCount() const { return m_list->topLevelItemCount(); }

SK7QBldObjectRow CK7QBldDDData::Row(int index) const {
  const QTreeWidgetItem* item = m_list->topLevelItem(index);
  if (!item) return {};
  return {item->data(kNumber, kKindRole).toInt(),
          FromBytes(item->data(kNumber, kValueRole)),
          FromBytes(item->data(kNumber, kReplacementRole)),
          FromBytes(item->data(kFunction, kBytesRole)),
          FromBytes(item->data(kTable, kBytesRole)),
          FromBytes(item->data(kColumn, kBytesRole)),
          FromBytes(item->data(kNote, kBytesRole))};
}

void CK7QBldDDData::OnDelete() {
  const auto selected = m_list->selectedItems();
  if (selected.isEmpty()) return;
  for (QTreeWidgetItem* item : selected) delete item;
  CK7QBldGroceriesUi::RenumberListItems(m_list);
  m_modified = true;
  UpdateButtons();
}

void CK7QBldDDData::UpdateButtons() {
  const bool rows = m_list->topLevelItemCount() > 0;
  m_list->setEnabled(rows);
  m_delete->setEnabled(rows);
}

void CK7QBldDDData::Apply(CK7QBldMacro& macro) const {
  CK7QBldDDBlock& objects = macro.PageObjects();
  objects.RemoveAll();
  for (int i = 0; i < RowCount(); ++i) {
    const SK7QBldObjectRow r = Row(i);
    objects.AddOrReplace(r.kind, r.value, r.replacement, r.function, r.table, r.column, r.note);
  }
}
