#include "K7QBldMacroExport.h"

#include <new>

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"

namespace {

constexpr std::string_view kTranslateCall = "@RZV_TRANSLATE(V_";

// Line ends become line feeds. Only a carriage return before a line feed is
// dropped: a line that already ends in a bare line feed (campaign text, the
// break in front of the first call) keeps its last character.
std::string ToLineFeeds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (std::size_t lf = text.find('\n'); lf != std::string_view::npos;
       lf = text.find('\n', start)) {
    std::size_t end = lf;
    if (end > start && text[end - 1] == '\r') --end;
    out.append(text.substr(start, end - start));
    out.push_back('\n');
    start = lf + 1;
  }
  out.append(text.substr(start));
  return out;
}

// The large-text command types the file out; the slash-path server has "cat".
void ReplaceTypeCommand(std::string& text) {
  for (std::string_view command :
       {std::string_view("%EXEC \"TYPE "), std::string_view("%EXEC \"type ")}) {
    const std::size_t at = K7QCp932::Find(text, command);
    if (at == std::string::npos) continue;
    text.replace(at + command.size() - 5, 5, "cat ");
    return;
  }
}

// The first backslash in each translate call's argument text becomes a slash.
void ReplaceTranslateSeparators(std::string& text) {
  std::size_t from = 0;
  for (std::size_t at = K7QCp932::Find(text, kTranslateCall, from); at != std::string::npos;
       at = K7QCp932::Find(text, kTranslateCall, from)) {
    const std::size_t argument = at + kTranslateCall.size();
    const std::size_t close = K7QCp932::Find(text, ')', argument);
    const std::size_t limit = close == std::string::npos ? text.size() : close;
    const std::size_t backslash =
        K7QCp932::Find(std::string_view(text).substr(0, limit), '\\', argument);
    if (backslash != std::string::npos) {
      text[backslash] = '/';
      from = backslash + 1;
    } else {
      from = limit;
    }
  }
}

}  // namespace

std::string CK7QBldMacroExport::Convert(std::string_view macro) {
  std::string text = ToLineFeeds(macro);
  ReplaceTypeCommand(text);
  ReplaceTranslateSeparators(text);
  return text;
}

bool CK7QBldMacroExport::ExportFile(const CK7QBldGroceries& groceries, const std::string& macroPath,
                                    const std::string& targetPath) {
  try {
    const std::string converted = Convert(K7QFile::ReadAll(macroPath));
    // The copy holds what the macro holds, its password too: a new copy is
    // as private as the macro (as cp makes it).
    K7QWriteOptions options = K7QFile::AuthorFile(false);
    options.newMode = K7QFile::PermissionsOf(macroPath);
    K7QFile::WriteAll(targetPath, converted, options);
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    return false;
  } catch (const std::bad_alloc& e) {
    groceries.ReportMemoryException(e, __FILE__, __LINE__);
    return false;
  }
  return true;
}
