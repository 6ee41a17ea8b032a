#pragma once

// Folder k7qbld/objects: the page-object sheet and its pages.

#include <QWidget>
#include <string>

struct CK7QBldContext;
class CK7QBldMacro;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// One page object as the pages pass it around (CP932 bytes, as the macro keeps them).
struct SK7QBldObjectRow {
  int kind = 0;
  std::string value;
  std::string replacement;
  std::string function;
  std::string table;
  std::string column;
  std::string note;
};

// The list page of the page-object sheet (dialog 225): a working copy of
// the macro's page objects, one row each, numbered from 1. The condition
// value and the replacement ride along with each row unseen. Changes reach
// the macro only through Apply.
class CK7QBldDDData : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kId = 225;
  static constexpr int kIdBanner = 1283;
  static constexpr int kIdList = 1027;
  static constexpr int kIdDelete = 1012;

  CK7QBldDDData(CK7QBldContext& context, const CK7QBldMacro& macro, QWidget* parent);

  // The row of `function` (ignoring case), or -1.
  int FindRow(const std::string& function) const;
  void AddRow(const SK7QBldObjectRow& row);
  void ReplaceRow(int index, const SK7QBldObjectRow& row);
  SK7QBldObjectRow Row(int index) const;
  int RowCount() const;
  void OnDelete();
  // Empties the macro's page objects and adds every row in order.
  void Apply(CK7QBldMacro& macro) const;
  bool Modified() const { return m_modified; }
  QTreeWidget* List() const { return m_list; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void SetRow(QTreeWidgetItem* item, const SK7QBldObjectRow& row);
  void UpdateButtons();

  CK7QBldContext& m_context;
  QTreeWidget* m_list;
  QPushButton* m_delete;
  bool m_modified = false;
};
