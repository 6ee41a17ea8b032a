#include "K7QBldDBLibraryPage.h"

#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QStatusBar>
#include <QVBoxLayout>

#include "K7QBldContext.h"
#include "K7QBldEntryLibrary.h"
#include "K7QBldLibraryMessages.h"
#include "K7QBldSettings.h"

CK7QBldDBLibraryPage::CK7QBldDBLibraryPage(CK7QBldContext& context, IK7QBldFrame& frame,
                                           QWidget* parent)
    : QWidget(parent), m_context(context), m_frame(frame), m_layout(new QVBoxLayout(this)) {}

void CK7QBldDBLibraryPage::AddSkippedNote() {
  m_skipped = new QLabel(this);
  m_skipped->setObjectName(QString::number(kIdSkipped));
  m_skipped->setWordWrap(true);
  m_skipped->setStyleSheet(QStringLiteral("color: #a00000"));
  m_skipped->hide();
  m_layout->addWidget(m_skipped);
}

void CK7QBldDBLibraryPage::SetActive() {
  const bool first = !m_initialised;
  m_initialised = true;
  OnSetActive(first);
}

void CK7QBldDBLibraryPage::KillActive() { ShowStatus(m_context.Text("status.ready", "Ready")); }

bool CK7QBldDBLibraryPage::DragStarting(QWidget*, int) { return true; }

std::string CK7QBldDBLibraryPage::LibraryPath(const char* key) {
  return K7QToPath(K7QBldSettings::Value(K7QBldSettings::kFilePath, QString::fromLatin1(key)));
}

void CK7QBldDBLibraryPage::ShowStatus(const QString& text) {
  m_status = text;
  if (auto* main = qobject_cast<QMainWindow*>(window())) main->statusBar()->showMessage(text);
}

void CK7QBldDBLibraryPage::ShowSkipped(int skipped) {
  if (!m_skipped) return;
  m_skipped->setVisible(skipped > 0);
  m_skipped->setText(skipped > 0 ? m_context.String(kIdsLibraryLinesSkipped) + ' ' +
                                       QString::number(skipped)
                                 : QString());
}

namespace {

void AddEntries(QListWidget* list, const std::vector<K7QLibraryEntry>& entries) {
  for (const K7QLibraryEntry& e : entries) {
    auto* item = new QListWidgetItem(K7QFromCp932(e.name), list);
    item->setData(Qt::UserRole, e.line);
  }
}

}  // namespace

int CK7QBldDBLibraryPage::FillEntries(QListWidget* list, const std::string& path) {
  list->clear();
  ShowSkipped(0);
  std::vector<K7QLibraryEntry> entries;
  K7QLibraryCounts counts;
  int lines = -1;
  try {
    lines = CK7QBldEntryLibrary::ReadList(path, entries, &counts);
  } catch (const CK7QBldFileException&) {
    // What was read before the error stays listed.
    AddEntries(list, entries);
    throw;
  }
  AddEntries(list, entries);
  ShowSkipped(counts.skipped);
  return lines;
}

void CK7QBldDBLibraryPage::ShowEntry(QListWidget* list, const std::string& path,
                                     std::string& fragment) {
  fragment.clear();
  const QListWidgetItem* item = list->currentItem();
  K7QLibraryEntry entry;
  if (!item || !CK7QBldEntryLibrary::ReadEntry(path, item->data(Qt::UserRole).toInt(), entry)) {
    ShowStatus({});
    return;
  }
  fragment = entry.text;
  ShowStatus(K7QFromCp932(entry.description));
}

QListWidget* CK7QBldDBLibraryPage::AddCategoryList(int id, const std::vector<unsigned>& labels) {
  auto* label = new QLabel(m_context.Text("library.categories", "&Category:"), this);
  auto* list = new QListWidget(this);
  list->setObjectName(QString::number(id));
  for (std::size_t i = 0; i < labels.size(); ++i) {
    auto* item = new QListWidgetItem(m_context.String(labels[i]), list);
    item->setData(Qt::UserRole, static_cast<int>(i));
  }
  list->setMaximumHeight(list->sizeHintForRow(0) * (static_cast<int>(labels.size()) + 1));
  label->setBuddy(list);
  m_layout->addWidget(label);
  m_layout->addWidget(list);
  return list;
}
