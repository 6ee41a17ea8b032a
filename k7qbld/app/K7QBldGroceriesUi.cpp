#include "K7QBldGroceriesUi.h"

#include <QListWidget>
#include <QMainWindow>
#include <QProcess>
#include <QTreeWidget>

QProcess* CK7QBldGroceriesUi::RunProgram(const QString& commandLine) {
  QStringList args = QProcess::splitCommand(commandLine);
  if (args.isEmpty()) return nullptr;
  const QString program = args.takeFirst();
  auto* process = new QProcess;
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  process->start(program, args);
  if (!process->waitForStarted(10000)) {
    delete process;
    return nullptr;
  }
  return process;
}

void CK7QBldGroceriesUi::CenterWindowOver(QWidget* window, QWidget* reference) {
  if (!window || !reference) return;
  const QRect r = reference->frameGeometry();
  const QSize s = window->frameGeometry().size();
  // Integer division truncating toward zero, as the placement rule has it.
  const int left = r.left() + (r.right() + 1 - s.width() - r.left()) / 2;
  const int top = r.top() + (r.bottom() + 1 - s.height() - r.top()) / 2;
  window->move(left, top);
  window->update();
}

QTreeWidget* CK7QBldGroceriesUi::ObjectTree() const {
  if (!m_main || !m_main->centralWidget()) return nullptr;
  return m_main->centralWidget()->findChild<QTreeWidget*>(QString::fromLatin1(kObjectTreeName));
}

int CK7QBldGroceriesUi::SelectNextObject() const { return SelectNextObject(ObjectTree()); }
int CK7QBldGroceriesUi::SelectPreviousObject() const { return SelectPreviousObject(ObjectTree()); }

int CK7QBldGroceriesUi::SelectNextObject(QTreeWidget* tree) {
  if (!tree || !tree->currentItem()) return 0;
  QTreeWidgetItem* item = tree->currentItem();
  QTreeWidgetItem* target = nullptr;
  if (item->childCount() > 0 && item->isExpanded()) {
    target = item->child(0);
  } else {
    QTreeWidgetItem* parent = item->parent();
    const int index = parent ? parent->indexOfChild(item) : tree->indexOfTopLevelItem(item);
    const int siblings = parent ? parent->childCount() : tree->topLevelItemCount();
    if (index + 1 < siblings) {
      target = parent ? parent->child(index + 1) : tree->topLevelItem(index + 1);
    } else if (parent) {
      QTreeWidgetItem* grand = parent->parent();
      const int pIndex = grand ? grand->indexOfChild(parent) : tree->indexOfTopLevelItem(parent);
      const int pSiblings = grand ? grand->childCount() : tree->topLevelItemCount();
      if (pIndex + 1 < pSiblings) target = grand ? grand->child(pIndex + 1) : tree->topLevelItem(pIndex + 1);
    }
  }
  if (!target) return 1;
  tree->setCurrentItem(target);
  return 1;
}

int CK7QBldGroceriesUi::SelectPreviousObject(QTreeWidget* tree) {
  if (!tree || !tree->currentItem()) return 0;
  QTreeWidgetItem* item = tree->currentItem();
  QTreeWidgetItem* parent = item->parent();
  const int index = parent ? parent->indexOfChild(item) : tree->indexOfTopLevelItem(item);
  QTreeWidgetItem* target = nullptr;
  if (index > 0) {
    QTreeWidgetItem* sibling = parent ? parent->child(index - 1) : tree->topLevelItem(index - 1);
    target = sibling->childCount() > 0 ? tree->itemAbove(item) : sibling;
  } else {
    target = parent;
  }
  if (!target) return 1;
  tree->setCurrentItem(target);
  return 1;
}

bool CK7QBldGroceriesUi::AddListBoxString(QListWidget* list, const QString& text) {
  if (!list) return false;
  const int before = list->count();
  list->addItem(text);
  return list->count() == before + 1;
}

bool CK7QBldGroceriesUi::FindListItem(QTreeWidget* list, int column, const QString& text) {
  if (!list) return false;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    if (list->topLevelItem(i)->text(column).compare(text, Qt::CaseInsensitive) == 0) return true;
  }
  return false;
}

void CK7QBldGroceriesUi::RenumberListItems(QTreeWidget* list) {
  if (!list) return;
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    list->topLevelItem(i)->setText(0, QString::number(i + 1));
  }
}
