#include "K7QBldFormView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "K7QBldArtwork.h"
#include "K7QBldCampaign.h"
#include "K7QBldContext.h"
#include "K7QBldDBSheet.h"
#include "K7QBldDoc.h"
#include "K7QBldDynamicData.h"
#include "K7QBldFrame.h"
#include "K7QBldFunction.h"
#include "K7QBldGuidePage.h"
#include "K7QBldMainFrm.h"
#include "K7QBldMessage.h"
#include "K7QBldPageDialog.h"
#include "K7QBldVariable.h"

namespace {

// The object tree: string, parent string, item code, image.
struct TreeRow {
  unsigned string;
  unsigned parent;
  int code;
  K7QBldArtwork::TreeImage image;
};

const TreeRow kTreeRows[] = {
    {62176, 0, 0, K7QBldArtwork::kImageMacro},
    {62178, 62176, 1, K7QBldArtwork::kImageGuide},
    {62179, 62178, 3, K7QBldArtwork::kImageFolder},
    {62180, 62179, 9, K7QBldArtwork::kImageVariable},
    {62181, 62179, 10, K7QBldArtwork::kImageMessage},
    {62182, 62179, 11, K7QBldArtwork::kImagePage},
    {62183, 62178, 4, K7QBldArtwork::kImagePage},
    {62184, 62178, 5, K7QBldArtwork::kImageFolder},
    {62185, 62184, 13, K7QBldArtwork::kImageCampaign},
    {62186, 62184, 14, K7QBldArtwork::kImageObject},
    {62191, 62178, 7, K7QBldArtwork::kImageFunction},
    {62193, 62178, 8, K7QBldArtwork::kImageFinish},
};
const unsigned kExpanded[] = {62176, 62178, 62179, 62184};

constexpr int kCodeRole = Qt::UserRole;

}  // namespace

CK7QBldFormView::CK7QBldFormView(CK7QBldContext& context, CMainFrame& frame)
    : QWidget(&frame), m_context(context), m_frame(frame) {
  setObjectName(QStringLiteral("131"));
  auto* layout = new QHBoxLayout(this);
  m_tree = new QTreeWidget(this);
  m_tree->setObjectName(QString::number(kIdTree));
  m_tree->setHeaderHidden(true);
  m_tree->setIconSize(QSize(16, 16));
  m_tree->setMinimumWidth(200);
  m_tree->setMaximumWidth(280);
  layout->addWidget(m_tree);
  m_splitter = new QSplitter(Qt::Horizontal, this);
  m_splitter->setChildrenCollapsible(false);
  m_placement = new QWidget(m_splitter);
  m_placement->setObjectName(QString::number(kIdPlacement));
  auto* placementLayout = new QVBoxLayout(m_placement);
  placementLayout->setContentsMargins(0, kPanelTopOffset, 0, 0);
  m_splitter->addWidget(m_placement);
  m_splitter->setStretchFactor(0, 3);
  layout->addWidget(m_splitter, 1);
  FillTree();
  connect(m_tree, &QTreeWidget::itemSelectionChanged, this, &CK7QBldFormView::OnSelectionChanged);
  m_tree->setCurrentItem(ItemByCode(0));
}

void CK7QBldFormView::FillTree() {
  m_tree->clear();
  for (const TreeRow& row : kTreeRows) {
    QTreeWidgetItem* parent = nullptr;
    for (QTreeWidgetItemIterator it(m_tree); *it && row.parent; ++it) {
      if ((*it)->data(0, Qt::UserRole + 1).toUInt() == row.parent) parent = *it;
    }
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setText(0, m_context.String(row.string));
    item->setIcon(0, K7QBldArtwork::TreeIcon(row.image));
    item->setData(0, kCodeRole, row.code);
    item->setData(0, Qt::UserRole + 1, row.string);
  }
  for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
    for (unsigned s : kExpanded) {
      if ((*it)->data(0, Qt::UserRole + 1).toUInt() == s) (*it)->setExpanded(true);
    }
  }
}

QTreeWidgetItem* CK7QBldFormView::ItemByCode(int code) const {
  for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
    if ((*it)->data(0, kCodeRole).toInt() == code) return *it;
  }
  return nullptr;
}

int CK7QBldFormView::SelectedCode() const {
  QTreeWidgetItem* item = m_tree->currentItem();
  return item ? item->data(0, kCodeRole).toInt() : -1;
}

void CK7QBldFormView::SelectItem(int code, bool refresh) {
  QTreeWidgetItem* item = ItemByCode(code);
  if (!item) return;
  if (m_tree->currentItem() == item) {
    if (refresh) ShowSelected();
    return;
  }
  m_tree->setCurrentItem(item);
}

void CK7QBldFormView::Refresh() { ShowSelected(); }

void CK7QBldFormView::StoreCurrentPage() {
  if (auto* page = dynamic_cast<IK7QBldStoringPage*>(m_panel.data())) page->StoreRows();
}

void CK7QBldFormView::ShowPanel(QWidget* panel, Shown kind) {
  if (m_panel) {
    m_panel->hide();
    m_panel->deleteLater();
  }
  m_panel = panel;
  m_shown = kind;
  if (!panel) return;
  m_placement->layout()->addWidget(panel);
  panel->show();
}

void CK7QBldFormView::OnSelectionChanged() {
  // Leaving a page by the tree keeps what was typed into it.
  StoreCurrentPage();
  ShowSelected();
}

