#pragma once

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPoint>
#include <QPushButton>
#include <string>

// The drag-source controls. Each holds a pointer to the fragment its page
// keeps up to date (none: the control does not drag) and starts the drag
// protocol (K7QBldDrag::Run) once the left button is pressed on it and the
// mouse has moved by the platform's drag distance, so that a plain click
// is still a click.

// A push button: always tells its page before it drags.
class CK7QBldDragButton : public QPushButton {
  Q_OBJECT

 public:
  explicit CK7QBldDragButton(const QString& text, QWidget* parent = nullptr,
                             const std::string* fragment = nullptr);
  void SetFragment(const std::string* fragment) { m_fragment = fragment; }
  const std::string* Fragment() const { return m_fragment; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  const std::string* m_fragment;
  QPoint m_pressed;
  bool m_armed = false;
};

// A read-only text box: with a fragment it tells its page and drags;
// without one it is an ordinary box whose text can be selected and copied.
class CK7QBldDragEdit : public QPlainTextEdit {
  Q_OBJECT

 public:
  explicit CK7QBldDragEdit(QWidget* parent = nullptr, const std::string* fragment = nullptr);
  void SetFragment(const std::string* fragment) { m_fragment = fragment; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  const std::string* m_fragment;
  QPoint m_pressed;
  bool m_armed = false;
};

// A list: pressing selects the item under the mouse (the page hears of it as
// a selection change, in which it rebuilds the fragment); the drag itself
// sends no notification.
class CK7QBldDragList : public QListWidget {
  Q_OBJECT

 public:
  explicit CK7QBldDragList(QWidget* parent = nullptr, const std::string* fragment = nullptr);
  void SetFragment(const std::string* fragment) { m_fragment = fragment; }

 protected:
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  const std::string* m_fragment;
};
