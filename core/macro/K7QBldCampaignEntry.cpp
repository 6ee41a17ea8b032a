#include "K7QBldCampaignEntry.h"

#include <cctype>
#include <cstdio>

void CK7QBldCampaignEntry::Set(int number, std::time_t start, std::time_t end,
                               const std::string& function, const std::string& table1,
                               const std::string& table2, const std::string& comment) {
  m_start = start;
  m_end = end;
  m_function = function;
  m_table1 = table1;
  m_table2 = table2;
  m_comment = comment;

  std::string text;
  text.reserve(512 + function.size() + table1.size() + table2.size());
  text += "<!-- CAMP Start ";
  text += function;
  text += " -->\n";
  // The comment rides along as a comment line of the block, which opening
  // reads back; without one the block is the bare fourteen lines.
  if (!comment.empty()) {
    text += "<!-- ";
    text += comment;
    text += " -->\n";
  }
  text += "@RZV_ASSIGN(CAMP_NUMBER, \"";
  text += std::to_string(number);
  text += "\")\n@RZV_ASSIGN(CAMP_START, \"";
  text += FormatDate(start);
  text += "\")\n@RZV_ASSIGN(CAMP_END, \"";
  text += FormatDate(end);
  text += "\")\n@RZV_ASSIGN(CAMP_TABLE1, \"";
  text += table1;
  text += "\")\n@RZV_ASSIGN(CAMP_TABLE2, \"";
  text += table2;
  text +=
      "\")\n"
      "\n"
      "@RZV_DATE(\"S\", _NOWDATE)\n"
      "%if (($(CAMP_END) >= $(_NOWDATE)) && ($(CAMP_START) <= $(_NOWDATE)))\n"
      "    @RZV_ASSIGN(CAMP_TABLE, CAMP_TABLE2)\n"
      "%else\n"
      "    @RZV_ASSIGN(CAMP_TABLE, CAMP_TABLE1)\n"
      "%endif\n"
      "<!-- CAMP End -->";
  m_campaignText = std::move(text);
}

std::string CK7QBldCampaignEntry::FormatDate(std::time_t t) {
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return {};
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday);
  return buffer;
}

std::time_t CK7QBldCampaignEntry::MakeDate(int year, int month, int day) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_isdst = -1;  // midnight as the calendar of that day has it
  return std::mktime(&local);
}

bool CK7QBldCampaignEntry::IsUsableComment(std::string_view comment) {
  // Its line in the block ends at the first "-->" and at the line end.
  return comment.find_first_of("\r\n") == std::string_view::npos &&
         comment.find("-->") == std::string_view::npos;
}

bool CK7QBldCampaignEntry::Overlap(std::time_t start1, std::time_t end1, std::time_t start2,
                                   std::time_t end2) {
  return start1 <= end2 && start2 <= end1;
}

bool CK7QBldCampaignEntry::IsDate(std::string_view text) {
  if (text.size() != 8) return false;
  for (char c : text) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  const auto number = [&text](std::size_t at, std::size_t length) {
    int n = 0;
    for (std::size_t i = at; i < at + length; ++i) n = n * 10 + (text[i] - '0');
    return n;
  };
  const int year = number(0, 4);
  const int month = number(4, 2);
  const int day = number(6, 2);
  if (year < 1000 || month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::time_t CK7QBldCampaignEntry::ParseDate(const std::string& text, std::time_t fallback) {
  if (!IsDate(text)) return fallback;
  return MakeDate(std::stoi(text.substr(0, 4)), std::stoi(text.substr(4, 2)),
                  std::stoi(text.substr(6, 2)));
}
