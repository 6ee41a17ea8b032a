#include "K7QBldDynamicData.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "K7QBldContext.h"
#include "K7QBldDDBackGround.h"
#include "K7QBldDDData.h"
#include "K7QBldDDImages.h"
#include "K7QBldDDStrings.h"
#include "K7QBldFrame.h"
#include "K7QBldMacro.h"

namespace {

constexpr unsigned kIdsCaption = 62186;
constexpr unsigned kIdsNext = 62272;
constexpr unsigned kIdsPrevious = 62273;
constexpr unsigned kIdsCancel = 62192;
constexpr unsigned kIdsDefault = 62193;
constexpr unsigned kKindLabels[] = {62238, 62239, 62247};

}  // namespace

std::function<int(CK7QBldDynamicData&)> CK7QBldDynamicData::s_exec;

CK7QBldDynamicData::CK7QBldDynamicData(CK7QBldContext& context, IK7QBldFrame& frame,
                                       QWidget* parent)
    : QDialog(parent),
      m_context(context),
      m_frame(frame),
      m_color(frame.Macro().BackgroundColor()) {
  setObjectName(QStringLiteral("CK7QBldDynamicData"));
  setWindowTitle(m_context.String(kIdsCaption));
  const CK7QBldMacro& macro = m_frame.Macro();
  auto* layout = new QVBoxLayout(this);
  m_tabs = new QTabWidget(this);
  m_data = new CK7QBldDDData(context, macro, m_tabs);
  m_background = new CK7QBldDDBackground(context, macro, *m_data, m_color, m_tabs);
  m_strings = new CK7QBldDDStrings(context, macro, *m_data, m_tabs);
  m_images = new CK7QBldDDImages(context, macro, *m_data, m_tabs);
  m_tabs->addTab(m_data, m_context.Text("object.list", "Page objects"));
  m_tabs->addTab(m_background, m_context.String(kKindLabels[0]));
  m_tabs->addTab(m_strings, m_context.String(kKindLabels[1]));
  m_tabs->addTab(m_images, m_context.String(kKindLabels[2]));
  layout->addWidget(m_tabs, 1);

  const auto button = [this](int id, unsigned text) {
    auto* b = new QPushButton(m_context.String(text), this);
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
  };
  m_previous = button(kIdPrevious, kIdsPrevious);
  m_next = button(kIdNext, kIdsNext);
  QPushButton* cancel = button(kIdCancel, kIdsCancel);
  QPushButton* finish = button(kIdDefault, kIdsDefault);
  finish->setDefault(true);
  auto* row = new QHBoxLayout;
  row->setSpacing(20);
  row->addStretch(1);
  for (QPushButton* b : {m_previous, m_next, cancel, finish}) row->addWidget(b);
  row->addStretch(1);
  layout->addLayout(row);
  connect(m_previous, &QPushButton::clicked, this, &CK7QBldDynamicData::OnPrevious);
  connect(m_next, &QPushButton::clicked, this, &CK7QBldDynamicData::OnNext);
  connect(cancel, &QPushButton::clicked, this, &CK7QBldDynamicData::OnCancel);
  connect(finish, &QPushButton::clicked, this, &CK7QBldDynamicData::OnDefault);
  connect(m_tabs, &QTabWidget::currentChanged, this, &CK7QBldDynamicData::OnPageShown);
  OnPageShown(0);
  resize(720, 480);
  finish->setFocus();
}

void CK7QBldDynamicData::OnPageShown(int index) {
  // Moving through the tree belongs to the list page; a definition page's
  // work is its Set.
  const bool list = index == 0;
  m_previous->setVisible(list);
  m_previous->setEnabled(list);
  m_next->setVisible(list);
  m_next->setEnabled(list);
}

bool CK7QBldDynamicData::AnyModified() const {
  return m_data->Modified() || m_background->Modified() || m_strings->Modified() ||
         m_images->Modified();
}

void CK7QBldDynamicData::Finish(int step) {
  CK7QBldMacro& macro = m_frame.Macro();
  m_data->Apply(macro);
  macro.SetBackgroundColor(m_color);
  done(1);
  if (step > 0) m_context.groceries.SelectNextObject();
  if (step < 0) m_context.groceries.SelectPreviousObject();
  if (AnyModified()) m_frame.SetDocumentModified();
}

int CK7QBldDynamicData::Run(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent) {
  CK7QBldDynamicData sheet(context, frame, parent);
  return s_exec ? s_exec(sheet) : sheet.exec();
}

QWidget* CK7QBldDynamicData::MakeTreePanel(CK7QBldContext& context, IK7QBldFrame& frame,
                                           QWidget* parent) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(QStringLiteral("objects"));
  auto* layout = new QVBoxLayout(panel);
  auto* title = new QLabel(context.String(kIdsCaption), panel);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  layout->addWidget(title);
  auto* count = new QLabel(panel);
  count->setObjectName(QStringLiteral("count"));
  count->setWordWrap(true);
  layout->addWidget(count);
  auto* open = new QPushButton(context.Text("object.open", "&Page objects..."), panel);
  open->setObjectName(QStringLiteral("open"));
  layout->addWidget(open, 0, Qt::AlignLeft);
  layout->addStretch(1);
  // Back and Next as on the other pages, for an author who cancelled the sheet.
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  auto* previous = new QPushButton(context.Text("button.previous", "< &Back"), panel);
  previous->setObjectName(QString::number(kIdPrevious));
  auto* next = new QPushButton(context.Text("button.next", "&Next >"), panel);
  next->setObjectName(QString::number(kIdNext));
  row->addWidget(previous);
  row->addWidget(next);
  layout->addLayout(row);
  CK7QBldContext* c = &context;
  IK7QBldFrame* f = &frame;
  const auto showCount = [c, f, count] {
    count->setText(c->Text("object.count", "Page objects of this macro: %1")
                       .arg(f->Macro().PageObjects().GetCount()));
  };
  showCount();
  const auto run = [c, f, panel, showCount] {
    QPointer<QWidget> alive(panel);
    Run(*c, *f, panel->window());
    // The sheet may have moved the tree on, which takes this panel away.
    if (alive) showCount();
  };
  QObject::connect(open, &QPushButton::clicked, panel, run);
  QObject::connect(previous, &QPushButton::clicked, panel,
                   [c] { c->groceries.SelectPreviousObject(); });
  QObject::connect(next, &QPushButton::clicked, panel, [c] { c->groceries.SelectNextObject(); });
  // Choosing the item opens the sheet, once the tree has finished selecting
  // and the panel is on the screen (not for a window never shown).
  QTimer::singleShot(0, panel, [panel, run] {
    if (panel->isVisible()) run();
  });
  return panel;
}
