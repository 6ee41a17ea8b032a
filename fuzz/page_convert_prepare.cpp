// A page as the page editor leaves it: converted into calls and generated
// functions, prepared for editing again (calls opened into loops) and
// converted once more. Nothing is written outside the profile folder and
// closing leaves no working file.
// Seeds: data/tovra/samples/*.htm tests/core/data/pages/*.htm
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "K7QBldDocCore.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QBldPageConverter.h"
#include "K7QFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const CK7QFuzzFolder& folder = CK7QFuzzFolder::Get();
  static const std::set<std::string> kKeep = [&folder] {
    folder.Put("shop.k7q_pro", K7QFuzzFixture("tests/core/data/profiles/shop/shop.k7q_pro"));
    folder.Put("LOB00000.txt", K7QFuzzFixture("tests/core/data/profiles/shop/LOB00000.txt"));
    return std::set<std::string>{"shop.k7q_pro", "LOB00000.txt"};
  }();
  CK7QFuzzUi ui;
  const CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  if (!macro.Profile().Read(folder.File("shop.k7q_pro"))) std::abort();
  CK7QBldDocCore doc(macro);
  const std::string page = CK7QBldHTMLBlock::PageName(folder.Work(), "fuzz", kHtmlReport);
  folder.Put(std::filesystem::path(page).filename(),
             std::string_view(reinterpret_cast<const char*>(data), size));
  macro.Report().Set({}, page);

  CK7QBldPageConverter converter(macro);
  K7QStringList components;
  if (converter.ConvertAfterEditing(page, components)) {
    // Saved and opened again, the page holds the calls: the converted page.
    const std::string converted = CK7QBldGroceries::ChangeExtension(page, "htm", "cvt");
    try {
      K7QFile::CopyBinary(converted, page);
    } catch (const CK7QBldFileException&) {
      std::abort();
    }
    if (converter.PrepareForEditing(page)) converter.ConvertAfterEditing(page, components);
  }
  doc.DeleteWorkingFiles();
  for (const auto& entry : std::filesystem::directory_iterator(folder.Work())) {
    if (kKeep.count(entry.path().filename())) continue;
    std::fprintf(stderr, "a working file is left: %s\n", entry.path().c_str());
    std::abort();
  }
  folder.Reset(kKeep);
  return 0;
}
