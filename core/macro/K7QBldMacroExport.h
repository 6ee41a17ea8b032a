#pragma once

#include <string>
#include <string_view>

class CK7QBldGroceries;

// The copy of a macro for a server with slash-separated paths and a "cat"
// command: LF line ends, the large-text command "%EXEC "TYPE ..." as "cat",
// and the backslash argument of the translate calls as "/".
class CK7QBldMacroExport {
 public:
  static std::string Convert(std::string_view macro);
  // Reads `macroPath` whole and writes the converted text to `targetPath`
  // (replaced in one step; a new copy gets the macro's permissions). False
  // after a file error or memory shortage (reported); the target is then as it was.
  static bool ExportFile(const CK7QBldGroceries& groceries, const std::string& macroPath,
                         const std::string& targetPath);
};
