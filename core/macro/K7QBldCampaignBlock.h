#pragma once

// Folder core/macro: the macro and its blocks (define, pages, functions, messages, campaigns, page
// objects), assembly and split, the document's save and open, export.

#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "K7QBldCampaignEntry.h"
#include "K7QBldSQL.h"

class CK7QBldGroceries;

// Messages of the campaigns in the macro text.
inline constexpr unsigned kIdsCampaignDateRead = 63207;
inline constexpr unsigned kIdsCampaignDateRefused = 63208;
// The campaign page's own refusals.
inline constexpr unsigned kIdsCampaignOverlap = 63600;
inline constexpr unsigned kIdsCampaignCommentRefused = 63601;

// The campaign list of the open macro, identified by (function, table 1),
// both compared ignoring case. Campaign numbers are the entries' positions + 1.
class CK7QBldCampaignBlock {
 public:
  explicit CK7QBldCampaignBlock(const CK7QBldGroceries& groceries) : m_groceries(groceries) {}

  // Appends an entry; its index, or -1 after a memory shortage or for a
  // date that is not a day with a four-digit year (both reported).
  int Add(std::time_t start, std::time_t end, const std::string& function,
          const std::string& table1, const std::string& table2, const std::string& comment);
  // Resets the entry at `index` (ignored outside the range, and for a date
  // that is not a day with a four-digit year, reported).
  void Modify(int index, std::time_t start, std::time_t end, const std::string& function,
              const std::string& table1, const std::string& table2, const std::string& comment);
  int Find(const std::string& function, const std::string& table1) const;
  // Campaign text of the first entry of that function; empty when none.
  std::string GetCampaignText(const std::string& function) const;
  int GetCount() const { return static_cast<int>(m_entries.size()); }
  // nullptr outside the range.
  const CK7QBldCampaignEntry* GetAt(int index) const;
  void RemoveAll() { m_entries.clear(); }
  // Removes the entries `remove` picks; the others are numbered anew.
  void RemoveIf(const std::function<bool(const CK7QBldCampaignEntry&)>& remove);
  // Exchanges the entries with `other` (opening a macro swaps its parts in only on success).
  void Swap(CK7QBldCampaignBlock& other) noexcept {
    m_entries.swap(other.m_entries);
    m_lineEnd.swap(other.m_lineEnd);
  }

  // What the statement text needs to write the campaign tables of `function`
  // as "$(CAMP_TABLE)".
  CK7QBldSQL::CampaignContext GetCampaignContext(const std::string& function) const;

  // Whether `name` is to be treated as a call target ("@" NAME "()").
  using IsFunction = std::function<bool(std::string_view name)>;

  // Saving: a line end goes in front of the first call "@NAME()" of
  // `section` whose NAME `isFunction` accepts (an "@" of anything else, an
  // e-mail address, is passed over), and the campaign text of a function,
  // followed by a line end, in front of each of its calls that the text
  // before has not set its table for: its first call, and a call after
  // another function's campaign text. A section without a call is returned
  // unchanged. A macro opened with bare line feeds (an earlier builder's)
  // keeps their form: the campaign text (or nothing) and a line feed in
  // front of the first call.
  // `written`, when given, gets the indexes of the entries whose text went in.
  std::string InsertCampaignText(std::string_view section, const IsFunction& isFunction,
                                 std::vector<bool>* written = nullptr) const;
  // Both page sections of a save (`input` may be empty: no input section).
  // A campaign whose text neither section took (its function is called in
  // neither, or it is a second campaign of one function) goes at the end
  // of the report section, so that opening the macro finds it again.
  void InsertCampaignTexts(std::string& input, std::string& report,
                           const IsFunction& isFunction) const;
  // Opening (after ExtractCampaigns): takes out the line end that
  // InsertCampaignText put in front of the first call, so that a macro does
  // not grow a blank line on every open and save. False when there was none.
  static bool RemoveCallBreak(std::string& section, const IsFunction& isFunction);

  // The line end of the text the save puts into the macro (campaign texts,
  // the break in front of a first call, page-object conditions): CR LF, or
  // a bare line feed when the opened macro holds bare line feeds, so that
  // opening and saving a macro of an earlier builder gives its bytes back.
  const std::string& LineEnd() const { return m_lineEnd; }
  void ResetLineEnd() { m_lineEnd = "\r\n"; }

  // Opening: copies `macroPath` to `restorePath` byte for byte except the
  // campaign texts (from "<!-- CAMP Start " through "<!-- CAMP End -->"),
  // which become entries unless (function, table 1) is already listed, in
  // the order of their campaign numbers. Text
  // before a campaign text on the same line and the line feed after it stay,
  // so the restore file holds what the save wrote with empty campaign texts.
  // False only when the macro does not exist or a file error occurred (reported).
  bool ExtractCampaigns(const std::string& macroPath, const std::string& restorePath);

  // Opening: in the SQL lines of every function of the file (rewritten in
  // place, line ends kept), "$(CAMP_TABLE)" becomes table 1 of the last
  // campaign of that function; functions without a campaign keep the text.
  // `functionPrefix` is "%FUNCTION(RZV_SQL)" or "%FUNCTION(RZV_ODBC)".
  bool RestoreCampaignTables(const std::string& path, const std::string& functionPrefix) const;

  // The same on text in memory.
  std::string RestoreCampaignTablesInText(std::string_view text,
                                          const std::string& functionPrefix) const;
  // ExtractCampaigns on text in memory; returns the restore text. `now` is
  // the date given to a CAMP_START or CAMP_END that is not a day of the
  // calendar, which is reported (63207) with the function and the value.
  std::string ExtractCampaignsFromText(std::string_view text, std::time_t now);

 private:
  // The campaign text of entry `index` with the macro's line ends.
  std::string TextOf(std::size_t index) const;

  const CK7QBldGroceries& m_groceries;
  std::vector<CK7QBldCampaignEntry> m_entries;
  std::string m_lineEnd = "\r\n";
};
