#include "K7QBldDBVariable.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "K7QBldContext.h"
#include "K7QBldDragControls.h"
#include "K7QBldFile.h"
#include "K7QBldLibraryMessages.h"

namespace {

struct Category {
  unsigned label;
  const char* key;
};
const Category kCategories[CK7QBldDBVariable::kCategoryCount] = {
    {62208, "PredefinedVariablePath"}, {62209, "DefaultVariablePath"},
    {62210, "ApletVariablePath"},      {62211, "ReportVariablePath"},
    {62212, "SQLVariablePath"},        {62213, "UserDefinedVariablePath"},
};

}  // namespace

CK7QBldDBVariable::CK7QBldDBVariable(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent)
    : CK7QBldDBLibraryPage(context, frame, parent) {
  setObjectName(QStringLiteral("146"));
  m_categories = AddCategoryList(kIdCategories, kCategories);
  auto* label = new QLabel(m_context.Text("library.variables", "&Variables:"), this);
  m_list = new CK7QBldDragList(this, &m_fragment);
  m_list->setObjectName(QString::number(kIdList));
  m_list->setToolTip(
      m_context.Text("library.drag.tip", "Drag an entry into the page editor to insert its text"));
  label->setBuddy(m_list);
  Layout()->addWidget(label);
  Layout()->addWidget(m_list, 1);
  AddSkippedNote();
  connect(m_categories, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) ChooseCategory(m_categories->item(row)->data(Qt::UserRole).toInt());
  });
  connect(m_list, &QListWidget::currentRowChanged, this, [this] { OnSelectionChanged(); });
}

std::string CK7QBldDBVariable::CategoryPath() const {
  return LibraryPath(kCategories[m_category].key);
}

int CK7QBldDBVariable::ChooseCategory(int index) {
  if (index < 0 || index >= kCategoryCount) return kMissing;
  m_category = index;
  {
    const QSignalBlocker quiet(m_categories);
    m_categories->setCurrentRow(index);
  }
  int lines = kFailed;
  try {
    lines = FillEntries(m_list, CategoryPath());
  } catch (const CK7QBldFileException& e) {
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
  if (m_list->count() > 0) {
    m_list->setCurrentRow(0);
  } else {
    OnSelectionChanged();
  }
  return lines;
}

void CK7QBldDBVariable::OnSetActive(bool first) {
  const int lines = ChooseCategory(0);
  if (lines == kMissing && first)
    m_context.Ui().Message(kIdsVariableLibraryMissing, K7QIcon::Exclamation);
  m_categories->setFocus();
}

void CK7QBldDBVariable::OnSelectionChanged() {
  try {
    ShowEntry(m_list, CategoryPath(), m_fragment);
  } catch (const CK7QBldFileException& e) {
    m_fragment.clear();
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
  } catch (const std::bad_alloc& e) {
    m_fragment.clear();
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
}
