#include "K7QBldDBFunction.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "K7QBldArgumentRows.h"
#include "K7QBldContext.h"
#include "K7QBldFile.h"
#include "K7QBldFrame.h"
#include "K7QBldFunctionRemarks.h"
#include "K7QBldLibraryMessages.h"
#include "K7QBldMacro.h"

namespace {

struct Category {
  unsigned label;
  const char* key;
};
const Category kCategories[CK7QBldDBFunction::kCategoryCount] = {
    {62214, "GeneralFunctionPath"},     {62215, "NumericFunctionPath"},
    {62216, "StringFunctionPath"},      {62217, "WordFunctionPath"},
    {62218, "TableFunctionPath"},       {62219, "FlatFileFunctionPath"},
    {62220, "WebRegistryFunctionPath"},
};

constexpr int kIdentityRole = Qt::UserRole;
constexpr int kImageRole = Qt::UserRole + 1;

// Icons 195 and 196: a function with argument values stored, and one without.
QIcon FunctionIcon(bool withValues) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x30, 0x30, 0x90), 1));
  p.setBrush(QColor(0xE8, 0xE8, 0xFF));
  p.drawRoundedRect(QRectF(0.5, 1.5, 12, 12), 2, 2);
  QFont font = p.font();
  font.setPixelSize(10);
  font.setItalic(true);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(0.5, 1.5, 12, 12), Qt::AlignCenter, QStringLiteral("f"));
  if (withValues) {
    p.setPen(QPen(QColor(0x10, 0x80, 0x10), 1));
    p.setBrush(QColor(0x30, 0xC0, 0x30));
    p.drawEllipse(QRectF(9.5, 9.5, 6, 6));
  }
  return QIcon(pixmap);
}

// The function list: a drag starts the page's drag protocol.
class CFunctionList : public QTreeWidget {
 public:
  CFunctionList(QWidget* parent, const std::string* fragment)
      : QTreeWidget(parent), m_fragment(fragment) {
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
  }

 protected:
  void startDrag(Qt::DropActions) override { K7QBldDrag::Run(this, m_fragment, true); }

 private:
  const std::string* m_fragment;
};

}  // namespace

CK7QBldDBFunction::CK7QBldDBFunction(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent)
    : CK7QBldDBLibraryPage(context, frame, parent) {
  setObjectName(QStringLiteral("147"));
  m_categories = AddCategoryList(kIdCategories, kCategories);
  auto* label = new QLabel(m_context.Text("library.functions", "&Functions:"), this);
  m_list = new CFunctionList(this, &m_fragment);
  m_list->setObjectName(QString::number(kIdList));
  m_list->setRootIsDecorated(false);
  m_list->setHeaderHidden(true);
  m_list->setColumnCount(1);
  m_list->setIconSize(QSize(16, 16));
  m_list->header()->setStretchLastSection(true);
  m_list->setToolTip(m_context.Text(
      "library.function.tip",
      "Double-click a function to enter its arguments; drag it into the page editor as a call"));
  label->setBuddy(m_list);
  Layout()->addWidget(label);
  Layout()->addWidget(m_list, 1);
  AddSkippedNote();
  connect(m_categories, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) ChooseCategory(m_categories->item(row)->data(Qt::UserRole).toInt());
  });
  connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { OnSelectionChanged(); });
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { EditArguments(); });
}

std::string CK7QBldDBFunction::CategoryPath() const {
  return LibraryPath(kCategories[m_category].key);
}

int CK7QBldDBFunction::ItemImage(int row) const {
  const QTreeWidgetItem* item = m_list->topLevelItem(row);
  return item ? item->data(0, kImageRole).toInt() : -1;
}

unsigned CK7QBldDBFunction::CurrentIdentity() const {
  const QTreeWidgetItem* item = m_list->currentItem();
  return item ? item->data(0, kIdentityRole).toUInt() : 0;
}

void CK7QBldDBFunction::UpdateImage(QTreeWidgetItem* item) {
  const unsigned identity = item->data(0, kIdentityRole).toUInt();
  const bool values =
      m_frame.Macro().ArgumentStore(static_cast<std::size_t>(m_category)).CountValues(identity) > 0;
  const Image image = values ? kImageValues : kImageNoValues;
  item->setData(0, kImageRole, image);
  item->setIcon(0, FunctionIcon(image == kImageValues));
}

