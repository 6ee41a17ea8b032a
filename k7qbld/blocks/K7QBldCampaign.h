#pragma once

#include <QWidget>
#include <ctime>

#include "K7QBldFrame.h"

struct CK7QBldContext;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The campaign page (template 202): the campaigns of the macro as rows of a
// list of its own, edited through the date, function, table and comment
// fields; Add checks a campaign before it becomes a row. Next (1158), Back
// (1159), OK, a double click or the space key on a row, and leaving the page
// by the tree store the rows into the macro's campaign list.
class CK7QBldCampaign : public QWidget, public IK7QBldStoringPage {
  Q_OBJECT

 public:
  static constexpr int kIdBanner = 1283;
  static constexpr int kIdList = 1027;
  static constexpr int kIdFunction = 1342;
  static constexpr int kIdTable2 = 1343;
  static constexpr int kIdStartYear = 1344;
  static constexpr int kIdEndYear = 1345;
  static constexpr int kIdStartMonth = 1346;
  static constexpr int kIdEndMonth = 1347;
  static constexpr int kIdStartDay = 1348;
  static constexpr int kIdEndDay = 1349;
  static constexpr int kIdTable1 = 1350;
  static constexpr int kIdComment = 1015;
  static constexpr int kIdAdd = 1192;
  static constexpr int kIdDelete = 1012;
  static constexpr int kIdNext = 1158;
  static constexpr int kIdPrevious = 1159;
  static constexpr int kIdOk = 1;
  // Years offered after the current one: campaigns are planned ahead.
  static constexpr int kYearsAhead = 100;

  CK7QBldCampaign(CK7QBldContext& context, IK7QBldFrame& frame, QWidget* parent);

  // The commands, public so that tests drive them as the buttons do.
  bool OnAdd();
  void OnDelete();
  void StoreRows() override { Store(); }
  QTreeWidget* List() const { return m_list; }

  // Days of a month, February by the Gregorian rule.
  static int DaysInMonth(int year, int month);
  // "YYYY/MM/DD - YYYY/MM/DD" of a campaign's range.
  static QString PeriodText(std::time_t start, std::time_t end);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct DateCombos {
    QComboBox* year;
    QComboBox* month;
    QComboBox* day;
  };

  DateCombos MakeDate(int yearId, int monthId, int dayId);
  void FillYears(int firstYear);
  void RefillDays(const DateCombos& date);
  void SelectDate(const DateCombos& date, std::time_t t);
  // The date of the combos at local midnight; false when one has no selection.
  bool ReadDate(const DateCombos& date, std::time_t& t) const;
  void FillTables();
  void AddRow(std::time_t start, std::time_t end, const std::string& function,
              const std::string& table1, const std::string& table2, const std::string& comment);
  void SetRow(QTreeWidgetItem* row, std::time_t start, std::time_t end, const std::string& function,
              const std::string& table1, const std::string& table2, const std::string& comment);
  void ShowRow();
  void UpdateButtons();
  int Message(unsigned id, bool yesNo = false);
  void Store();
  void StoreAndMove(bool next);

  CK7QBldContext& m_context;
  IK7QBldFrame& m_frame;
  QTreeWidget* m_list;
  DateCombos m_start{};
  DateCombos m_end{};
  QComboBox* m_function;
  QComboBox* m_table1;
  QComboBox* m_table2;
  QLineEdit* m_comment;
  QPushButton* m_add;
  QPushButton* m_delete;
  bool m_changed = false;
};
