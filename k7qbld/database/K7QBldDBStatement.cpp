#include "K7QBldDBStatement.h"

#include <QLabel>
#include <QVBoxLayout>

#include "K7QBldContext.h"
#include "K7QBldDragControls.h"
#include "K7QBldFile.h"
#include "K7QBldLibraryMessages.h"

namespace {
constexpr char kPathKey[] = "StatementPath";
}

CK7QBldDBStatement::CK7QBldDBStatement(CK7QBldContext& context, IK7QBldFrame& frame,
                                       QWidget* parent)
    : CK7QBldDBLibraryPage(context, frame, parent) {
  setObjectName(QStringLiteral("145"));
  auto* label = new QLabel(m_context.Text("library.statements", "&Statements:"), this);
  m_list = new CK7QBldDragList(this, &m_fragment);
  m_list->setObjectName(QString::number(kIdList));
  m_list->setToolTip(
      m_context.Text("library.drag.tip", "Drag an entry into the page editor to insert its text"));
  label->setBuddy(m_list);
  Layout()->addWidget(label);
  Layout()->addWidget(m_list, 1);
  AddSkippedNote();
  connect(m_list, &QListWidget::currentRowChanged, this, [this] { OnSelectionChanged(); });
}

int CK7QBldDBStatement::Load() {
  try {
    return FillEntries(m_list, LibraryPath(kPathKey));
  } catch (const CK7QBldFileException& e) {
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
  } catch (const std::bad_alloc& e) {
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
  return kFailed;
}

void CK7QBldDBStatement::OnSetActive(bool first) {
  // Read afresh each time, so that an edited library shows at once.
  if (Load() == kMissing && first)
    m_context.Ui().Message(kIdsStatementLibraryMissing, K7QIcon::Exclamation);
  if (m_list->count() > 0) {
    m_list->setCurrentRow(0);
  } else {
    OnSelectionChanged();
  }
}

void CK7QBldDBStatement::OnSelectionChanged() {
  try {
    ShowEntry(m_list, LibraryPath(kPathKey), m_fragment);
  } catch (const CK7QBldFileException& e) {
    m_fragment.clear();
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
  } catch (const std::bad_alloc& e) {
    m_fragment.clear();
    m_context.groceries.ReportMemoryException(e, __FILE__, __LINE__);
  }
}