int CK7QBldDBFunction::ChooseCategory(int index) {
  if (index < 0 || index >= kCategoryCount) return kMissing;
  m_category = index;
  {
    const QSignalBlocker quiet(m_categories);
    m_categories->setCurrentRow(index);
  }
  m_list->clear();
  m_fragment.clear();
  ShowSkipped(0);
  std::vector<K7QLibraryFunctionItem> items;
  K7QLibraryCounts counts;
  int result = kFailed;
  try {
    result = CK7QBldFunctionLibrary::ReadList(CategoryPath(), items, &counts) < 0
                 ? kMissing
                 : static_cast<int>(items.size());
    ShowSkipped(counts.skipped);
  } catch (const CK7QBldFileException& e) {
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
  // A file error leaves the list empty and disabled.
  if (result < 0) items.clear();
  {
    const QSignalBlocker quiet(m_list);
    for (const K7QLibraryFunctionItem& f : items) {
      auto* item = new QTreeWidgetItem(m_list, {K7QFromCp932(f.name)});
      item->setData(0, kIdentityRole, f.identity);
      UpdateImage(item);
    }
  }
  m_list->setEnabled(m_list->topLevelItemCount() > 0);
  if (m_list->topLevelItemCount() > 0) {
    m_list->setCurrentItem(m_list->topLevelItem(0));
  } else {
    m_details = {};
    ShowStatus({});
  }
  return result;
}

void CK7QBldDBFunction::OnSetActive(bool first) {
  if (ChooseCategory(0) == kMissing && first)
    m_context.Ui().Message(kIdsFunctionLibraryMissing, K7QIcon::Exclamation);
  m_categories->setFocus();
}

bool CK7QBldDBFunction::LoadDetails() {
  const QTreeWidgetItem* item = m_list->currentItem();
  if (!item) return false;
  const unsigned identity = CurrentIdentity();
  try {
    K7QLibraryCounts counts;
    if (!CK7QBldFunctionLibrary::ReadDetails(CategoryPath(), identity, m_details, &counts))
      return false;
    m_frame.Macro()
        .ArgumentStore(static_cast<std::size_t>(m_category))
        .Get(identity, m_details.values);
    return true;
  } catch (const CK7QBldFileException& e) {
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
  return false;
}

void CK7QBldDBFunction::OnSelectionChanged() {
  m_fragment.clear();
  if (!LoadDetails()) {
    m_details = {};
    ShowStatus({});
    return;
  }
  ShowStatus(K7QFromCp932(m_details.description));
}

bool CK7QBldDBFunction::RunArgumentDialog() {
  QTreeWidgetItem* item = m_list->currentItem();
  if (!item || !LoadDetails()) return false;
  CK7QBldFunctionRemarks dialog(m_context, m_details, this);
  const bool accepted = m_runDialog ? m_runDialog(dialog) : dialog.exec() == QDialog::Accepted;
  if (!accepted) return false;
  CK7QBldFunctionArgument& store =
      m_frame.Macro().ArgumentStore(static_cast<std::size_t>(m_category));
  const unsigned identity = CurrentIdentity();
  // An entry that holds no values is replaced too: a second one would never be found.
  if (store.Has(identity)) {
    store.Replace(identity, m_details.values);
  } else {
    store.Add(identity, m_details.values);
  }
  UpdateImage(item);
  return true;
}

void CK7QBldDBFunction::EditArguments() { RunArgumentDialog(); }

bool CK7QBldDBFunction::DragStarting(QWidget* control, int) {
  if (control != m_list || !m_list->currentItem()) return false;
  m_fragment.clear();
  const unsigned identity = CurrentIdentity();
  const bool stored =
      m_frame.Macro().ArgumentStore(static_cast<std::size_t>(m_category)).CountValues(identity) > 0;
  // Without values the dialog comes first; values entered there are kept
  // for the next drag, and this one ends.
  if (!stored && RunArgumentDialog()) return false;
  if (!LoadDetails() || m_details.name.empty()) return false;
  m_fragment = CK7QBldArgumentRows::BuildCall(m_details.name, m_details.values);
  return true;
}
