#pragma once

#include <QDialog>
#include <memory>

class CK7QBldArgumentRows;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
struct CK7QBldContext;
struct CK7QBldLibraryFunction;

// Dialog 198: the argument values of a library function. It shows the
// function's description and one row per argument; OK writes the values
// into the function's stored values, by position.
class CK7QBldFunctionRemarks : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kIdName = 1235;
  static constexpr int kIdDescription = 1236;
  static constexpr int kIdList = 1027;
  static constexpr int kIdRowName = 1191;
  static constexpr int kIdValue = 1238;
  static constexpr int kIdSet = 1192;
  static constexpr int kIdDelete = 1012;

  CK7QBldFunctionRemarks(CK7QBldContext& context, CK7QBldLibraryFunction& function,
                         QWidget* parent = nullptr);
  ~CK7QBldFunctionRemarks() override;

  // The commands.
  void OnSet();
  void OnDelete();
  void accept() override;

  // The description text as field 1236 shows it.
  static QString DescriptionText(const CK7QBldContext& context,
                                 const CK7QBldLibraryFunction& function);

 private:
  void FillRows();
  void OnRowChosen();
  std::vector<int> SelectedRows() const;

  CK7QBldContext& m_context;
  CK7QBldLibraryFunction& m_function;
  std::unique_ptr<CK7QBldArgumentRows> m_rows;
  QPlainTextEdit* m_description;
  QTreeWidget* m_list;
  QLineEdit* m_rowName;
  QLineEdit* m_value;
  QPushButton* m_set;
  QPushButton* m_delete;
};
