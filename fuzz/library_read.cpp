// The library readers on any bytes: entries keep their line numbers and read
// again the same, every listed function's block loads, and the argument rows
// of what loaded make a call whose values each stay one argument.
// Seeds: data/tovra/*.txt
#include <cstdio>
#include <cstdlib>

#include "K7QBldArgumentRows.h"
#include "K7QBldEntryLibrary.h"
#include "K7QBldFunctionLibrary.h"
#include "K7QFuzz.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const CK7QFuzzFolder& folder = CK7QFuzzFolder::Get();
  folder.Put("library.txt", std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string path = folder.File("library.txt");

  std::vector<K7QLibraryEntry> entries;
  K7QLibraryCounts counts;
  const int lines = CK7QBldEntryLibrary::ReadList(path, entries, &counts);
  Check(lines == counts.lines && counts.skipped <= lines, "entry counts disagree");
  int previous = -1;
  for (const K7QLibraryEntry& e : entries) {
    Check(e.line > previous && e.line < lines, "entry lines out of order");
    previous = e.line;
    K7QLibraryEntry again;
    Check(CK7QBldEntryLibrary::ReadEntry(path, e.line, again) && again.name == e.name &&
              again.text == e.text && again.description == e.description,
          "an entry reads again differently");
  }

  std::vector<K7QLibraryFunctionItem> items;
  CK7QBldFunctionLibrary::ReadList(path, items, &counts);
  for (std::size_t i = 0; i < items.size() && i < 32; ++i) {
    Check(items[i].identity == i, "function identities are not their order");
    CK7QBldLibraryFunction function;
    if (!CK7QBldFunctionLibrary::ReadDetails(path, items[i].identity, function)) continue;
    function.values = {"a", "\"b,c\"", "f(x)"};
    CK7QBldArgumentRows rows(function);
    if (!rows.Rows().empty()) rows.Set({0}, "x(y");
    const K7QStringList values = rows.Values();
    Check(values.size() <= rows.Rows().size(), "more values than rows");
    for (const std::string& v : values) {
      std::string argument;
      Check(CK7QBldArgumentRows::QuoteArgument(v, argument) && argument == v,
            "a stored value would split the call");
    }
  }
  folder.Reset({});
  return 0;
}
