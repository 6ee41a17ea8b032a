#pragma once

#include <QWidget>
#include <memory>

#include "K7QBldSelectBuilder.h"

struct CK7QBldContext;
class CK7QBldMacro;
class QButtonGroup;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTreeWidget;

// The SELECT builder page: the author composes a function's statement from
// the profile without typing SQL. Three radio buttons choose the clause
// (result columns, conditions, ordering); a table and its columns are
// picked on the left, operators and values for conditions in the middle;
// the read-only statement text below follows every change. The page works
// on its own copy of the statement.
class CK7QBldSelect : public QWidget {
  Q_OBJECT

 public:
  // Roles of the value list's rows.
  static constexpr int kOriginRole = Qt::UserRole;
  static constexpr int kPlaceholderRole = Qt::UserRole + 1;
  static constexpr int kTextRole = Qt::UserRole + 2;

  CK7QBldSelect(CK7QBldContext& context, const CK7QBldMacro& macro, int reportKind,
                const CK7QBldSQL& statement, QWidget* parent);

  const CK7QBldSQL& Statement() const { return m_builder.Statement(); }
  // Whether the page changed anything.
  bool Modified() const { return m_builder.Modified(); }
  int ReportKind() const { return m_reportKind; }
  // Shows why the statement cannot be stored yet (a condition without its
  // operator or value); true when it can.
  bool CheckComplete() const { return m_builder.CheckComplete(); }

  // The commands, public so that tests drive them as the controls do.
  void SetClause(CK7QBldSelectBuilder::Clause clause);
  CK7QBldSelectBuilder::Clause CurrentClause() const;
  bool SelectTable(const QString& table);
  // Selects the column rows named (others unselected); false when one is missing.
  bool SelectColumns(const QStringList& columns);
  void OnAdd();
  void OnClear();
  // Chooses the operator row `row` of the operator list.
  void OnOperator(int row);
  // Applies the selected rows of the value list to the last condition.
  void OnApply();
  // Binds the selected column to the input field selected in the value list.
  void OnBindInputField();
  // The condition that binds a column ("TABLE.COLUMN") to an input form's field.
  bool BindInputField(const QString& column, const QString& field);
  void SetUseOr(bool useOr);

  QComboBox* Tables() const { return m_tables; }
  QTreeWidget* Columns() const { return m_columns; }
  QListWidget* Operators() const { return m_operators; }
  QListWidget* Values() const { return m_values; }
  QListWidget* ResultItems() const { return m_resultItems; }
  QListWidget* OrderItems() const { return m_orderItems; }
  QComboBox* Direction() const { return m_direction; }
  QPlainTextEdit* StatementText() const { return m_text; }
  // The value row with this text, or nullptr.
  QListWidgetItem* ValueRow(const QString& text) const;
  QListWidgetItem* Placeholder() const;

 private:
  void FillColumns();
  void FillOperators();
  void FillValues();
  void Refresh();
  void OnValueEdited(QListWidgetItem* item);
  QListWidgetItem* AddValueRow(const QString& text, K7QValueOrigin origin, int at);
  QString SelectedTable() const;
  std::string SelectedTableBytes() const;
  std::string CurrentColumnBytes() const;
  bool IsFormField(const QString& name) const;

  CK7QBldContext& m_context;
  const CK7QBldMacro& m_macro;
  int m_reportKind;
  CK7QBldSelectBuilder m_builder;
  K7QStringList m_variables;  // define variables, then input field names
  bool m_editingValues = false;

  QRadioButton* m_modeColumns;
  QRadioButton* m_modeConditions;
  QRadioButton* m_modeOrdering;
  QComboBox* m_tables;
  QTreeWidget* m_columns;
  QStackedWidget* m_stack;
  QListWidget* m_resultItems;
  QRadioButton* m_and;
  QRadioButton* m_or;
  QListWidget* m_operators;
  QListWidget* m_values;
  QPushButton* m_apply;
  QPushButton* m_bind;
  QComboBox* m_direction;
  QListWidget* m_orderItems;
  QPlainTextEdit* m_text;
};
