#include "K7QBldDragControls.h"

#include <QApplication>
#include <QMouseEvent>

#include "K7QBldDragSource.h"

namespace {

bool MovedFarEnough(const QPoint& from, const QMouseEvent* event) {
  return (event->position().toPoint() - from).manhattanLength() >=
         QApplication::startDragDistance();
}

}  // namespace

CK7QBldDragButton::CK7QBldDragButton(const QString& text, QWidget* parent,
                                     const std::string* fragment)
    : QPushButton(text, parent), m_fragment(fragment) {}

void CK7QBldDragButton::mousePressEvent(QMouseEvent* event) {
  m_armed = event->button() == Qt::LeftButton && isEnabled();
  m_pressed = event->position().toPoint();
  QPushButton::mousePressEvent(event);
}

void CK7QBldDragButton::mouseMoveEvent(QMouseEvent* event) {
  if (m_armed && (event->buttons() & Qt::LeftButton) && MovedFarEnough(m_pressed, event)) {
    m_armed = false;
    setDown(false);
    K7QBldDrag::Run(this, m_fragment, true);
    return;
  }
  QPushButton::mouseMoveEvent(event);
}

CK7QBldDragEdit::CK7QBldDragEdit(QWidget* parent, const std::string* fragment)
    : QPlainTextEdit(parent), m_fragment(fragment) {
  setReadOnly(true);
}

void CK7QBldDragEdit::mousePressEvent(QMouseEvent* event) {
  m_armed = m_fragment && event->button() == Qt::LeftButton;
  m_pressed = event->position().toPoint();
  QPlainTextEdit::mousePressEvent(event);
}

void CK7QBldDragEdit::mouseMoveEvent(QMouseEvent* event) {
  if (m_armed && (event->buttons() & Qt::LeftButton) && MovedFarEnough(m_pressed, event)) {
    m_armed = false;
    K7QBldDrag::Run(this, m_fragment, true);
    return;
  }
  QPlainTextEdit::mouseMoveEvent(event);
}

CK7QBldDragList::CK7QBldDragList(QWidget* parent, const std::string* fragment)
    : QListWidget(parent), m_fragment(fragment) {
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
}

void CK7QBldDragList::startDrag(Qt::DropActions) { K7QBldDrag::Run(this, m_fragment, false); }
