// Converting report pages after editing: 100 KB, 1 MB and 10 MB pages with a
// table loop every few KB, their markup as the builder writes it or as an
// HTML tidier leaves it; and refusing a page of 100,000 value tags that are
// never closed. Besides the Google Benchmark runs, two modes serve
// bench/page_convert_vs_sed.sh:
//   bench_page_convert --write-pages DIR   writes DIR/page_100k.htm, _1m, _10m, the same as
//                                          page_tidied_*.htm, and unclosed_100000.htm
//   bench_page_convert --convert PAGE N    converts PAGE N times, prints the best wall
//                                          and the best CPU seconds (user + system)
//   bench_page_convert --refuse PAGE N     the same for a page that conversion refuses
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>

#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QBldPageConverter.h"

namespace {

class CQuietUi : public IK7QBldUserInterface {
 public:
  std::string String(unsigned) const override { return {}; }
  int Prompt(unsigned id, const std::string&, K7QIcon, K7QButtons) override {
    if (id != 0) std::fprintf(stderr, "message %u\n", id);
    return kIdOk;
  }
  void SetDocumentModified() override {}
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }
};

// How the page's markup is written: as the builder's fragments drop it, or
// as an HTML tidier leaves it (lower case, attributes reordered and quoted
// otherwise, tags wrapped over lines, "<img ... />").
enum class Markup { Canonical, Tidied };

// About 4.5 KB of text, then a table loop of about 700 bytes: a loop every 5 KB.
std::string Unit(int n, Markup markup) {
  const bool tidied = markup == Markup::Tidied;
  static const std::string filler[2] = {
      [] {
        std::string text;
        // "ソフト" in CP932: its first character's trail byte is a backslash.
        const std::string so = "\x83\x5C\x83\x74\x83\x67";
        while (text.size() < 4500)
          text += "<P>Plain text of the page, " + so +
                  " with an anchor <A href=\"x.htm\">here</A>.</P>\r\n";
        return text;
      }(),
      [] {
        std::string text;
        const std::string so = "\x83\x5C\x83\x74\x83\x67";
        while (text.size() < 4500)
          text += "<p>Plain text of the page, " + so +
                  "\r\nwith an anchor <a\r\nhref='x.htm'>here</a>.</p>\r\n";
        return text;
      }()};
  auto tag = [tidied](const char* variable, const char* shown) {
    if (tidied)
      return std::string("<k7q\r\nmacro=\"$(V_") + variable + ")\"><font color=\r\n\"#800080\">" +
             shown + "</font></k7q>";
    return std::string("<K7Q macro=\"$(V_") + variable + ")\"><FONT color=\"#800080\">" + shown +
           "</FONT></K7Q>";
  };
  const std::string name = "L" + std::to_string(n);
  if (tidied)
    return filler[1] + "<img height=\"11\" width=\"436\"\r\nalt=\"TABLE:" + name +
           "\" src=\"k7q_loop_start.gif\" />\r\n<table border='1'>\r\n<tr>\r\n"
           "<th>Name</th>\r\n<th>Price</th>\r\n<th>Stock</th>\r\n</tr>\r\n<tr>\r\n<td>" +
           tag("products.name", "Tea") + "</td>\r\n<td>" + tag("products.price", "480.00") +
           "</td>\r\n<td><a href=\r\n\"item?id=$(V_products.id)\">" + tag("products.stock", "12") +
           "</a></td>\r\n</tr>\r\n</table>\r\n"
           "<img src=k7q_loop_end.gif\r\nwidth=438 height=10 />\r\n";
  return filler[0] + "<IMG src=\"k7q_loop_start.gif\" alt=\"TABLE:" + name +
         "\" height=\"11\" width=\"436\">\r\n\r\n<TABLE border=\"1\">\r\n    <TR>\r\n"
         "        <TH>Name</TH>\r\n        <TH>Price</TH>\r\n        <TH>Stock</TH></TR>\r\n"
         "    <TR>\r\n        <TD>" +
         tag("products.name", "Tea") + "</TD>\r\n        <TD>" + tag("products.price", "480.00") +
         "</TD>\r\n        <TD><A href=\"item?id=$(V_products.id)\">" +
         tag("products.stock", "12") +
         "</A></TD></TR>\r\n</TABLE>\r\n\r\n"
         "<IMG src=\"k7q_loop_end.gif\" height=\"10\" width=\"438\">\r\n";
}

std::string MakePage(std::size_t size, Markup markup = Markup::Canonical) {
  std::string page = markup == Markup::Tidied ? "<html><body>\r\n" : "<HTML><BODY>\r\n";
  for (int n = 0; page.size() < size; ++n) page += Unit(n, markup);
  return page + (markup == Markup::Tidied ? "</body></html>\r\n" : "</BODY></HTML>\r\n");
}

