#pragma once

#include <QWidget>

#include "K7QBldFrame.h"

struct CK7QBldContext;
class QLineEdit;
class QPushButton;
class QTreeWidget;

// The user-defined variables of the macro's define section (template 157):
// a two-column list (name, value) edited through two fields. OK, next (1158)
// and previous (1159) store the rows into the macro, and so do leaving the
// page by the tree and saving; "K7Q_IMG_PATH" also sets the image path prefix.
class CK7QBldVariable : public QWidget, public IK7QBldStoringPage {
  Q_OBJECT

 public:
  static constexpr int kIdOk = 1;
  static constexpr int kIdNext = 1158;
  static constexpr int kIdPrevious = 1159;

  CK7QBldVariable(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent);

  // The commands, public so that tests drive them as the buttons do.
  bool OnAdd();
  void OnDelete();
  void OnEdit();
  void OnOk();
  bool Changed() const { return m_changed; }
  void StoreRows() override { Store(); }
  QTreeWidget* List() const { return m_list; }
  QLineEdit* NameField() const { return m_name; }
  QLineEdit* ValueField() const { return m_value; }

  // The image-path rule: begins with "/" and holds none of \,:;*?"<>| or a blank.
  static bool IsValidImagePath(const QString& value);

 private:
  void Store();
  void UpdateButtons();
  void OnSelectionChanged();

  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;
  QTreeWidget* m_list;
  QLineEdit* m_name;
  QLineEdit* m_value;
  QPushButton* m_delete;
  QPushButton* m_edit;
  bool m_changed = false;
};
