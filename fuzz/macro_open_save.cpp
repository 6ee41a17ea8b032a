// A macro opened as the builder opens it, saved, opened and saved again,
// and closed: every working file goes and nothing is written outside the
// profile folder.
// Seeds: tests/core/data/macros/shop.k7q tests/core/data/macros/*.k7q_*
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "K7QBldDocCore.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QFuzz.h"

namespace {

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Opens `path` in a fresh document and saves it to `out`; false when either fails.
bool OpenAndSave(const std::string& profile, const std::string& path, const std::string& out) {
  CK7QFuzzUi ui;
  const CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  if (!macro.Profile().Read(profile)) std::abort();
  CK7QBldDocCore doc(macro);
  const bool ok = doc.Open(path) == CK7QBldDocCore::OpenResult::Ok && doc.Save(out);
  doc.DeleteWorkingFiles();
  return ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const CK7QFuzzFolder& folder = CK7QFuzzFolder::Get();
  static const std::set<std::string> kKeep = [&folder] {
    folder.Put("shop.k7q_pro", K7QFuzzFixture("tests/core/data/profiles/shop/shop.k7q_pro"));
    return std::set<std::string>{"shop.k7q_pro"};
  }();
  // Idempotence of arbitrary text is the macro layout's own question; its
  // owners switch the check on with K7Q_FUZZ_FIXPOINT=1.
  static const bool kFixpoint = std::getenv("K7Q_FUZZ_FIXPOINT") != nullptr;
  const std::string profile = folder.File("shop.k7q_pro");
  folder.Put("fuzz.k7q", std::string_view(reinterpret_cast<const char*>(data), size));
  if (OpenAndSave(profile, folder.File("fuzz.k7q"), folder.File("first.k7q")) &&
      OpenAndSave(profile, folder.File("first.k7q"), folder.File("second.k7q")) && kFixpoint &&
      Read(folder.File("first.k7q")) != Read(folder.File("second.k7q"))) {
    std::fprintf(stderr, "a saved macro does not save to the same bytes\n");
    std::abort();
  }
  // Closing the document leaves the profile and the macros only.
  for (const auto& entry : std::filesystem::directory_iterator(folder.Work())) {
    const std::string name = entry.path().filename();
    if (name == "shop.k7q_pro" || name == "fuzz.k7q" || name == "first.k7q" || name == "second.k7q")
      continue;
    std::fprintf(stderr, "a working file is left: %s\n", name.c_str());
    std::abort();
  }
  folder.Reset(kKeep);
  return 0;
}
