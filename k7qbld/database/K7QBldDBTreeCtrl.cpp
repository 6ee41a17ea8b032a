#include "K7QBldDBTreeCtrl.h"

#include <QHeaderView>

#include "K7QBldDragSource.h"

CK7QBldDBTreeCtrl::CK7QBldDBTreeCtrl(QWidget* parent) : QTreeView(parent) {
  setHeaderHidden(true);
  setIndentation(12);
  setIconSize(QSize(16, 16));
  // Thousands of rows: one height for all, so only the rows shown are measured.
  setUniformRowHeights(true);
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
  setSelectionMode(QAbstractItemView::SingleSelection);
}

void CK7QBldDBTreeCtrl::startDrag(Qt::DropActions) {
  // The pressed item is the current one by now: its fragment is what goes.
  if (!m_fragment) return;
  K7QBldDrag::Run(this, m_fragment, true);
}
