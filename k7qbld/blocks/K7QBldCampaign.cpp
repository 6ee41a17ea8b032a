#include "K7QBldCampaign.h"

#include <QComboBox>
#include <QDate>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <functional>

#include "K7QBldArtwork.h"
#include "K7QBldCampaignEntry.h"
#include "K7QBldContext.h"
#include "K7QBldMacro.h"

namespace {

constexpr unsigned kIdsCaption = 62185;
constexpr unsigned kIdsReplace = 62388;
constexpr unsigned kIdsStartAfterEnd = 62391;
constexpr unsigned kIdsSameTables = 62392;
constexpr unsigned kIdsOtherStructure = 62393;
constexpr unsigned kIdsNotCp932 = 63030;

// List columns and their share of the list's width in sixteenths.
enum Column { kNumber, kPeriod, kFunction, kTable1, kTable2, kComment };
constexpr unsigned kHeadings[] = {62231, 62232, 62229, 62233, 62234, 62230};
constexpr int kSixteenths[] = {1, 5, 2, 2, 2, 4};

// A row keeps its range and the CP932 bytes of its names, so that storing
// gives the macro exactly what it had.
constexpr int kStartRole = Qt::UserRole;
constexpr int kEndRole = Qt::UserRole + 1;
constexpr int kBytesRole = Qt::UserRole + 2;

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<int>(s.size())); }
std::string FromBytes(const QVariant& v) { return v.toByteArray().toStdString(); }

int CurrentYear() { return QDate::currentDate().year(); }

struct LocalDay {
  int year = 0;
  int month = 0;
  int day = 0;
};

LocalDay DayOf(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

// A list that treats the space key on a selected row as a double click.
class CampaignList : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;
  std::function<void()> m_activated;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Space && currentItem() && m_activated) {
      m_activated();
      return;
    }
    QTreeWidget::keyPressEvent(event);
  }
};

}  // namespace

