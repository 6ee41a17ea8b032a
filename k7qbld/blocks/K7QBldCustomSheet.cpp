#include "K7QBldCustomSheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "K7QBldContext.h"
#include "K7QBldSQL.h"
#include "K7QBldSelect.h"

namespace {

constexpr unsigned kIdsSelectTitle = 62308;

}  // namespace

CK7QBldCustomSheet::CK7QBldCustomSheet(CK7QBldContext& context, const CK7QBldMacro& macro,
                                       unsigned title, int reportKind, CK7QBldSQL& statement,
                                       QWidget* parent)
    : QDialog(parent), m_context(context), m_statement(statement) {
  setObjectName(QStringLiteral("customSheet"));
  setWindowTitle(m_context.String(title));
  auto* layout = new QVBoxLayout(this);
  auto* tabs = new QTabWidget(this);
  m_page = new CK7QBldSelect(context, macro, reportKind, statement, tabs);
  tabs->addTab(m_page, m_context.String(kIdsSelectTitle));
  layout->addWidget(tabs, 1);

  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto button = [this, row](int id, const char* key, const char* fallback) {
    auto* b = new QPushButton(m_context.Text(key, fallback), this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    row->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id); });
    return b;
  };
  button(kIdPrevious, "button.previous", "< &Back");
  button(kIdNext, "button.next", "&Next >");
  button(kIdOk, "button.ok", "OK")->setDefault(true);
  button(kIdCancel, "blocks.cancel", "Cancel");
  layout->addLayout(row);
  resize(860, 560);
}

bool CK7QBldCustomSheet::OnCommand(int id) {
  if (id == kIdCancel) {
    m_end = kIdCancel;
    reject();
    return true;
  }
  if (!m_page->CheckComplete()) return false;
  m_changed = !(m_page->Statement() == m_statement);
  if (m_changed) m_statement = m_page->Statement();
  m_end = id;
  accept();
  return true;
}

int CK7QBldCustomSheet::DoModal() {
  m_end = kIdCancel;
  m_changed = false;
  exec();
  if (m_end == kIdCancel) return m_end;
  if (m_changed) m_context.groceries.SetDocumentModified();
  if (m_onStored) m_onStored(m_changed);
  if (m_end == kIdNext) m_context.groceries.SelectNextObject();
  if (m_end == kIdPrevious) m_context.groceries.SelectPreviousObject();
  return m_end;
}
