#pragma once

#include <QDialog>

#include "K7QBldFrame.h"

struct CK7QBldContext;
class CK7QBldMessageBlock;
class QComboBox;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

// The messages shown for SQL return codes (template 149): a list of code,
// text and action, edited through three combo boxes. Mode 1 is the page of
// the report section's block in the object tree (next and previous store
// and move on); mode 0 is a modal dialog on one function's block, with the
// position of its message section before or after the report.
class CK7QBldMessage : public QDialog, public IK7QBldStoringPage {
  Q_OBJECT

 public:
  enum Mode { kModeFunction = 0, kModeReport = 1 };
  static constexpr int kIdOk = 1;
  static constexpr int kIdCancel = 2;
  static constexpr int kIdDelete = 1012;
  static constexpr int kIdList = 1086;
  static constexpr int kIdNext = 1158;
  static constexpr int kIdPrevious = 1159;
  static constexpr int kIdAdd = 1192;
  static constexpr int kIdCode = 1207;
  static constexpr int kIdAction = 1208;
  static constexpr int kIdText = 1209;
  static constexpr int kIdBefore = 1262;
  static constexpr int kIdAfter = 1263;
  static constexpr int kIdPositionFrame = 1264;
  static constexpr int kIdReportTitle = 1274;
  static constexpr int kIdReportHelp = 1275;
  static constexpr int kIdFunctionHelp = 1276;
  static constexpr int kIdPicture = 1283;

  // In mode 1 the dialog is a page inside `parent`; in mode 0 run it with exec().
  CK7QBldMessage(CK7QBldContext& context, CK7QBldMessageBlock& block, Mode mode, QWidget* parent);

  // The commands, public so that tests drive them as the controls do.
  bool OnAdd();
  void OnDelete();
  // A code chosen in the code combo (its index there).
  void OnCodeChosen(int index);
  // OK, 1158, a double click or the space key on a row: store, then move
  // on (mode 1) or close (mode 0).
  void OnNext();
  void OnPrevious();

  // Writes the rows into the block. True when the block changed; in mode 1
  // a change marks the document modified (in mode 0 the block is the
  // function page's, which does that when it stores its rows).
  bool Store();
  void StoreRows() override { Store(); }

  QTreeWidget* List() const { return m_list; }
  QComboBox* CodeCombo() const { return m_code; }
  QComboBox* TextCombo() const { return m_text; }
  QComboBox* ActionCombo() const { return m_action; }

 protected:
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Load();
  void ShowRow(QTreeWidgetItem* row);
  QTreeWidgetItem* FindRow(const QString& code) const;
  void UpdateEnabled();
  void SelectAction(int action);
  void Warn(unsigned id, const QString& detail = {});

  CK7QBldContext& m_context;
  CK7QBldMessageBlock& m_block;
  Mode m_mode;
  QTreeWidget* m_list;
  QComboBox* m_code;
  QComboBox* m_text;
  QComboBox* m_action;
  QPushButton* m_delete;
  QRadioButton* m_before = nullptr;
  QRadioButton* m_after = nullptr;
};