CK7QBldCampaign::CK7QBldCampaign(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent)
    : QWidget(parent), m_context(context), m_frame(frame) {
  setObjectName(QStringLiteral("202"));
  auto* outer = new QHBoxLayout(this);
  auto* banner = new QLabel(this);
  banner->setObjectName(QString::number(kIdBanner));
  banner->setPixmap(K7QBldArtwork::Banner(90, 300));
  outer->addWidget(banner, 0, Qt::AlignTop);
  auto* grid = new QGridLayout;
  outer->addLayout(grid, 1);

  auto* title = new QLabel(m_context.String(kIdsCaption), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  grid->addWidget(title, 0, 0, 1, 5);

  auto* list = new CampaignList(this);
  m_list = list;
  m_list->setObjectName(QString::number(kIdList));
  m_list->setRootIsDecorated(false);
  m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QStringList headings;
  for (unsigned id : kHeadings) headings << m_context.String(id);
  m_list->setHeaderLabels(headings);
  m_list->setMinimumHeight(140);
  grid->addWidget(m_list, 1, 0, 1, 5);

  // A label's mnemonic moves the focus to its field.
  const auto label = [this](const char* key, const char* fallback, QWidget* buddy) {
    auto* l = new QLabel(m_context.Text(key, fallback), this);
    l->setBuddy(buddy);
    return l;
  };
  m_start = MakeDate(kIdStartYear, kIdStartMonth, kIdStartDay);
  m_end = MakeDate(kIdEndYear, kIdEndMonth, kIdEndDay);
  grid->addWidget(label("campaign.start", "&Start:", m_start.year), 2, 0);
  grid->addWidget(label("campaign.end", "&End:", m_end.year), 3, 0);
  for (int i = 0; i < 2; ++i) {
    const DateCombos& d = i == 0 ? m_start : m_end;
    grid->addWidget(d.year, 2 + i, 1);
    grid->addWidget(d.month, 2 + i, 2);
    grid->addWidget(d.day, 2 + i, 3);
  }
  const auto combo = [this](int id) {
    auto* c = new QComboBox(this);
    c->setObjectName(QString::number(id));
    c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return c;
  };
  m_function = combo(kIdFunction);
  m_table1 = combo(kIdTable1);
  m_table2 = combo(kIdTable2);
  m_comment = new QLineEdit(this);
  m_comment->setObjectName(QString::number(kIdComment));
  grid->addWidget(label("campaign.function", "&Function:", m_function), 4, 0);
  grid->addWidget(m_function, 4, 1, 1, 3);
  grid->addWidget(label("campaign.table1", "&Table:", m_table1), 5, 0);
  grid->addWidget(m_table1, 5, 1, 1, 3);
  grid->addWidget(label("campaign.table2", "&Campaign table:", m_table2), 6, 0);
  grid->addWidget(m_table2, 6, 1, 1, 3);
  grid->addWidget(label("campaign.comment", "C&omment:", m_comment), 7, 0);
  grid->addWidget(m_comment, 7, 1, 1, 4);

  const auto button = [this](int id, const char* key, const char* fallback) {
    auto* b = new QPushButton(m_context.Text(key, fallback), this);
    b->setObjectName(QString::number(id));
    return b;
  };
  m_add = button(kIdAdd, "button.add", "&Add");
  m_delete = button(kIdDelete, "button.delete", "&Delete");
  auto* edit = new QVBoxLayout;
  edit->addWidget(m_add);
  edit->addWidget(m_delete);
  edit->addStretch(1);
  grid->addLayout(edit, 2, 4, 5, 1);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  QPushButton* previous = button(kIdPrevious, "button.previous", "< &Back");
  QPushButton* next = button(kIdNext, "button.next", "&Next >");
  QPushButton* ok = button(kIdOk, "button.ok", "OK");
  row->addWidget(previous);
  row->addWidget(next);
  row->addWidget(ok);
  grid->addLayout(row, 8, 0, 1, 5);
  grid->setColumnStretch(3, 1);
  grid->setRowStretch(1, 1);

  // Function and table lists come before the rows, whose years they may widen.
  const CK7QBldMacro& macro = m_frame.Macro();
  for (const auto& [name, index] : macro.Functions().FunctionComboItems(true)) {
    m_function->addItem(K7QFromCp932(name), Bytes(name));
  }
  for (const CK7QBldDBTable& table : macro.Profile().Tables()) {
    m_table2->addItem(K7QFromCp932(table.Name()), Bytes(table.Name()));
  }
  FillTables();
  int firstYear = CurrentYear();
  const CK7QBldCampaignBlock& campaigns = macro.Campaigns();
  for (int i = 0; i < campaigns.GetCount(); ++i) {
    const CK7QBldCampaignEntry* e = campaigns.GetAt(i);
    firstYear = std::min(firstYear, DayOf(e->Start()).year);
    AddRow(e->Start(), e->End(), e->Function(), e->Table1(), e->Table2(), e->Comment());
  }
  FillYears(firstYear);

  connect(m_function, &QComboBox::currentIndexChanged, this, [this] { FillTables(); });
  connect(m_add, &QPushButton::clicked, this, &CK7QBldCampaign::OnAdd);
  connect(m_delete, &QPushButton::clicked, this, &CK7QBldCampaign::OnDelete);
  connect(next, &QPushButton::clicked, this, [this] { StoreAndMove(true); });
  connect(ok, &QPushButton::clicked, this, [this] { StoreAndMove(true); });
  connect(previous, &QPushButton::clicked, this, [this] { StoreAndMove(false); });
  connect(m_list, &QTreeWidget::itemDoubleClicked, this, [this] { StoreAndMove(true); });
  list->m_activated = [this] { StoreAndMove(true); };
  connect(m_list, &QTreeWidget::itemSelectionChanged, this, &CK7QBldCampaign::ShowRow);
  UpdateButtons();
  m_start.year->setFocus();
}

void CK7QBldCampaign::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int width = m_list->viewport()->width();
  for (int c = 0; c < 6; ++c) m_list->setColumnWidth(c, width * kSixteenths[c] / 16);
}

CK7QBldCampaign::DateCombos CK7QBldCampaign::MakeDate(int yearId, int monthId, int dayId) {
  DateCombos date{new QComboBox(this), new QComboBox(this), new QComboBox(this)};
  date.year->setObjectName(QString::number(yearId));
  date.month->setObjectName(QString::number(monthId));
  date.day->setObjectName(QString::number(dayId));
  for (int m = 1; m <= 12; ++m) date.month->addItem(QString::number(m), m);
  for (int d = 1; d <= 31; ++d) date.day->addItem(QString::number(d), d);
  connect(date.year, &QComboBox::currentIndexChanged, this, [this, date] { RefillDays(date); });
  connect(date.month, &QComboBox::currentIndexChanged, this, [this, date] { RefillDays(date); });
  return date;
}

