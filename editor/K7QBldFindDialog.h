#pragma once

#include <QDialog>

#include "K7QBldEditView.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The modeless find dialog, and with `replace` the replace dialog, of the
// edit view. It only collects the options; the frame does the searching.
class CK7QBldFindDialog : public QDialog {
  Q_OBJECT

 public:
  CK7QBldFindDialog(bool replace, QWidget* parent = nullptr);

  bool IsReplace() const { return m_replace; }
  SK7QFindOptions Options() const;
  void SetOptions(const SK7QFindOptions& options);
  // Disables the replace buttons for a read-only document.
  void SetReadOnly(bool readOnly);

 signals:
  void FindNext();
  void Replace();
  void ReplaceAll();

 private:
  void UpdateButtons();

  bool m_replace;
  bool m_readOnly = false;
  QLineEdit* m_findWhat;
  QLineEdit* m_replaceWith = nullptr;
  QCheckBox* m_wholeWord;
  QCheckBox* m_matchCase;
  QRadioButton* m_up = nullptr;
  QRadioButton* m_down = nullptr;
  QPushButton* m_findNext;
  QPushButton* m_replaceButton = nullptr;
  QPushButton* m_replaceAll = nullptr;
};
