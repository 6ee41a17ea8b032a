#pragma once

// Folder k7qbld/blocks: the pages of the macro blocks shown beside the tree.

#include <QWidget>

struct CK7QBldContext;
class IK7QBldFrame;
class QPushButton;

// The guide pages of the object tree: the start page (template 156), the
// fourth page for the message area (201), the intermediate page (203) and
// the final page (168). Each shows bitmap 170 in picture control 1283; 1158
// moves to the next object of the tree, 1159 to the previous one.
class CK7QBldGuidePage : public QWidget {
  Q_OBJECT

 public:
  enum Template { kStart = 156, kFourth = 201, kIntermediate = 203, kFinal = 168 };
  static constexpr int kIdOk = 1;
  static constexpr int kIdNext = 1158;
  static constexpr int kIdPrevious = 1159;
  static constexpr int kIdPicture = 1283;

  CK7QBldGuidePage(CK7QBldContext& context, IK7QBldFrame& frame, Template which, QWidget* parent);

  Template Which() const { return m_which; }
  QPushButton* Button(int id) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void OnOk();
  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;
  Template m_which;
};
