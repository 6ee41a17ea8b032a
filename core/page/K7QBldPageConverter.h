#pragma once

// Folder core/page: page conversion between macro form and editor form.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "K7QBldGroceries.h"
#include "K7QBldSQL.h"

class CK7QBldMacro;
struct CK7QBldFunctionEntry;

// Messages of the page conversion.
inline constexpr unsigned kIdsTwoReportBlocks = 62358;
inline constexpr unsigned kIdsTwoRowTemplates = 62359;
inline constexpr unsigned kIdsLoopMarkersUnbalanced = 62360;
inline constexpr unsigned kIdsValueTagsUnbalanced = 62361;
inline constexpr unsigned kIdsNoLoopNorForm = 62366;
inline constexpr unsigned kIdsPageNotConverted = 62374;
inline constexpr unsigned kIdsDuplicateLoopName = 63020;
inline constexpr unsigned kIdsLoopNamesAuthorFunction = 63021;
inline constexpr unsigned kIdsPageHoldsFunction = 63022;
inline constexpr unsigned kIdsLoopMarkerUnreadable = 63200;
inline constexpr unsigned kIdsValueTagUnreadable = 63201;
inline constexpr unsigned kIdsLoopWithoutColumns = 63202;
inline constexpr unsigned kIdsFormWithoutField = 63203;
inline constexpr unsigned kIdsColumnNameTwice = 63204;
inline constexpr unsigned kIdsPageHoldsSectionKeyword = 63205;
// "line": the label in front of a line number in the messages above.
inline constexpr unsigned kIdsPageLineLabel = 63209;

// What validating a page finds.
inline constexpr int kPageValid = 0;
inline constexpr int kPageLoopMarkersBad = 1;
inline constexpr int kPageValueTagsBad = 2;
inline constexpr int kPageNoLoopNorForm = 11;
// A form (and no loop) without any named field.
inline constexpr int kPageFormWithoutField = 12;
// A loop marker, a marker image or a value tag that conversion cannot read.
inline constexpr int kPageMarkupUnreadable = 13;

// The markup that the database sheet drops into pages, as the builder writes
// it. Conversion reads it back as HTML: the marker images are known by the
// file name in their src, value tags by their name and macro attribute, in
// any letter case, attribute order and quoting.
inline constexpr std::string_view kLoopStartPrefix = "<IMG src=\"k7q_loop_start.gif\" alt=\"";
inline constexpr std::string_view kLoopEndMarker =
    "<IMG src=\"k7q_loop_end.gif\" height=\"10\" width=\"438\">";
inline constexpr std::string_view kValueTagOpen = "<K7Q macro=\"";
inline constexpr std::string_view kValueTagClose = "</K7Q>";
inline constexpr std::string_view kLargeTextMark = " type=\"CLOB\"";
inline constexpr std::string_view kLargeTextCall = "@RZV_TRANSLATE(";
inline constexpr std::string_view kLargeTextTail = ",\"\\\",\"/\",ClobData) $(CLOBTYPE)";

// The two forms of a page: the macro form, in which loops are calls of
// builder-made functions and database values are macro variables, and the
// editor form, in which each loop stands between two marker images and each
// value shows as a coloured value tag. Preparing a page and converting it
// back without changes gives the same macro text.
class CK7QBldPageConverter {
 public:
  enum class LoopKind { Row, Table, Option };

  // One loop cut out of a page: the function that serves it.
  struct GeneratedFunction {
    std::string name;
    LoopKind kind = LoopKind::Row;
    std::string statement;  // "SELECT columns FROM tables"
    std::string component;  // the whole component text
  };

  // A page converted in memory.
  struct Conversion {
    std::string page;  // macro form: calls in place of loops
    std::vector<GeneratedFunction> functions;
    K7QStringList formFieldNames;  // of its INPUT and SELECT fields, in page order
  };

  explicit CK7QBldPageConverter(CK7QBldMacro& macro);

