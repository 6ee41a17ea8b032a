// Opening and saving a macro: 1,000 functions with 1 MB pages, then 10 and
// 100 times that. The time per byte should stay flat as the macro grows.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "K7QBldDocCore.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"

namespace {

class CQuietUi : public IK7QBldUserInterface {
 public:
  std::string String(unsigned) const override { return {}; }
  int Prompt(unsigned id, const std::string& text, K7QIcon, K7QButtons) override {
    std::fprintf(stderr, "bench_macro: message %u %s\n", id, text.c_str());
    return kIdYes;
  }
  void SetDocumentModified() override {}
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }
};

struct Workplace {
  std::string folder;
  Workplace() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/k7q-bench-XXXXXX";
    if (::mkdtemp(pattern.data())) folder = pattern;
  }
  ~Workplace() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

std::string Page(std::size_t bytes, int functions) {
  std::string page;
  page.reserve(bytes + 128);
  for (int i = 0; i < 10 && i < functions; ++i) page += "<P>@f" + std::to_string(i) + "()</P>\r\n";
  page += "<P>mail info@example.com</P>\r\n";
  while (page.size() < bytes)
    page += "<TR><TD>some text of the page, as an author would write it</TD><TD>123</TD></TR>\r\n";
  return page;
}

// Builds a macro of `functions` builder-made functions and two pages of
// `pageBytes` each, saves it, then times open + save.
void BM_OpenAndSave(benchmark::State& state) {
  const int functions = static_cast<int>(state.range(0));
  const std::size_t pageBytes = static_cast<std::size_t>(state.range(1));
  Workplace work;
  CQuietUi ui;
  const CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  const std::string profile = K7QFile::Join(work.folder, "SHOP.k7q_pro");
  K7QFile::WriteAll(
      profile,
      "Data_Base_Type {\r\nVQ5\r\n}\r\nData_Base_Name {\r\nSHOP\r\n}\r\nLogin {\r\nu\r\n}\r\n"
      "Password {\r\np\r\n}\r\nDefine {\r\n}\r\nInformation {\r\n"
      "products           id                 INTEGER            10          0      \r\n}\r\n");
  if (!macro.Profile().Read(profile)) {
    state.SkipWithError("profile not read");
    return;
  }
  const std::string input = K7QFile::Join(work.folder, "m_HTML_INPUT.htm");
  const std::string report = K7QFile::Join(work.folder, "m_HTML_REPORT.htm");
  K7QFile::WriteAll(input, Page(pageBytes, functions));
  K7QFile::WriteAll(report, Page(pageBytes, functions));
  macro.Input().Set("input", input);
  macro.Report().Set({}, report);
  CK7QBldSQL sql;
  sql.ParseText(
      "SELECT products.id,products.name,products.price FROM products WHERE products.id > 0");
  CK7QBldMessageBlock messages;
  messages.Put("none", "+100", kMessageActionContinue);
  for (int i = 0; i < functions; ++i) {
    const std::string name = "f" + std::to_string(i);
    const std::string page = K7QFile::Join(work.folder, "m_" + name + ".htm");
    K7QFile::WriteAll(
        page,
        "<TABLE>\r\n%ROW{\r\n<TR><TD>$(V_id)</TD><TD>$(V_price)</TD></TR>\r\n%}\r\n</TABLE>\r\n");
    macro.Functions().Add(kFunctionBuilderMade, name, "function " + name, page, sql, messages,
                          kReportKindTable);
  }
  CK7QBldDocCore doc(macro);
  const std::string path = K7QFile::Join(work.folder, "m.k7q");
  if (!doc.Save(path)) {
    state.SkipWithError("first save failed");
    return;
  }
  const std::string saved = K7QFile::ReadAll(path);
  for (auto _ : state) {
    if (doc.Open(path) != CK7QBldDocCore::OpenResult::Ok || !doc.Save(path)) {
      state.SkipWithError("open or save failed");
      break;
    }
  }
  if (K7QFile::ReadAll(path) != saved) state.SkipWithError("the macro changed");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(saved.size()));
  state.counters["macro_MB"] = static_cast<double>(saved.size()) / 1e6;
  doc.DeleteWorkingFiles();
}

BENCHMARK(BM_OpenAndSave)
    ->Args({1000, 1 << 20})
    ->Args({10000, 10 << 20})
    ->Args({100000, 100 << 20})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
