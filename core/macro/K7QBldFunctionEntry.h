#pragma once

#include <string>
#include <string_view>

#include "K7QBldMessageBlock.h"
#include "K7QBldSQL.h"

// Which functions the builder made from a page loop, and what their report holds.
inline constexpr int kFunctionAuthor = 0;
inline constexpr int kFunctionBuilderMade = 1;
inline constexpr int kReportKindNone = 0;
inline constexpr int kReportKindPlain = 1;
inline constexpr int kReportKindTable = 2;
inline constexpr int kReportKindOption = 4;

// One function of the macro: its SQL statement, its messages and the page
// that holds its report section. The entry owns copies of both blocks.
struct CK7QBldFunctionEntry {
  int flag = kFunctionAuthor;
  int kind = kReportKindNone;
  std::string name;
  std::string comment;
  std::string page;  // the function page, "FOLDER/TITLE_NAME.htm"
  CK7QBldSQL statement;
  CK7QBldMessageBlock messages;
  // The statement text as read from a macro, kept only when the statement
  // object cannot give it back (an UPDATE, lower-case keywords, ...), so that
  // opening and saving never rewrites the author's SQL. Add and Modify clear it.
  std::string sqlText;

  // The SQL text this function writes: the kept text, else the statement's.
  // With a campaign, every reference to its tables is written as
  // "$(CAMP_TABLE)" in either.
  std::string SqlText(const CK7QBldSQL::CampaignContext* campaign) const;
};

// `sql` with every table reference that names a table of `campaign`'s
// function written as "$(CAMP_TABLE)": a name standing alone or before the
// dot of TABLE.COLUMN, outside quoted literals; the rule the statement
// object applies to its items, for text it cannot rebuild.
std::string K7QSubstituteCampaignTables(std::string_view sql,
                                        const CK7QBldSQL::CampaignContext& campaign);
