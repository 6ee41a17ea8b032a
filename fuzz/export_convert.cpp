// The macro copy for the slash-path server, in memory and through the file
// layer: the conversion only shortens or replaces, the text never grows.
// Seeds: tests/core/data/macros/shop.k7q data/tovra/samples/*.htm
#include <cstdio>
#include <cstdlib>

#include "K7QBldGroceries.h"
#include "K7QBldMacroExport.h"
#include "K7QFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view macro(reinterpret_cast<const char*>(data), size);
  const std::string copy = CK7QBldMacroExport::Convert(macro);
  if (copy.size() > macro.size()) {
    std::fprintf(stderr, "the converted copy grew\n");
    std::abort();
  }
  const CK7QFuzzFolder& folder = CK7QFuzzFolder::Get();
  folder.Put("fuzz.k7q", macro);
  CK7QFuzzUi ui;
  const CK7QBldGroceries groceries(ui);
  if (!CK7QBldMacroExport::ExportFile(groceries, folder.File("fuzz.k7q"), folder.File("copy.k7q")))
    std::abort();
  folder.Reset({});
  return 0;
}
