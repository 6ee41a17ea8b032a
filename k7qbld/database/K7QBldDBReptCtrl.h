#pragma once

#include <QWidget>
#include <string>

#include "K7QBldDragSource.h"
#include "K7QBldGroceries.h"

class CK7QBldDragButton;
class IK7QBldFrame;
class QButtonGroup;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
struct CK7QBldContext;

// Page 166 of the database sheet: the repeat controls. The author names a
// row loop, a table loop, an input form or an option loop and drags it
// into the page; at the start of each drag the names are checked against
// everything they could meet in the macro and recorded in the frame's
// name registers, so that every name the page hands out stays unique.
class CK7QBldDBReptCtrl : public QWidget, public IK7QBldDragPage {
  Q_OBJECT

 public:
  enum Kind { kRowLoop = 1, kTableLoop = 2, kInputForm = 3, kOptionLoop = 4 };

  static constexpr int kIdKind = 1420;
  static constexpr int kIdRowName = 1425;
  static constexpr int kIdRowDrag = 1426;
  static constexpr int kIdTableName = 1427;
  static constexpr int kIdColumnCount = 1428;
  static constexpr int kIdColumnSpin = 1429;
  static constexpr int kIdRowField = 1430;
  static constexpr int kIdTableDrag = 1431;
  static constexpr int kIdInputName = 1432;
  static constexpr int kIdInputAction = 1433;
  static constexpr int kIdInputGet = 1434;
  static constexpr int kIdInputPost = 1435;
  static constexpr int kIdInputDrag = 1436;
  static constexpr int kIdOptionName = 1437;
  static constexpr int kIdSelectName = 1438;
  static constexpr int kIdOptionAction = 1439;
  static constexpr int kIdOptionGet = 1440;
  static constexpr int kIdOptionPost = 1441;
  static constexpr int kIdTableCombo = 1442;
  static constexpr int kIdColumnList = 1443;
  static constexpr int kIdSelectedList = 1444;
  static constexpr int kIdAdd = 1445;
  static constexpr int kIdRemove = 1446;
  static constexpr int kIdOptionDrag = 1447;

  CK7QBldDBReptCtrl(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent = nullptr);

  const std::string& Fragment() const { return m_fragment; }
  Kind CurrentKind() const;
  void SetKind(Kind kind);
  // 0 valid, 1 not a number, 2 out of range.
  int ColumnCountState() const { return m_countState; }
  int ColumnCount() const { return m_columnCount; }
  const K7QStringList& SelectedColumns() const { return m_selected; }

  // The builders: check the names, record them and set the fragment. False
  // (a message shown, or nothing to do) leaves the fragment as it was.
  bool BuildRowLoop();
  bool BuildTableLoop();
  bool BuildInputForm();
  bool BuildOptionLoop();

  // The option loop's list commands.
  void OnTableChosen(int index);
  void OnAdd();
  void OnRemove();

  bool DragStarting(QWidget* control, int id) override;

 private:
  QWidget* MakeRowPage();
  QWidget* MakeTablePage();
  QWidget* MakeInputPage();
  QWidget* MakeOptionPage();
  QLineEdit* AddEdit(QWidget* page, int id);
  CK7QBldDragButton* AddDragButton(QWidget* page, int id, unsigned caption);
  // The GET/POST choice of a form on `page`; returns GET, which is chosen.
  QRadioButton* AddMethodRow(QWidget* page, QFormLayout* form, int getId, int postId);
  void OnColumnCountEdited(const QString& text);
  void UpdateButtons();
  // Trimmed CP932 text of a field; false (with a message) when CP932 cannot hold it.
  bool FieldText(QLineEdit* edit, std::string& text) const;
  bool LoopNameUsable(const std::string& name, unsigned caption) const;
  bool InputNameUsable(const std::string& name) const;
  std::string Cp932String(unsigned id) const;

  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;
  std::string m_fragment;
  int m_columnCount = 4;
  int m_countState = 0;
  K7QStringList m_selected;

  QComboBox* m_kind = nullptr;
  QStackedWidget* m_stack = nullptr;
  QLineEdit* m_rowName = nullptr;
  CK7QBldDragButton* m_rowDrag = nullptr;
  QLineEdit* m_tableName = nullptr;
  QLineEdit* m_columnCountEdit = nullptr;
  QSpinBox* m_columnSpin = nullptr;
  CK7QBldDragButton* m_tableDrag = nullptr;
  QLineEdit* m_inputName = nullptr;
  QLineEdit* m_inputAction = nullptr;
  QRadioButton* m_inputGet = nullptr;
  CK7QBldDragButton* m_inputDrag = nullptr;
  QLineEdit* m_optionName = nullptr;
  QLineEdit* m_selectName = nullptr;
  QLineEdit* m_optionAction = nullptr;
  QRadioButton* m_optionGet = nullptr;
  QComboBox* m_tableCombo = nullptr;
  QListWidget* m_columnList = nullptr;
  QListWidget* m_selectedList = nullptr;
  QPushButton* m_add = nullptr;
  QPushButton* m_remove = nullptr;
  CK7QBldDragButton* m_optionDrag = nullptr;
};
