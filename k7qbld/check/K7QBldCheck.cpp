#include "K7QBldCheck.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "K7QBldContext.h"
#include "K7QBldDoc.h"
#include "K7QBldFile.h"
#include "K7QBldFormView.h"
#include "K7QBldMacro.h"
#include "K7QBldMainFrm.h"
#include "K7QBldProfile.h"

namespace {
constexpr unsigned kIdsNothingBroken = 63910;
constexpr unsigned kIdsFreshProfileUnreadable = 63911;
constexpr unsigned kIdsCheckCopyNotSaved = 63912;
constexpr unsigned kIdsCheckNeedsProfile = 63913;
}  // namespace

CK7QBldCheckDialog::CK7QBldCheckDialog(CK7QBldContext& context, const QString& profile,
                                       const std::vector<K7QCheckFinding>& findings, QWidget* owner)
    : QDialog(owner), m_list(new QTreeWidget(this)) {
  setObjectName(QStringLiteral("checkDialog"));
  setWindowTitle(context.Text("check.caption", "Check Against Profile"));
  auto* layout = new QVBoxLayout(this);
  auto* summary = new QLabel(
      context.Text("check.summary", "Checked against:") + QLatin1Char(' ') + profile, this);
  summary->setWordWrap(true);
  layout->addWidget(summary);
  m_list->setObjectName(QStringLiteral("findings"));
  m_list->setRootIsDecorated(false);
  m_list->setHeaderLabels(
      {context.Text("check.column.finding", "Finding"),
       context.Text("check.column.function", "Function"),
       context.Text("check.column.places", "Lines"), context.Text("check.column.name", "Name"),
       context.Text("check.column.use", "Use"), context.Text("check.column.detail", "Detail")});
  for (const K7QCheckFinding& f : findings) {
    auto* row = new QTreeWidgetItem(m_list);
    row->setText(0, context.String(static_cast<unsigned>(f.kind)));
    row->setToolTip(0, row->text(0));
    row->setText(1, K7QFromCp932(f.function));
    row->setText(2, QString::fromStdString(f.PlacesText()));
    row->setText(3, K7QFromCp932(f.name));
    row->setText(4, QString::fromStdString(f.use));
    row->setText(5, QString::fromStdString(f.detail));
  }
  if (findings.empty()) {
    auto* row = new QTreeWidgetItem(m_list);
    row->setText(0, context.String(kIdsNothingBroken));
    row->setFirstColumnSpanned(true);
  }
  for (int c = 1; c < m_list->columnCount(); ++c) m_list->resizeColumnToContents(c);
  m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  layout->addWidget(m_list, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  resize(900, 360);
}

bool CK7QBldCheck::Run(const QString& freshProfile, std::vector<K7QCheckFinding>& findings) {
  IK7QBldUserInterface& ui = m_context.Ui();
  CK7QBldMacro& macro = m_frame.Macro();
  if (!macro.Profile().IsLoaded()) {
    ui.Message(kIdsCheckNeedsProfile, K7QIcon::Exclamation);
    return false;
  }
  CK7QBldProfile fresh(m_context.groceries);
  if (!QFileInfo(freshProfile).isFile() || !fresh.Read(K7QToPath(freshProfile))) {
    ui.Prompt(
        kIdsFreshProfileUnreadable,
        m_context.language.String(kIdsFreshProfileUnreadable) + "\n" + K7QToPath(freshProfile),
        K7QIcon::Stop, K7QButtons::Ok);
    return false;
  }
  m_frame.FormView().StoreCurrentPage();
  CK7QBldDoc& doc = m_frame.Document();
  // The copy has the macro's own title, so its components are the ones a save makes.
  QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/k7q-check-XXXXXX"));
  const QString title =
      doc.Path().isEmpty() ? QStringLiteral("check") : QFileInfo(doc.Path()).completeBaseName();
  const std::string copy = K7QToPath(folder.path() + "/" + title + ".k7q");
  if (!folder.isValid() || !doc.Core().Save(copy)) {
    ui.Message(kIdsCheckCopyNotSaved, K7QIcon::Stop);
    return false;
  }
  std::string text;
  try {
    text = K7QFile::ReadAll(copy);
  } catch (const CK7QBldFileException& e) {
    m_context.groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  }
  findings = CK7QBldSchemaCheck::Run(macro, text, fresh, &macro.Profile());
  return true;
}

void CK7QBldCheck::OnCheck() {
  const QString profile = m_frame.Document().Choose(CK7QBldDoc::FileDialog::CheckProfile);
  if (profile.isEmpty()) return;
  std::vector<K7QCheckFinding> findings;
  if (!Run(profile, findings)) return;
  CK7QBldCheckDialog dialog(m_context, profile, findings, &m_frame);
  dialog.exec();
}
