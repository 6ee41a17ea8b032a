// k7q page: the two directions of page conversion, one page at a time.
#include <cstdio>
#include <string>

#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QBldPageConverter.h"
#include "K7QCommand.h"
#include "K7QConsoleUi.h"
#include "K7QWorkFolder.h"

namespace {

constexpr const char* kUsage =
    "usage: k7q page prepare PAGE --profile PROFILE\n"
    "       k7q page convert PAGE --profile PROFILE";

// The function components a conversion of `page` left beside it:
// "BASE.k7q_fun_NAME", BASE being the page without its extension. A folder
// that cannot be listed throws: its functions must not silently vanish.
K7QStringList ComponentsBeside(const std::string& page) {
  const std::string base = K7QFile::FileName(page.substr(0, page.find_last_of('.')));
  const std::string prefix = base + ".k7q_fun_";
  std::string folder = K7QFile::Folder(page);
  if (folder.empty()) folder = ".";
  K7QStringList found;
  for (const std::string& name : K7QFile::ListFolder(folder)) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string path = K7QFile::Join(folder, name);
    // A folder of that name is no component; what cannot be told is an error.
    if (!K7QFile::IsDirectory(path)) found.push_back(path);
  }
  return found;
}

int Prepare(CK7QBldMacro& macro, const std::string& page) {
  // The functions come from the components that "page convert" left beside
  // the page; they stay where they are, copies are read.
  const CWorkFolder scratch;
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
  if (CK7QBldGroceries::ChangeExtension(args[1], "htm", "cvt").empty())
    return K7QUsageError("page: " + args[1] + ": the page must have the extension htm");
  CK7QConsoleUi ui;
  CK7QBldGroceries groceries(ui);
  std::string page;
  try {
    // The author's page is rewritten where it lies, also when a link leads to it.
    page = K7QFile::ResolveLinks(args[1]);
    if (!K7QFile::Exists(page)) {
      std::fprintf(stderr, "k7q: page: %s: no such file\n", args[1].c_str());
      return kExitFailed;
    }
  } catch (const CK7QBldFileException& e) {
    groceries.ReportFileException(e, __FILE__, __LINE__);
    return kExitFailed;
  }
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