void CK7QBldCampaign::FillYears(int firstYear) {
  const int last = CurrentYear() + kYearsAhead;
  for (const DateCombos* d : {&m_start, &m_end}) {
    for (int y = firstYear; y <= last; ++y) d->year->addItem(QString::number(y), y);
    d->year->setCurrentIndex(d->year->findData(CurrentYear()));
  }
}

int CK7QBldCampaign::DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

void CK7QBldCampaign::RefillDays(const DateCombos& date) {
  const int year = date.year->currentData().toInt();
  const int month = date.month->currentData().toInt();
  const int days = DaysInMonth(year, month);
  if (year == 0 || days == 0 || date.day->count() == days) return;
  // The chosen day stays when the month has it.
  const int chosen = date.day->currentData().toInt();
  const QSignalBlocker block(date.day);
  date.day->clear();
  for (int d = 1; d <= days; ++d) date.day->addItem(QString::number(d), d);
  date.day->setCurrentIndex(chosen >= 1 && chosen <= days ? chosen - 1 : 0);
}

void CK7QBldCampaign::SelectDate(const DateCombos& date, std::time_t t) {
  const LocalDay day = DayOf(t);
  date.year->setCurrentIndex(date.year->findData(day.year));
  date.month->setCurrentIndex(date.month->findData(day.month));
  date.day->setCurrentIndex(date.day->findData(day.day));
}

bool CK7QBldCampaign::ReadDate(const DateCombos& date, std::time_t& t) const {
  if (date.year->currentIndex() < 0 || date.month->currentIndex() < 0 ||
      date.day->currentIndex() < 0)
    return false;
  t = CK7QBldCampaignEntry::MakeDate(date.year->currentData().toInt(),
                                     date.month->currentData().toInt(),
                                     date.day->currentData().toInt());
  return true;
}

void CK7QBldCampaign::FillTables() {
  m_table1->clear();
  const std::string function = FromBytes(m_function->currentData());
  for (const std::string& table : m_frame.Macro().Functions().FunctionTables(function)) {
    m_table1->addItem(K7QFromCp932(table), Bytes(table));
  }
  m_table1->setEnabled(m_table1->count() > 0);
}

QString CK7QBldCampaign::PeriodText(std::time_t start, std::time_t end) {
  const LocalDay s = DayOf(start);
  const LocalDay e = DayOf(end);
  return QString::asprintf("%4d/%02d/%02d - %4d/%02d/%02d", s.year, s.month, s.day, e.year, e.month,
                           e.day);
}

void CK7QBldCampaign::AddRow(std::time_t start, std::time_t end, const std::string& function,
                             const std::string& table1, const std::string& table2,
                             const std::string& comment) {
  auto* row = new QTreeWidgetItem(m_list);
  row->setText(kNumber, QString::number(m_list->topLevelItemCount()));
  SetRow(row, start, end, function, table1, table2, comment);
}

void CK7QBldCampaign::SetRow(QTreeWidgetItem* row, std::time_t start, std::time_t end,
                             const std::string& function, const std::string& table1,
                             const std::string& table2, const std::string& comment) {
  row->setData(kNumber, kStartRole, static_cast<qlonglong>(start));
  row->setData(kNumber, kEndRole, static_cast<qlonglong>(end));
  row->setText(kPeriod, PeriodText(start, end));
  const std::pair<Column, const std::string*> texts[] = {
      {kFunction, &function}, {kTable1, &table1}, {kTable2, &table2}, {kComment, &comment}};
  for (const auto& [column, text] : texts) {
    row->setText(column, K7QFromCp932(*text));
    row->setData(column, kBytesRole, Bytes(*text));
  }
}

void CK7QBldCampaign::ShowRow() {
  QTreeWidgetItem* row = m_list->currentItem();
  if (!row || !row->isSelected()) return;
  SelectDate(m_start, row->data(kNumber, kStartRole).toLongLong());
  SelectDate(m_end, row->data(kNumber, kEndRole).toLongLong());
  m_function->setCurrentIndex(m_function->findData(row->data(kFunction, kBytesRole)));
  FillTables();
  m_table1->setCurrentIndex(m_table1->findData(row->data(kTable1, kBytesRole)));
  m_table2->setCurrentIndex(m_table2->findData(row->data(kTable2, kBytesRole)));
  m_comment->setText(row->text(kComment));
}

