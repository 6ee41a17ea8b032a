#include "K7QBldBlockScreens.h"

#include <QComboBox>
#include <QListWidget>
#include <QWidget>

#include "K7QBldContext.h"
#include "K7QBldCustomSheet.h"
#include "K7QBldFrame.h"
#include "K7QBldFunction.h"
#include "K7QBldMacro.h"
#include "K7QBldMessage.h"
#include "K7QBldSelect.h"

namespace {

constexpr unsigned kIdsStatementSheet = 62242;

// The first column of `table` that compares as `typeClass`, or "".
QString ColumnOf(const CK7QBldProfile& profile, const std::string& table, K7QTypeClass typeClass) {
  const CK7QBldDBTable* found = profile.FindTable(table);
  if (!found) return {};
  for (const CK7QBldProfileColumn& column : found->Columns()) {
    if (CK7QBldSelectBuilder::ClassOf(column.m_typeCode) == typeClass)
      return K7QFromCp932(column.m_column);
  }
  return {};
}

void ChooseOperator(CK7QBldSelect& page, const QString& label) {
  const auto found = page.Operators()->findItems(label, Qt::MatchExactly);
  if (!found.isEmpty()) page.OnOperator(page.Operators()->row(found.front()));
}

// A condition and an ordering on the statement's first table, as an author
// would click them together.
void BuildExample(CK7QBldContext& context, const CK7QBldProfile& profile, CK7QBldSelect& page) {
  const K7QStringList& tables = page.Statement().Tables();
  if (tables.empty()) return;
  const std::string& table = tables.front();
  const QString number = ColumnOf(profile, table, K7QTypeClass::NumericDate);
  const QString text = ColumnOf(profile, table, K7QTypeClass::Character);
  page.SelectTable(K7QFromCp932(table));
  if (!number.isEmpty()) {
    page.SetClause(CK7QBldSelectBuilder::kClauseConditions);
    page.SelectColumns({number});
    page.OnAdd();
    ChooseOperator(page, context.String(62291));
    page.Placeholder()->setText(QStringLiteral("100"));
    page.Values()->clearSelection();
    if (QListWidgetItem* value = page.ValueRow(QStringLiteral("100"))) value->setSelected(true);
    page.OnApply();
  }
  if (!text.isEmpty()) {
    page.SetClause(CK7QBldSelectBuilder::kClauseOrdering);
    page.SelectColumns({text});
    page.Direction()->setCurrentIndex(1);
    page.OnAdd();
  }
  page.SetClause(CK7QBldSelectBuilder::kClauseConditions);
}

}  // namespace

void K7QShowBlockExample(QWidget* panel) {
  auto* functions = qobject_cast<CK7QBldFunction*>(panel);
  if (!functions || functions->Rows().empty()) return;
  functions->SelectRow(K7QFromCp932(functions->Rows().front().name));
}

bool K7QSaveBlockScreenshots(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* owner,
                             const std::function<bool(QWidget*, const QString&)>& save) {
  const CK7QBldMacro& macro = frame.Macro();
  const CK7QBldFunctionBlock& functions = macro.Functions();
  const CK7QBldFunctionEntry* entry = nullptr;
  for (int i = 0; i < functions.GetCount() && !entry; ++i) {
    if (functions.Entry(i)->flag == kFunctionBuilderMade) entry = functions.Entry(i);
  }
  if (!entry) return true;
  bool ok = true;

  CK7QBldMessageBlock messages(entry->messages);
  CK7QBldMessage dialog(context, messages, CK7QBldMessage::kModeFunction, owner);
  for (const char* code : {"+100", "-803"}) {
    dialog.OnCodeChosen(dialog.CodeCombo()->findText(QLatin1String(code)));
    dialog.OnAdd();
  }
  dialog.resize(640, 460);
  ok &= save(&dialog, QStringLiteral("K7QBld-function-messages"));
  dialog.hide();

  CK7QBldSQL statement = entry->statement;
  CK7QBldCustomSheet sheet(context, macro, kIdsStatementSheet, entry->kind, statement, owner);
  BuildExample(context, macro.Profile(), *sheet.Page());
  ok &= save(&sheet, QStringLiteral("K7QBld-select"));
  sheet.hide();
  return ok;
}