  // Before the page editor starts: every call of a builder-made function
  // whose function page exists becomes its loop between marker images, and
  // database values become value tags. A page that already holds value tags
  // is left as it is. False when the page is missing, a builder-made
  // function's page is missing (the page then stays as it was) or after a
  // reported file error.
  bool PrepareForEditing(const std::string& pagePath);

  // After the page editor has ended: the page (".htm", never rewritten) is
  // converted into its converted page (".cvt"), each loop becoming a function component
  // "BASE.k7q_fun_NAME" beside it (BASE: the converted page without its
  // extension), listed in `components`. With `readIntoList` the components
  // are read into the function list as builder-made functions (and
  // deleted), and the loop-name and input-name registers are emptied. On
  // failure (reported) the converted page and the function list stay as
  // they were and no component is left behind.
  bool ConvertAfterEditing(const std::string& pagePath, K7QStringList& components,
                           bool readIntoList = true);

  // 0 valid, 1 loop markers unbalanced or overlapping, 2 value tags
  // unbalanced or overlapping (or neither value tags nor a usable form), 11
  // neither loops nor a form, 12 a form without a named field (and no
  // loop), 13 a marker or value tag that cannot be read.
  static int ValidatePage(std::string_view text);
  // The same for a file; -1 when it cannot be read (reported).
  int ValidatePageFile(const std::string& path) const;

  // Shows 62358 for components with more than one report block and 62359
  // for those with two or more row templates; false when any was found.
  bool CheckGeneratedFunctions(const K7QStringList& components) const;
  // The same for component texts given with their function names.
  bool CheckGeneratedTexts(const std::vector<std::pair<std::string, std::string>>& functions) const;

  // The conversion of a page's text, validation included (62366 is shown
  // and conversion goes on); false after a reported refusal: the page fails
  // validation, holds the frame of a macro section in its text, names a
  // loop with a name that cannot name a function, gives a name to two loops
  // or the name of one of the author's own functions, has a loop without
  // any column or a loop showing one column name of two tables.
  bool ConvertText(std::string_view page, Conversion& result) const;
  // The editor form of a page's text, loops already opened.
  std::string PrepareText(std::string_view page) const;
  // The loop that stands for a builder-made function: markers around the
  // body that its function page's lines give back. `lineEnd` is the page's.
  std::string OpenLoop(const CK7QBldFunctionEntry& entry, const K7QStringList& pageLines,
                       std::string_view lineEnd) const;

  // "@NAME()" calls of builder-made functions in `page` replaced by their
  // loops; false when such a function's page is missing. Throws file errors.
  bool OpenLoops(std::string_view page, std::string& result) const;

 private:
  struct ColumnCache;
  class CUntagger;
  // What the author set on a builder-made function before it was made again.
  struct Kept {
    std::string name;
    std::string comment;
    CK7QBldSQL statement;
    std::string sqlText;
  };

  std::string Tag(std::string_view segment, const CK7QBldFunctionEntry* function,
                  ColumnCache& cache) const;
  std::string ValueTag(const std::string& table, const std::string& column, bool largeText,
                       ColumnCache& cache) const;
  bool Qualify(std::string_view variable, const CK7QBldFunctionEntry* function, ColumnCache& cache,
               std::string& table, std::string& column) const;
  std::string BuildTemplate(LoopKind kind, std::string_view text, std::size_t from, std::size_t to,
                            CUntagger& untagger, K7QStringList& columns) const;
  bool CheckLoopColumns(std::string_view page, std::size_t at, const std::string& name,
                        const K7QStringList& columns) const;
  void Refuse(unsigned id, std::string_view page, std::size_t at, std::string_view what) const;
  std::string MakeComponent(const std::string& name, const K7QStringList& columns,
                            const std::string& rowTemplate, std::string& statement) const;
  void KeepAuthorsWork(const std::vector<Kept>& before) const;

  CK7QBldMacro& m_macro;
};
