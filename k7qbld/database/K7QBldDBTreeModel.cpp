#include "K7QBldDBTreeModel.h"

#include <QPainter>
#include <QPixmap>

#include "K7QBldContext.h"
#include "K7QBldProfile.h"

namespace {

// Our own 16-pixel artwork: a database drum, a table grid and a column bar,
// in a brighter colour when selected.
QPixmap Draw(CK7QBldDBTreeModel::Level level, bool selected) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink = selected ? QColor(0x1F, 0x5F, 0xBF) : QColor(0x40, 0x40, 0x48);
  const QColor fill = selected ? QColor(0xCF, 0xE4, 0xFF) : QColor(0xF2, 0xEE, 0xE0);
  p.setPen(QPen(ink, 1));
  p.setBrush(fill);
  switch (level) {
    case CK7QBldDBTreeModel::kRoot:
      p.drawRect(QRectF(2.5, 3.5, 11, 10));
      p.drawEllipse(QRectF(2.5, 1.5, 11, 4));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(2.5, 6.5, 11, 4), 180 * 16, 180 * 16);
      p.drawArc(QRectF(2.5, 11.5, 11, 4), 180 * 16, 180 * 16);
      break;
    case CK7QBldDBTreeModel::kTable:
      p.drawRect(QRectF(1.5, 2.5, 13, 11));
      p.fillRect(QRectF(2, 3, 12, 3), ink);
      p.drawLine(QPointF(1.5, 9.5), QPointF(14.5, 9.5));
      p.drawLine(QPointF(6.5, 6), QPointF(6.5, 13.5));
      p.drawLine(QPointF(10.5, 6), QPointF(10.5, 13.5));
      break;
    case CK7QBldDBTreeModel::kColumn:
      p.drawRect(QRectF(5.5, 1.5, 5, 13));
      p.fillRect(QRectF(6, 2, 4, 3), ink);
      p.drawLine(QPointF(5.5, 8.5), QPointF(10.5, 8.5));
      p.drawLine(QPointF(5.5, 11.5), QPointF(10.5, 11.5));
      break;
  }
  return pixmap;
}

QString WithoutTrailingBlanks(const std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return K7QFromCp932(text.substr(0, end));
}

}  // namespace

QIcon CK7QBldDBTreeModel::Icon(Level level) {
  QIcon icon;
  icon.addPixmap(Draw(level, false), QIcon::Normal);
  icon.addPixmap(Draw(level, true), QIcon::Selected);
  return icon;
}

CK7QBldDBTreeModel::CK7QBldDBTreeModel(const CK7QBldProfile& profile, const QString& rootText,
                                       QObject* parent)
    : QAbstractItemModel(parent), m_profile(profile), m_rootText(rootText) {
  for (Level level : {kRoot, kTable, kColumn}) m_icons[level] = Icon(level);
}

CK7QBldDBTreeModel::Level CK7QBldDBTreeModel::LevelOf(const QModelIndex& index) const {
  if (index.internalId() == kRootId) return kRoot;
  return index.internalId() == kTableId ? kTable : kColumn;
}

const CK7QBldProfileColumn* CK7QBldDBTreeModel::Column(const QModelIndex& index) const {
  if (!index.isValid() || index.model() != this || LevelOf(index) != kColumn) return nullptr;
  const std::size_t table = index.internalId() - kColumnBase;
  const auto& tables = m_profile.Tables();
  if (table >= tables.size()) return nullptr;
  const auto& columns = tables[table].Columns();
  const auto row = static_cast<std::size_t>(index.row());
  return row < columns.size() ? &columns[row] : nullptr;
}

QModelIndex CK7QBldDBTreeModel::RootIndex() const { return index(0, 0); }
QModelIndex CK7QBldDBTreeModel::TableIndex(int table) const { return index(table, 0, RootIndex()); }
QModelIndex CK7QBldDBTreeModel::ColumnIndex(int table, int column) const {
  return index(column, 0, TableIndex(table));
}

QModelIndex CK7QBldDBTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0 || row >= rowCount(parent)) return {};
  if (!parent.isValid()) return createIndex(row, 0, kRootId);
  if (LevelOf(parent) == kRoot) return createIndex(row, 0, kTableId);
  return createIndex(row, 0, kColumnBase + static_cast<quintptr>(parent.row()));
}

QModelIndex CK7QBldDBTreeModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  switch (LevelOf(child)) {
    case kRoot:
      return {};
    case kTable:
      return createIndex(0, 0, kRootId);
    default:
      return createIndex(static_cast<int>(child.internalId() - kColumnBase), 0, kTableId);
  }
}

int CK7QBldDBTreeModel::rowCount(const QModelIndex& parent) const {
  const auto& tables = m_profile.Tables();
  if (!parent.isValid()) return tables.empty() ? 0 : 1;
  if (parent.column() != 0) return 0;
  switch (LevelOf(parent)) {
    case kRoot:
      return static_cast<int>(tables.size());
    case kTable:
      return parent.row() < static_cast<int>(tables.size())
                 ? static_cast<int>(tables[static_cast<std::size_t>(parent.row())].Columns().size())
                 : 0;
    default:
      return 0;
  }
}

int CK7QBldDBTreeModel::columnCount(const QModelIndex&) const { return 1; }

QVariant CK7QBldDBTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const Level level = LevelOf(index);
  if (role == Qt::DecorationRole) return m_icons[level];
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (level) {
    case kRoot:
      return m_rootText;
    case kTable: {
      const auto row = static_cast<std::size_t>(index.row());
      return row < m_profile.Tables().size() ? K7QFromCp932(m_profile.Tables()[row].Name())
                                             : QVariant();
    }
    default: {
      const CK7QBldProfileColumn* column = Column(index);
      return column ? WithoutTrailingBlanks(column->m_column) : QVariant();
    }
  }
}

Qt::ItemFlags CK7QBldDBTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (LevelOf(index) == kColumn) f |= Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
  return f;
}