void CK7QBldFormView::ShowSelected() {
  QTreeWidgetItem* item = m_tree->currentItem();
  if (!item) return;
  ShowPanel(MakePanel(item->data(0, kCodeRole).toInt()), kPanel);
}

QWidget* CK7QBldFormView::MakePanel(int code) {
  switch (code) {
    case 0:
      return MakeRootPanel();
    case 1:
      return new CK7QBldGuidePage(m_context, m_frame, CK7QBldGuidePage::kStart, m_placement);
    case 3:
      return new CK7QBldGuidePage(m_context, m_frame, CK7QBldGuidePage::kFourth, m_placement);
    case 5:
      return new CK7QBldGuidePage(m_context, m_frame, CK7QBldGuidePage::kIntermediate, m_placement);
    case 8:
      return new CK7QBldGuidePage(m_context, m_frame, CK7QBldGuidePage::kFinal, m_placement);
    case 13:
      return new CK7QBldCampaign(m_context, m_frame, m_placement);
    case 14:
      return CK7QBldDynamicData::MakeTreePanel(m_context, m_frame, m_placement);
    case 9:
      return new CK7QBldVariable(m_context, m_frame, m_placement);
    case 11:
      return new CK7QBldPageDialog(m_context, m_frame, kHtmlInput, code, m_placement);
    case 4:
      return new CK7QBldPageDialog(m_context, m_frame, kHtmlReport, code, m_placement);
    case 7:
      return new CK7QBldFunction(m_context, m_frame, m_placement);
    case 10:
      return new CK7QBldMessage(m_context, m_frame.Macro().Messages(), CK7QBldMessage::kModeReport,
                                m_placement);
    default:
      return MakeLaterPanel(code);
  }
}

QWidget* CK7QBldFormView::MakeRootPanel() {
  auto* panel = new QWidget(m_placement);
  panel->setObjectName(QStringLiteral("155"));
  auto* layout = new QHBoxLayout(panel);
  auto* banner = new QLabel(panel);
  banner->setPixmap(K7QBldArtwork::Banner(110, 260));
  layout->addWidget(banner, 0, Qt::AlignTop);
  const CK7QBldProfile& profile = m_frame.Macro().Profile();
  QString text = m_context.Text("root.text");
  text += QStringLiteral("\n\n");
  if (profile.IsLoaded()) {
    text += m_context.Text("root.profile", "Profile: %1 (database %2)")
                .arg(K7QFromPath(profile.ProfileFolder()), K7QFromCp932(profile.DatabaseName()));
  } else {
    text +=
        m_context.Text("root.noprofile", "No profile is open. Open one with File > Open Profile.");
  }
  text += QStringLiteral("\n") +
          m_context.Text("root.macro", "Macro: %1").arg(m_frame.Document().Title());
  auto* right = new QVBoxLayout;
  auto* label = new QLabel(text, panel);
  label->setObjectName(QStringLiteral("text"));
  label->setWordWrap(true);
  right->addWidget(label, 1, Qt::AlignTop);
  AddGuideButtons(panel, right, false);
  layout->addLayout(right, 1);
  return panel;
}

QWidget* CK7QBldFormView::MakeLaterPanel(int code) {
  auto* panel = new QWidget(m_placement);
  panel->setObjectName(QStringLiteral("later%1").arg(code));
  auto* layout = new QVBoxLayout(panel);
  QTreeWidgetItem* item = ItemByCode(code);
  auto* title = new QLabel(item ? item->text(0) : QString(), panel);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  auto* text = new QLabel(m_context.Text("later.text",
                                         "This part of the macro cannot be edited in this version "
                                         "of the builder. What a macro you open holds here is kept "
                                         "and saved again unchanged."),
                          panel);
  text->setWordWrap(true);
  layout->addWidget(text);
  layout->addStretch(1);
  AddGuideButtons(panel, layout, true);
  return panel;
}

void CK7QBldFormView::AddGuideButtons(QWidget* panel, QBoxLayout* layout, bool back) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto* previous = new QPushButton(m_context.Text("button.previous", "< &Back"), panel);
  previous->setObjectName(QString::number(CK7QBldGuidePage::kIdPrevious));
  previous->setEnabled(back);
  auto* next = new QPushButton(m_context.Text("button.next", "&Next >"), panel);
  next->setObjectName(QString::number(CK7QBldGuidePage::kIdNext));
  row->addWidget(previous);
  row->addWidget(next);
  layout->addLayout(row);
  connect(previous, &QPushButton::clicked, panel,
          [this] { m_context.groceries.SelectPreviousObject(); });
  connect(next, &QPushButton::clicked, panel, [this] { m_context.groceries.SelectNextObject(); });
}

bool CK7QBldFormView::LoadProfile(const QString& path) {
  DestroyDatabaseSheet();
  auto* sheet = new CK7QBldDBSheet(m_context, m_frame, m_splitter);
  sheet->hide();
  m_splitter->addWidget(sheet);
  m_splitter->setStretchFactor(1, 2);
  m_sheet = sheet;
  const bool ok = sheet->Load(path);
  sheet->show();
  // The page beside it shows the profile now open.
  ShowSelected();
  return ok;
}

CK7QBldDBSheet* CK7QBldFormView::DatabaseSheet() const { return m_sheet.data(); }
void CK7QBldFormView::DestroyDatabaseSheet() { delete m_sheet.data(); }

int CK7QBldFormView::CollapseTree() {
  if (m_tree->isHidden()) return 0;
  const int taken = m_tree->width() + 10;
  m_tree->hide();
  return taken;
}

void CK7QBldFormView::ExpandTree() { m_tree->show(); }
