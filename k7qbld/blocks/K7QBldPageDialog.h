#pragma once

#include <QWidget>

struct CK7QBldContext;
class IK7QBldFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The input page (tree item 11, page 0) and the report page (item 4, page 1):
// shows the page and starts the page editor on it. Before the editor starts
// the builder-made functions are merged back into the page, the tree side is
// collapsed and the large-object files are copied next to the page.
class CK7QBldPageDialog : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kIdEdit = 1160;
  static constexpr int kIdNext = 1158;
  static constexpr int kIdPrevious = 1159;

  CK7QBldPageDialog(CK7QBldContext& context, IK7QBldFrame& frame, int side, int itemCode,
                    QWidget* parent);

  // Starts the page editor; false when it did not start.
  bool OnEdit();
  // The page the editor works on, made from the profile folder and the title.
  QString PagePath() const;

 private:
  void ShowPage();

  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;
  int m_side;
  int m_itemCode;
  QLabel* m_path;
  QPlainTextEdit* m_preview;
  QPushButton* m_editButton;
};