void CK7QBldCampaign::UpdateButtons() {
  const bool rows = m_list->topLevelItemCount() > 0;
  m_add->setEnabled(m_function->count() > 0);
  m_list->setEnabled(rows);
  m_delete->setEnabled(rows);
}

int CK7QBldCampaign::Message(unsigned id, bool yesNo) {
  return m_context.Ui().MessageCaptioned(kIdsCaption, id, K7QIcon::Exclamation,
                                         yesNo ? K7QButtons::YesNo : K7QButtons::Ok);
}

bool CK7QBldCampaign::OnAdd() {
  std::time_t start = 0;
  std::time_t end = 0;
  if (!ReadDate(m_start, start) || !ReadDate(m_end, end) || m_function->currentIndex() < 0 ||
      m_table1->currentIndex() < 0 || m_table2->currentIndex() < 0) {
    m_context.groceries.ReportError(__FILE__, __LINE__);
    return false;
  }
  if (start > end) {
    Message(kIdsStartAfterEnd);
    return false;
  }
  const std::string function = FromBytes(m_function->currentData());
  const std::string table1 = FromBytes(m_table1->currentData());
  const std::string table2 = FromBytes(m_table2->currentData());
  if (CK7QBldGroceries::EqualNoCase(table1, table2)) {
    Message(kIdsSameTables);
    return false;
  }
  if (!m_frame.Macro().Profile().SameStructure(table1, table2)) {
    Message(kIdsOtherStructure);
    return false;
  }
  std::string comment;
  if (!K7QToCp932(m_comment->text().trimmed(), comment)) {
    m_context.Ui().MessageCaptioned(kIdsCaption, kIdsNotCp932, K7QIcon::Exclamation,
                                    K7QButtons::Ok);
    return false;
  }
  if (!CK7QBldCampaignEntry::IsUsableComment(comment)) {
    Message(kIdsCampaignCommentRefused);
    return false;
  }

  // The row of this function and table is replaced; another campaign of the
  // function may not share a day with it, as only one can set its table.
  QTreeWidgetItem* same = nullptr;
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* row = m_list->topLevelItem(i);
    if (!CK7QBldGroceries::EqualNoCase(FromBytes(row->data(kFunction, kBytesRole)), function))
      continue;
    if (CK7QBldGroceries::EqualNoCase(FromBytes(row->data(kTable1, kBytesRole)), table1)) {
      same = row;
      continue;
    }
    if (CK7QBldCampaignEntry::Overlap(start, end, row->data(kNumber, kStartRole).toLongLong(),
                                      row->data(kNumber, kEndRole).toLongLong())) {
      Message(kIdsCampaignOverlap);
      return false;
    }
  }
  if (same) {
    if (Message(kIdsReplace, true) != kIdYes) return false;
    SetRow(same, start, end, function, table1, table2, comment);
  } else {
    AddRow(start, end, function, table1, table2, comment);
  }
  m_changed = true;
  UpdateButtons();
  return true;
}

void CK7QBldCampaign::OnDelete() {
  const auto selected = m_list->selectedItems();
  if (selected.isEmpty()) return;
  for (QTreeWidgetItem* row : selected) delete row;
  CK7QBldGroceriesUi::RenumberListItems(m_list);
  m_changed = true;
  UpdateButtons();
}

void CK7QBldCampaign::Store() {
  CK7QBldCampaignBlock& campaigns = m_frame.Macro().Campaigns();
  campaigns.RemoveAll();
  for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* row = m_list->topLevelItem(i);
    const std::time_t start = row->data(kNumber, kStartRole).toLongLong();
    const std::time_t end = row->data(kNumber, kEndRole).toLongLong();
    const std::string function = FromBytes(row->data(kFunction, kBytesRole));
    const std::string table1 = FromBytes(row->data(kTable1, kBytesRole));
    const std::string table2 = FromBytes(row->data(kTable2, kBytesRole));
    const std::string comment = FromBytes(row->data(kComment, kBytesRole));
    const int found = campaigns.Find(function, table1);
    if (found >= 0) {
      campaigns.Modify(found, start, end, function, table1, table2, comment);
    } else {
      campaigns.Add(start, end, function, table1, table2, comment);
    }
  }
  if (m_changed) m_context.groceries.SetDocumentModified();
  m_changed = false;
}

void CK7QBldCampaign::StoreAndMove(bool next) {
  Store();
  if (next) {
    m_context.groceries.SelectNextObject();
  } else {
    m_context.groceries.SelectPreviousObject();
  }
}
