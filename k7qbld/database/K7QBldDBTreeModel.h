#pragma once

#include <QAbstractItemModel>
#include <QIcon>

class CK7QBldProfile;
class CK7QBldProfileColumn;

// The tables and columns of the profile as a tree: one root item, a
// table item per table in profile order, a column item per column. Items
// are made only when a view asks for them, so a profile of thousands of
// tables opens at once. The model only points into the profile: it must
// go before the profile is cleared or read again.
class CK7QBldDBTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum Level { kRoot, kTable, kColumn };

  CK7QBldDBTreeModel(const CK7QBldProfile& profile, const QString& rootText,
                     QObject* parent = nullptr);

  // The column record of a column item, nullptr for the root and tables.
  const CK7QBldProfileColumn* Column(const QModelIndex& index) const;
  Level LevelOf(const QModelIndex& index) const;
  QModelIndex RootIndex() const;
  QModelIndex TableIndex(int table) const;
  QModelIndex ColumnIndex(int table, int column) const;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // Only column items are dragged: they are what a fragment is made of.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // The images of the tree: normal and selected, for the root, a table and a column.
  static QIcon Icon(Level level);

 private:
  // Internal ids: 0 the root, 1 a table (child of the root), 2 + t a column of table t.
  static constexpr quintptr kRootId = 0;
  static constexpr quintptr kTableId = 1;
  static constexpr quintptr kColumnBase = 2;

  const CK7QBldProfile& m_profile;
  QString m_rootText;
  QIcon m_icons[3];
};
