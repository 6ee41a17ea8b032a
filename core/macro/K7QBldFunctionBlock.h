#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "K7QBldFunctionEntry.h"
#include "K7QBldGroceries.h"

class CK7QBldCampaignBlock;
class CK7QBldDDBlock;

// The first line of a builder-made section's comment: it marks the builder's work.
inline constexpr std::string_view kGeneratorLine =
    "<META name=\"GENERATOR\" content=\"Halvard Pagemoss V1.0 for Windows\">";

// Messages of the function list.
inline constexpr unsigned kIdsFunctionWithoutHeader = 62377;
// A function, loop or campaign name that cannot be part of a file name.
inline constexpr unsigned kIdsUnsafeFunctionName = 63010;
inline constexpr unsigned kIdsUnsafeLoopName = 63011;
inline constexpr unsigned kIdsUnsafeCampaignName = 63012;

// The functions of the open macro, in macro order. Entries are identified by
// their index; names are unique, compared ignoring case.
class CK7QBldFunctionBlock {
 public:
  // What writing a function's component needs from the rest of the macro.
  struct WriteContext {
    std::string functionPrefix;                       // "%FUNCTION(RZV_SQL)" or "...(RZV_ODBC)"
    const CK7QBldCampaignBlock* campaigns = nullptr;  // builder-made SQL names the campaign table
    const CK7QBldDDBlock* pageObjects = nullptr;      // object comments after report lines
    std::string imagePath = "/";                      // prefix of image page objects
  };

  explicit CK7QBldFunctionBlock(const CK7QBldGroceries& groceries) : m_groceries(groceries) {}

  // Appends an entry (kind kept only for builder-made ones). Index, or -1
  // after a memory shortage or for a name that cannot be part of a file
  // name (both reported).
  int Add(int flag, const std::string& name, const std::string& comment, const std::string& page,
          const CK7QBldSQL& statement, const CK7QBldMessageBlock& messages, int kind);
  // Replaces flag, kind, texts and statement; the messages are put into the
  // entry's block item by item (same code replaced, others appended).
  void Modify(int index, int flag, const std::string& name, const std::string& comment,
              const std::string& page, const CK7QBldSQL& statement,
              const CK7QBldMessageBlock& messages, int kind);
  // Nothing happens when first + count exceeds the size.
  void RemoveRange(int first, int count);
  // Outside the range only name and comment are emptied; false then.
  bool GetAt(int index, int& flag, std::string& name, std::string& comment, std::string& page,
             CK7QBldSQL& statement, CK7QBldMessageBlock& messages, int& kind) const;
  // nullptr outside the range.
  const CK7QBldFunctionEntry* Entry(int index) const;
  int GetCount() const { return static_cast<int>(m_entries.size()); }
  int FindByName(std::string_view name) const;
  void RemoveAll() { m_entries.clear(); }
  // Exchanges the entries with `other` (opening a macro swaps its parts in only on success).
  void Swap(CK7QBldFunctionBlock& other) noexcept { m_entries.swap(other.m_entries); }
  // The function page of an entry (Save As renames pages).
  void SetPage(int index, const std::string& page);
  // The statement text kept as read (see CK7QBldFunctionEntry::sqlText).
  void SetSqlText(int index, const std::string& text);
  // Reorders the entries by `names` (ignoring case); entries not named keep
  // their relative order after the named ones.
  void Reorder(const std::vector<std::string>& names);

  // Writes one component per entry, "FOLDER/TITLE.k7q_fun_NAME", collecting
  // the paths in list order; false at the first that cannot be written.
  bool WriteComponents(K7QStringList& paths, const std::string& folder, const std::string& title,
                       const WriteContext& context) const;
  // One entry's component (text mode). False after a reported failure.
  bool WriteComponent(const CK7QBldFunctionEntry& entry, const std::string& path,
                      const WriteContext& context) const;

  // Reads components back into entries (Modify when the name is listed,
  // else Add), each with `flag`; the components are deleted. The function
  // page goes to "FOLDER/BASE_NAME.htm" (BASE = the component's base name).
  // False at a component without a function header (62377) or a nameless one;
  // a name that cannot be part of a file name is refused (63010) and skipped.
  bool ReadComponents(const K7QStringList& paths, int flag, const std::string& folder,
                      const std::string& functionPrefix);

  // Deletes every function page (and its converted page) that exists.
  void DeleteFunctionPages() const;

  // Puts the builder-made functions back into `page` before it is edited:
  // a line calling one becomes its header line and the lines of its
  // function page (which is then deleted). False when the page is missing
  // or a builder-made function's page is missing (the page then stays as it was).
  bool MergeIntoPage(const std::string& page, const std::string& functionPrefix) const;

  // What the combo boxes of the page-object and campaign pages list:
  // names with their list index (only builder-made ones when asked), the
  // FROM tables of a function, and the columns it selects from one table.
  std::vector<std::pair<std::string, int>> FunctionComboItems(bool onlyBuilderMade) const;
  K7QStringList FunctionTables(std::string_view function) const;
  K7QStringList TableColumns(std::string_view function, std::string_view table) const;

  // The variable name of the first "$(V_" of `line`, up to the first ")".
  static bool ExtractVariableName(std::string_view line, std::string& name);
  // Statement text cut into lines of at most 80 bytes after a comma or a
  // blank (never at the first byte); joining them gives the text back.
  static K7QStringList BreakSqlLines(std::string_view sql);
  // K7QFunctionName::IsUsable: a name that every reader of the macro gives
  // back, and that may become part of a working file's name.
  static bool IsUsableName(std::string_view name);
  // A key under which names that compare equal ignoring case are equal
  // (ASCII letters folded, double-byte characters kept), for hashing.
  static std::string NameKey(std::string_view name);
  // Shows `id` followed by the refused name.
  void ReportUnusableName(unsigned id, const std::string& name) const;

 private:
  const CK7QBldGroceries& m_groceries;
  std::vector<CK7QBldFunctionEntry> m_entries;
};
