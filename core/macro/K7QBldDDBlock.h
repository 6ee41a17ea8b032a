#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "K7QBldPageObject.h"

class CK7QBldGroceries;

// Texts that the object comment cannot carry.
inline constexpr unsigned kIdsObjectValueRefused = 63602;
inline constexpr unsigned kIdsObjectTextRefused = 63603;
inline constexpr unsigned kIdsObjectPathRefused = 63604;
inline constexpr unsigned kIdsObjectNoteRefused = 63605;

// The page object list of the open macro: at most one object per function
// (compared ignoring case). Its objects reach the macro as object comments
// in the function's report, which assembly expands into conditional text.
class CK7QBldDDBlock {
 public:
  explicit CK7QBldDDBlock(const CK7QBldGroceries& groceries) : m_groceries(groceries) {}

  // Overwrites the object of the same function, or appends one. Index, -1 on
  // a memory shortage (reported).
  int AddOrReplace(int kind, const std::string& value, const std::string& replacement,
                   const std::string& function, const std::string& table, const std::string& column,
                   const std::string& note);
  int Find(const std::string& function) const;
  // An image page's file name: longer than 4 characters, none of
  // "\\/,;*?\"<>|" (a URL's page cannot take them), ending in ".gif",
  // ".bmp" or ".jpg" in any case.
  static bool IsImageFileName(std::string_view name);
  // The message that refuses a field the object comment could not give
  // back, 0 when all can go: the comment separates its fields with commas
  // and ends at the first "-->", the condition value stands in double
  // quotes in the condition, a background image path in single quotes.
  static unsigned CheckFields(int kind, std::string_view value, std::string_view replacement,
                              std::string_view note);
  int GetCount() const { return static_cast<int>(m_objects.size()); }
  // nullptr outside the range.
  const CK7QBldPageObject* GetAt(int index) const;
  void RemoveAll() {
    m_objects.clear();
    m_index.clear();
  }
  // Exchanges the objects with `other` (opening a macro swaps its parts in only on success).
  void Swap(CK7QBldDDBlock& other) noexcept {
    m_objects.swap(other.m_objects);
    m_index.swap(other.m_index);
  }

  // The object comment written after a report line of `function` that shows
  // `variable`: "<!-- Object N Start\nKIND,VARIABLE,VALUE,REPLACEMENT,NOTE\n-->"
  // with N the object's index from 0. Only the function's own object counts,
  // so a column shown by two functions is not bound twice. A kind 2
  // replacement is `imagePath` + "/" + file name with doubled slashes
  // collapsed. Empty when no object matches.
  std::string GetObjectComment(const std::string& function, const std::string& variable,
                               const std::string& imagePath) const;
  // The object comment to write after a report line of `function`: that of
  // its object when any variable of the line (not only the first) shows the
  // object's column. Empty when none does.
  std::string ObjectCommentForLine(const std::string& function, std::string_view line,
                                   const std::string& imagePath) const;
  // Whether `comment` ("<!-- Object ..." through "-->") is an object comment
  // that ExpandObjectComments turns into a condition.
  static bool IsObjectComment(std::string_view comment);

  // Assembly: every object comment of a function component becomes a
  // condition on the variable, its lines ended with `lineEnd`. The cell it
  // replaces is the last table cell showing the variable on the line before
  // the comment. Text without object comments, and comments that do not
  // parse, are returned unchanged.
  static std::string ExpandObjectComments(std::string_view text, std::string_view lineEnd = "\r\n");
  // The same on a component file, rewritten in place as bytes. False after a
  // file error or memory shortage (reported).
  bool ExpandObjectCommentsInFile(const std::string& path) const;

  // Opening: undoes ExpandObjectComments on the text of `function`'s
  // component (the author's cell back in place, the comment kept) and
  // add-or-replaces an object for every comment, remembering its number.
  std::string RevertObjectComments(std::string_view text, const std::string& function);
  // After all components were reverted: puts the objects in the order of
  // their saved numbers, so the next save numbers them as before.
  void SortBySavedNumber();

 private:
  void RebuildIndex();

  const CK7QBldGroceries& m_groceries;
  std::vector<CK7QBldPageObject> m_objects;
  // Function name key -> index: the report writer asks for every line.
  std::unordered_map<std::string, int> m_index;
};
