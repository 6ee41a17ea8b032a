#pragma once

#include <ctime>
#include <string>
#include <string_view>

// One campaign: during [start, end] (both whole days, local time) the
// function reads table 2 instead of table 1. The campaign text is what the
// macro carries in front of the function's call; it is rebuilt by Set.
// A comment goes into it as a comment line after the first.
class CK7QBldCampaignEntry {
 public:
  void Set(int number, std::time_t start, std::time_t end, const std::string& function,
           const std::string& table1, const std::string& table2, const std::string& comment);

  std::time_t Start() const { return m_start; }
  std::time_t End() const { return m_end; }
  const std::string& Function() const { return m_function; }
  const std::string& Table1() const { return m_table1; }
  const std::string& Table2() const { return m_table2; }
  const std::string& Comment() const { return m_comment; }
  const std::string& CampaignText() const { return m_campaignText; }

  // Whether two ranges of whole days (both ends included) share a day.
  static bool Overlap(std::time_t start1, std::time_t end1, std::time_t start2, std::time_t end2);

  // A comment that the campaign text can carry and opening give back: no
  // line break and no "-->" (a comment line of the block ends there).
  static bool IsUsableComment(std::string_view comment);
  // "YYYYMMDD" of the local calendar date of `t` (1 April 1998 gives "19980401").
  static std::string FormatDate(std::time_t t);
  // Local midnight of "YYYYMMDD" when IsDate accepts it; `fallback` for anything else.
  static std::time_t ParseDate(const std::string& text, std::time_t fallback);
  // Exactly eight digits naming a day of the calendar with a four-digit
  // year: "20240229" is one, "20240231", "00000000" and "99999999" are not.
  static bool IsDate(std::string_view text);
  // Local midnight of the given day.
  static std::time_t MakeDate(int year, int month, int day);

 private:
  std::time_t m_start = 0;
  std::time_t m_end = 0;
  std::string m_function;
  std::string m_table1;
  std::string m_table2;
  std::string m_comment;
  std::string m_campaignText;
};
