// k7q page: the two directions of page conversion, one page at a time.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QBldPageConverter.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"

namespace {

constexpr const char* kUsage =
    "usage: k7q page prepare PAGE --profile PROFILE\n"
    "       k7q page convert PAGE --profile PROFILE";

// The function components a conversion of `page` left beside it:
// "BASE.k7q_fun_NAME", BASE being the page without its extension.
K7QStringList ComponentsBeside(const std::string& page) {
  namespace fs = std::filesystem;
  const std::string base = K7QFile::FileName(page.substr(0, page.find_last_of('.')));
  const std::string prefix = base + ".k7q_fun_";
  std::string folder = K7QFile::Folder(page);
  if (folder.empty()) folder = ".";
  K7QStringList found;
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file(ec) && name.compare(0, prefix.size(), prefix) == 0 &&
        name.size() > prefix.size())
      found.push_back(K7QFile::Join(folder, name));
  }
  std::sort(found.begin(), found.end());
  return found;
}

// A private folder for the function pages read while preparing.
class CScratchFolder {
 public:
  CScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "k7q-page-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_path = pattern;
  }
  ~CScratchFolder() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  CScratchFolder(const CScratchFolder&) = delete;
  CScratchFolder& operator=(const CScratchFolder&) = delete;
  const std::string& Path() const { return m_path; }

 private:
  std::string m_path;
};

int Prepare(CK7QBldMacro& macro, const std::string& page) {
  // The functions come from the components that "page convert" left beside
  // the page; they stay where they are, copies are read.
  CScratchFolder scratch;
  if (scratch.Path().empty()) {
    std::fprintf(stderr, "k7q: page: cannot create a temporary folder\n");
    return kExitFailed;
  }
  K7QStringList copies;
  try {
    for (const std::string& component : ComponentsBeside(page)) {
      copies.push_back(K7QFile::Join(scratch.Path(), K7QFile::FileName(component)));
      K7QFile::CopyBinary(component, copies.back());
    }
  } catch (const CK7QBldFileException& e) {
    macro.Groceries().ReportFileException(e, __FILE__, __LINE__);
    return kExitFailed;
  }
  if (!macro.Functions().ReadComponents(copies, kFunctionBuilderMade, scratch.Path(),
                                        macro.FunctionPrefix()))
    return kExitFailed;
  CK7QBldPageConverter converter(macro);
  if (!converter.PrepareForEditing(page)) {
    std::fprintf(stderr, "k7q: page: %s: not prepared\n", page.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

int Convert(CK7QBldMacro& macro, const std::string& page) {
  CK7QBldPageConverter converter(macro);
  K7QStringList components;
  if (!converter.ConvertAfterEditing(page, components, false)) {
    macro.Groceries().Ui().Message(kIdsPageNotConverted, K7QIcon::Stop);
    return kExitFailed;
  }
  std::printf("converted\t%s\n", CK7QBldGroceries::ChangeExtension(page, "htm", "cvt").c_str());
  for (const std::string& component : components) std::printf("function\t%s\n", component.c_str());
  return kExitOk;
}

int Run(const K7QArgs& args) {
  if (args.size() != 4 || (args[0] != "prepare" && args[0] != "convert") || args[2] != "--profile")
    return K7QUsageError(kUsage);
  const std::string& page = args[1];
  if (CK7QBldGroceries::ChangeExtension(page, "htm", "cvt").empty())
    return K7QUsageError("page: " + page + ": the page must have the extension htm");
  if (!K7QFile::Exists(page)) {
    std::fprintf(stderr, "k7q: page: %s: no such file\n", page.c_str());
    return kExitFailed;
  }
  CK7QConsoleUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  if (!macro.Profile().Read(args[3])) {
    ui.Message(kIdsProfileLoadFailed, K7QIcon::Stop);
    return kExitFailed;
  }
  return args[0] == "prepare" ? Prepare(macro, page) : Convert(macro, page);
}

const K7QRegisterCommand kRegister("page",
                                   "page prepare PAGE --profile PROFILE\n"
                                   "page convert PAGE --profile PROFILE",
                                   Run);

}  // namespace
