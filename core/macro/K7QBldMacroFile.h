#pragma once

#include <string>
#include <string_view>

#include "K7QBldGroceries.h"

class CK7QBldCampaignBlock;
class CK7QBldDDBlock;
class CK7QBldFunctionBlock;

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
  // name cannot be part of a file name is refused (reported) and left out.
  // False after a reported file error or memory shortage.
  bool Split(const std::string& restorePath, const std::string& folder, const std::string& title,
             CK7QBldDDBlock& pageObjects, const CK7QBldFunctionBlock& functions,
             SplitResult& result) const;

 private:
  const CK7QBldGroceries& m_groceries;
};