// A loop whose value tags the editor never closed: conversion refuses it
// (62361) after one pass, however many there are.
std::string UnclosedValueTags(int count) {
  std::string page = "<HTML><BODY>\r\n<IMG src=\"k7q_loop_start.gif\" alt=\"ROW:L\">\r\n";
  for (int i = 0; i < count; ++i)
    page += "<P><K7Q macro=\"$(V_products.name)\"><FONT color=\"#800080\">Tea</FONT>\r\n";
  return page + "<IMG src=\"k7q_loop_end.gif\">\r\n</BODY></HTML>\r\n";
}

// One conversion as after editing: the page is read, validated and cut into
// its converted page and one function component per loop, which are written.
bool ConvertOnce(const std::string& page, K7QStringList& components) {
  CQuietUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  CK7QBldPageConverter converter(macro);
  return converter.ConvertAfterEditing(page, components, false);
}

void RemoveAll(const K7QStringList& components) {
  for (const std::string& c : components) K7QFile::Remove(c);
}

std::string ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "k7q-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  return pattern;
}

void BM_ConvertPage(benchmark::State& state) {
  const std::string folder = ScratchFolder();
  const std::string page = folder + "/page_HTML_REPORT.htm";
  const std::string text = MakePage(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    K7QFile::WriteAll(page, text);
    state.ResumeTiming();
    K7QStringList components;
    if (!ConvertOnce(page, components)) state.SkipWithError("conversion failed");
    state.PauseTiming();
    RemoveAll(components);
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ConvertPage)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond);

// The conversion of the text alone, without the file work around it.
void BM_ConvertText(benchmark::State& state) {
  const std::string text = MakePage(static_cast<std::size_t>(state.range(0)));
  CQuietUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  CK7QBldPageConverter converter(macro);
  for (auto _ : state) {
    CK7QBldPageConverter::Conversion conversion;
    if (!converter.ConvertText(text, conversion)) state.SkipWithError("conversion failed");
    benchmark::DoNotOptimize(conversion);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ConvertText)
    ->Arg(100 << 10)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond);

// The refusal of a loop whose value tags are never closed.
void BM_RefuseUnclosedValueTags(benchmark::State& state) {
  const std::string text = UnclosedValueTags(static_cast<int>(state.range(0)));
  CQuietUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldMacro macro(groceries);
  CK7QBldPageConverter converter(macro);
  for (auto _ : state) {
    CK7QBldPageConverter::Conversion conversion;
    if (converter.ConvertText(text, conversion)) state.SkipWithError("converted");
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_RefuseUnclosedValueTags)
    ->Arg(10000)
    ->Arg(40000)
    ->Arg(100000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

int WritePages(const std::string& dir) {
  for (const auto& [name, size] :
       {std::pair{"100k", 100 << 10}, std::pair{"1m", 1 << 20}, std::pair{"10m", 10 << 20}}) {
    K7QFile::WriteAll(dir + "/page_" + name + ".htm", MakePage(static_cast<std::size_t>(size)));
    K7QFile::WriteAll(dir + "/page_tidied_" + name + ".htm",
                      MakePage(static_cast<std::size_t>(size), Markup::Tidied));
  }
  K7QFile::WriteAll(dir + "/unclosed_100000.htm", UnclosedValueTags(100000));
  return 0;
}

// Best of `runs` conversions of a copy of `source` (the conversion rewrites the page);
// with `refused` each must be refused, else each must succeed.
int TimeConversion(const std::string& source, int runs, bool refused) {
  const std::string folder = ScratchFolder();
  const std::string page = folder + "/page.htm";
  const std::string text = K7QFile::ReadAll(source);
  double bestWall = 1e9;
  double bestCpu = 1e9;
  for (int i = 0; i < runs; ++i) {
    K7QFile::WriteAll(page, text);
    K7QStringList components;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    if (ConvertOnce(page, components) == refused) return 1;
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    RemoveAll(components);
    bestWall = std::min(bestWall, elapsed.count());
    bestCpu = std::min(bestCpu, cpu);
  }
  std::filesystem::remove_all(folder);
  std::printf("%.6f %.6f\n", bestWall, bestCpu);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-pages") == 0) return WritePages(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "--convert") == 0)
    return TimeConversion(argv[2], std::atoi(argv[3]), false);
  if (argc == 4 && std::strcmp(argv[1], "--refuse") == 0)
    return TimeConversion(argv[2], std::atoi(argv[3]), true);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
