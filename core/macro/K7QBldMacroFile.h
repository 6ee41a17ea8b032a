#pragma once

#include <string>
#include <string_view>

#include "K7QBldGroceries.h"

class CK7QBldCampaignBlock;
class CK7QBldDDBlock;
class CK7QBldFunctionBlock;

// A second function of one name in a macro (shown with the name; it is left out).
inline constexpr unsigned kIdsDuplicateFunction = 63206;

// The macro file as a whole: assembled from the component files on save and
// split back into them on open. Component names, all in the profile folder:
// "TITLE.k7q_define", "TITLE.k7q_html_input", "TITLE.k7q_html_report" and
// "TITLE.k7q_fun_NAME" per function.
class CK7QBldMacroFile {
 public:
  // What a split leaves behind.
  struct SplitResult {
    std::string definePath;
    std::string inputPath;  // empty when the macro has no input section
    std::string reportPath;
    K7QStringList builderMade;  // function components with the generator comment
    K7QStringList others;       // the author's functions
    K7QStringList order;        // function names in macro order
  };

  explicit CK7QBldMacroFile(const CK7QBldGroceries& groceries) : m_groceries(groceries) {}

  static std::string ComponentPath(const std::string& folder, const std::string& title,
                                   std::string_view extension);

  // The first text at or after `from` that the macro's readers take for
  // the frame of a section wherever it stands ("%{", "%}", "%FUNCTION",
  // "%HTML(", "%DEFINE{", "%MESSAGE{", "%REPORT{", "%ROW{", a campaign's
  // start or end comment); `keyword` gets it. npos when there is none. Author
  // text that holds one cannot be written into a macro and read back.
  static std::size_t FindSectionKeyword(std::string_view text, std::size_t from,
                                        std::string_view& keyword);

  // Writes the macro at `macroPath` (through a temporary file beside it, so
  // the old macro survives a failure): the define component, each function
  // component with its object comments expanded, then the input and report
  // components with the campaign text (or a bare line break) in front of
  // their first call of a listed function. The components are deleted.
  // False after a reported file error or memory shortage.
  bool Assemble(const std::string& macroPath, const std::string& definePath,
                const std::string& inputPath, const std::string& reportPath,
                const K7QStringList& functionPaths, const CK7QBldCampaignBlock& campaigns,
                const CK7QBldFunctionBlock& functions) const;

  // Splits the restore file (the macro without its campaign texts) into
  // components named from `title`. Object comments of the functions are
  // reverted into `pageObjects`; the line break the save put in front of the
  // first call of each page section is taken out again. A function whose
  // name cannot be used, and the second function of one name, are reported
  // and left out.
  // False after a reported file error or memory shortage.
  bool Split(const std::string& restorePath, const std::string& folder, const std::string& title,
             CK7QBldDDBlock& pageObjects, const CK7QBldFunctionBlock& functions,
             SplitResult& result) const;

 private:
  const CK7QBldGroceries& m_groceries;
};
