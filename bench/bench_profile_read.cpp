// Reading a large profile: 1,024 tables x 64 columns, every column with a
// sample block, written by the profile writer into a temporary folder.
// The sizes 256..1024 tables show that reading is linear in the file size.
//
//   bench_profile_read [benchmark options]
//   bench_profile_read --write-profile PATH [TABLES]   write the file only
//   bench_profile_read --read-once PATH                read it once, exit 0 when loaded
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "K7QBldProfile.h"
#include "K7QBldProfileWriter.h"

namespace {

class CNullUi : public IK7QBldUserInterface {
 public:
  std::string String(unsigned) const override { return {}; }
  int Prompt(unsigned id, const std::string& text, K7QIcon, K7QButtons) override {
    std::fprintf(stderr, "bench: %u: %s\n", id, text.c_str());
    return kIdOk;
  }
  void SetDocumentModified() override {}
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }
};

constexpr int kColumnsPerTable = 64;

void WriteProfile(const std::string& path, int tables) {
  static const char* kTypes[] = {"INTEGER", "VARCHAR", "DECIMAL", "DATE", "CHARACTER", "SMALLINT"};
  CK7QBldProfileWriter writer;
  writer.Begin(path, {"VQ5", "BENCH", "bench", "bench"});
  char table[32];
  char column[32];
  char value[64];
  for (int t = 0; t < tables; ++t) {
    std::snprintf(table, sizeof table, "table_%05d", t);
    for (int c = 0; c < kColumnsPerTable; ++c) {
      std::snprintf(column, sizeof column, "column_%03d", c);
      std::snprintf(value, sizeof value, "value %d of %s.%s", t * kColumnsPerTable + c, table,
                    column);
      const int type = (t + c) % 6;
      writer.AddSampledColumn({table, column, kTypes[type], 10 + c, type == 2 ? 2 : 0}, value,
                              static_cast<std::size_t>(20 + c % 40));
    }
  }
  writer.Finish();
}

struct TempFolder {
  std::string path;
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "k7qbench.XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    path = pattern;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

void BM_ReadProfile(benchmark::State& state) {
  TempFolder folder;
  const std::string path = folder.path + "/BENCH.k7q_pro";
  WriteProfile(path, static_cast<int>(state.range(0)));
  const auto bytes = static_cast<std::int64_t>(std::filesystem::file_size(path));
  CNullUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  for (auto _ : state) {
    if (!profile.Read(path)) state.SkipWithError("profile not loaded");
    benchmark::DoNotOptimize(profile.Tables().data());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetComplexityN(bytes);
  state.counters["columns"] = static_cast<double>(state.range(0) * kColumnsPerTable);
}
BENCHMARK(BM_ReadProfile)
    ->Arg(256)
    ->Arg(512)
    ->Arg(1024)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--write-profile") == 0) {
    WriteProfile(argv[2], argc >= 4 ? std::atoi(argv[3]) : 1024);
    return 0;
  }
  if (argc == 3 && std::strcmp(argv[1], "--read-once") == 0) {
    CNullUi ui;
    CK7QBldGroceries groceries(ui);
    CK7QBldProfile profile(groceries);
    return profile.Read(argv[2]) ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
