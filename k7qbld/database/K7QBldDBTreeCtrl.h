#pragma once

#include <QTreeView>
#include <string>

// The tree of the tables and columns page. Dragging a column item runs the
// drag protocol with the page's fragment (the page hears of the drag first);
// without a fragment pointer nothing is dragged.
class CK7QBldDBTreeCtrl : public QTreeView {
  Q_OBJECT

 public:
  explicit CK7QBldDBTreeCtrl(QWidget* parent = nullptr);
  void SetFragment(const std::string* fragment) { m_fragment = fragment; }
  const std::string* Fragment() const { return m_fragment; }

 protected:
  void startDrag(Qt::DropActions supportedActions) override;

 private:
  const std::string* m_fragment = nullptr;
};
