#pragma once

#include <QWidget>
#include <vector>

#include "K7QBldFrame.h"
#include "K7QBldFunctionEntry.h"

struct CK7QBldContext;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The functions of the macro (template 142): a list of name and comment,
// builder-made functions and the author's own told apart by their icons.
// The page works on a copy of the function list and writes it back when
// the author leaves it (OK, next, previous, the tree, saving). From here
// the author edits a function's page in the page editor (the author's) or
// the macro text editor (builder-made), its statement on the SELECT
// builder and its messages.
class CK7QBldFunction : public QWidget, public IK7QBldStoringPage {
  Q_OBJECT

 public:
  static constexpr int kIdOk = 1;
  static constexpr int kIdDelete = 1012;
  static constexpr int kIdEditPage = 1133;
  static constexpr int kIdNext = 1158;
  static constexpr int kIdPrevious = 1159;
  static constexpr int kIdAdd = 1192;
  static constexpr int kIdEditText = 1259;
  static constexpr int kIdStatement = 1260;
  static constexpr int kIdMessages = 1261;
  static constexpr int kIdPicture = 1283;
  // The object tree's item of this page: the page editor brings it back.
  static constexpr int kTreeCode = 7;

  CK7QBldFunction(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent);

  // The commands, public so that tests drive them as the buttons do.
  bool OnAdd();
  void OnDelete();
  bool OnEditPage();
  bool OnEditText();
  // Runs the statement sheet on the selected function; the command that ended it.
  int OnStatement();
  // Runs the message dialog on the selected function's block; true after OK.
  bool OnMessages();
  void OnNext();
  void OnPrevious();

  // Writes the rows into the macro's function list. True when it changed,
  // which marks the document modified.
  bool Store();
  void StoreRows() override { Store(); }

  const std::vector<CK7QBldFunctionEntry>& Rows() const { return m_rows; }
  QTreeWidget* List() const { return m_list; }
  QLineEdit* NameField() const { return m_name; }
  QLineEdit* CommentField() const { return m_comment; }
  // Selects the row of `name` (ignoring case); false when there is none.
  bool SelectRow(const QString& name);

  // The icons of the list: builder-made (bitmap 195) and the author's (196).
  static QIcon Icon(bool builderMade);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int CurrentRow() const;
  void ShowRow();
  void UpdateButtons();
  QTreeWidgetItem* AddListRow(const CK7QBldFunctionEntry& row);
  std::string PagePath(const std::string& name) const;
  // Deletes a function page and its converted page; false after a reported failure.
  bool DeletePageFiles(const std::string& page);
  // True when no page calls the function or the author agreed to delete it anyway.
  bool ConfirmUncalled(std::size_t row);

  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;
  std::vector<CK7QBldFunctionEntry> m_rows;  // in the list's order
  QTreeWidget* m_list;
  QLineEdit* m_name;
  QLineEdit* m_comment;
  QPushButton* m_delete;
  QPushButton* m_editPage;
  QPushButton* m_editText;
  QPushButton* m_statement;
  QPushButton* m_messages;
};
