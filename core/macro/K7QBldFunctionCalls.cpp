#include "K7QBldFunctionCalls.h"

#include "K7QBldCp932.h"
#include "K7QBldFile.h"
#include "K7QBldFunctionEntry.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"

namespace {

// The page in its macro form: the converted page once the page editor has
// run, else the page itself. "" when there is none; throws when that cannot
// be told.
std::string MacroForm(const std::string& page) {
  if (page.empty()) return {};
  const std::string converted = CK7QBldGroceries::ChangeExtension(page, "htm", "cvt");
  if (!converted.empty() && K7QFile::Exists(converted)) return converted;
  return K7QFile::Exists(page) ? page : std::string();
}

bool FileCalls(const std::string& page, std::string_view name) {
  try {
    const std::string path = MacroForm(page);
    return !path.empty() && CK7QBldFunctionCalls::Calls(K7QFile::ReadAll(path), name);
  } catch (const CK7QBldFileException&) {
    return true;
  }
}

}  // namespace

bool CK7QBldFunctionCalls::Calls(std::string_view text, std::string_view name) {
  if (name.empty()) return false;
  for (std::size_t at = K7QCp932::Find(text, '@'); at != std::string_view::npos;
       at = K7QCp932::Find(text, '@', at + 1)) {
    const std::size_t end = at + 1 + name.size();
    if (end < text.size() && text[end] == '(' &&
        CK7QBldGroceries::EqualNoCase(text.substr(at + 1, name.size()), name))
      return true;
  }
  return false;
}

std::vector<CK7QBldFunctionCalls::Caller> CK7QBldFunctionCalls::Find(
    const CK7QBldMacro& macro, std::string_view name,
    const std::vector<const CK7QBldFunctionEntry*>& functions) {
  std::vector<Caller> callers;
  if (FileCalls(macro.Input().PagePath(), name)) callers.push_back({Kind::InputPage, {}});
  if (FileCalls(macro.Report().PagePath(), name)) callers.push_back({Kind::ReportPage, {}});
  for (const CK7QBldFunctionEntry* entry : functions) {
    if (!entry || CK7QBldGroceries::EqualNoCase(entry->name, name)) continue;
    if (FileCalls(entry->page, name)) callers.push_back({Kind::Function, entry->name});
  }
  return callers;
}
