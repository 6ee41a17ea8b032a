#include "K7QBldDBSheet.h"

#include <QFileInfo>
#include <QLabel>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "K7QBldContext.h"
#include "K7QBldDBFunction.h"
#include "K7QBldDBReptCtrl.h"
#include "K7QBldDBStatement.h"
#include "K7QBldDBTableColumn.h"
#include "K7QBldDBTreeCtrl.h"
#include "K7QBldDBTreeModel.h"
#include "K7QBldDBVariable.h"
#include "K7QBldFrame.h"
#include "K7QBldFunctionRemarks.h"
#include "K7QBldLinkDialog.h"
#include "K7QBldMacro.h"
#include "K7QBldProfile.h"

namespace {

constexpr unsigned kIdsDatabase = 62242;

}  // namespace

CK7QBldDBSheet::CK7QBldDBSheet(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent)
    : QWidget(parent), m_context(context), m_frame(frame) {
  setObjectName(QStringLiteral("databaseSheet"));
  setWindowTitle(m_context.String(kIdsDatabase));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* title = new QLabel(m_context.String(kIdsDatabase), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  m_tabs = new QTabWidget(this);
  // Five pages in a narrow sheet: every tab stays in sight, its title
  // shortened if need be, rather than some hidden behind scroll buttons.
  m_tabs->setUsesScrollButtons(false);
  m_tabs->setElideMode(Qt::ElideRight);
  layout->addWidget(m_tabs, 1);
  m_columns = new CK7QBldDBTableColumn(m_context, m_frame, m_tabs);
  AddPage(m_columns, m_context.Text("sheet.columns", "Tables and Columns"));
  // The library pages need no profile; the repeat controls go before them
  // once a profile is read.
  m_statements = new CK7QBldDBStatement(m_context, m_frame, m_tabs);
  AddPage(m_statements, m_context.Text("sheet.statements", "Statements"));
  m_variables = new CK7QBldDBVariable(m_context, m_frame, m_tabs);
  AddPage(m_variables, m_context.Text("sheet.variables", "Variables"));
  m_functions = new CK7QBldDBFunction(m_context, m_frame, m_tabs);
  AddPage(m_functions, m_context.Text("sheet.functions", "Functions"));
  connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
    if (m_activeLibrary) m_activeLibrary->KillActive();
    m_activeLibrary = qobject_cast<CK7QBldDBLibraryPage*>(m_tabs->widget(index));
    if (m_activeLibrary) m_activeLibrary->SetActive();
  });
}

int CK7QBldDBSheet::AddPage(QWidget* page, const QString& title) {
  return m_tabs->addTab(page, title);
}

int CK7QBldDBSheet::PageCount() const { return m_tabs->count(); }
QWidget* CK7QBldDBSheet::Page(int index) const { return m_tabs->widget(index); }
void CK7QBldDBSheet::SetCurrentPage(int index) { m_tabs->setCurrentIndex(index); }

bool CK7QBldDBSheet::Load(const QString& path) {
  CK7QBldProfile& profile = m_frame.Macro().Profile();
  m_columns->ClearTree();
  const bool read = profile.Read(K7QToPath(QFileInfo(path).absoluteFilePath()));
  if (!read) {
    m_context.Ui().Message(kIdsProfileLoadFailed, K7QIcon::Exclamation);
    // What was read before the failure is no open profile: nothing of it is offered.
    return false;
  }
  // The repeat controls list the profile's tables: made once it is read.
  delete m_repeat;
  m_repeat = new CK7QBldDBReptCtrl(m_context, m_frame, m_tabs);
  m_tabs->insertTab(1, m_repeat, m_context.Text("sheet.repeat", "Repeat Controls"));
  return m_columns->FillTree();
}

bool CK7QBldDBSheet::TakeScreenshots(const std::function<bool(QWidget*, const QString&)>& save) {
  bool ok = true;
  CK7QBldDBTreeModel* model = m_columns->Model();
  CK7QBldDBTreeCtrl* tree = m_columns->Tree();
  m_tabs->setCurrentWidget(m_columns);
  ok &= save(window(), QStringLiteral("K7QBld-sheet-columns"));
  // A framed picture: the first image column of the profile.
  const auto& tables = m_frame.Macro().Profile().Tables();
  for (std::size_t t = 0; model && t < tables.size(); ++t) {
    const auto& columns = tables[t].Columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
      if (columns[c].m_kind != kKindImage) continue;
      const QModelIndex index = model->ColumnIndex(static_cast<int>(t), static_cast<int>(c));
      tree->setExpanded(index.parent(), true);
      tree->setCurrentIndex(index);
      ok &= save(window(), QStringLiteral("K7QBld-sheet-image"));
      t = tables.size();
      break;
    }
  }
  // The link dialog as it opens over the page.
  CK7QBldLinkDialog link(m_context, "https://", ".html", m_columns);
  ok &= save(&link, QStringLiteral("K7QBld-sheet-link"));
  if (m_repeat) {
    m_tabs->setCurrentWidget(m_repeat);
    for (auto kind : {CK7QBldDBReptCtrl::kRowLoop, CK7QBldDBReptCtrl::kTableLoop,
                      CK7QBldDBReptCtrl::kInputForm, CK7QBldDBReptCtrl::kOptionLoop}) {
      m_repeat->SetKind(kind);
      ok &= save(window(), QStringLiteral("K7QBld-sheet-repeat%1").arg(static_cast<int>(kind)));
    }
    m_repeat->SetKind(CK7QBldDBReptCtrl::kRowLoop);
  }
  // The library pages on the installed libraries, and the argument dialog
  // on the first function of the first category that has one.
  m_tabs->setCurrentWidget(m_statements);
  ok &= save(window(), QStringLiteral("K7QBld-sheet-statements"));
  m_tabs->setCurrentWidget(m_variables);
  m_variables->ChooseCategory(1);
  ok &= save(window(), QStringLiteral("K7QBld-sheet-variables"));
  m_tabs->setCurrentWidget(m_functions);
  m_functions->ChooseCategory(2);
  ok &= save(window(), QStringLiteral("K7QBld-sheet-functions"));
  if (m_functions->List()->topLevelItemCount() > 1) {
    m_functions->List()->setCurrentItem(m_functions->List()->topLevelItem(1));
    CK7QBldLibraryFunction details = m_functions->Details();
    details.values = {"$(QNAME)", "1", "10"};
    CK7QBldFunctionRemarks remarks(m_context, details, m_functions);
    ok &= save(&remarks, QStringLiteral("K7QBld-sheet-arguments"));
  }
  m_tabs->setCurrentWidget(m_columns);
  return ok;
}
