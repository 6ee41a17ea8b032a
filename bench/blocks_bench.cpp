// The text passes of opening and saving that work on the whole macro:
// campaign blocks out, campaign tables back, object comments expanded and
// reverted, and the export conversion. Each must grow linearly with the
// macro, so the cases step the function count by ten.
#include <benchmark/benchmark.h>

#include <string>

#include "K7QBldCampaignBlock.h"
#include "K7QBldDDBlock.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacroExport.h"

namespace {

class CSilentUi : public IK7QBldUserInterface {
 public:
  std::string String(unsigned) const override { return {}; }
  int Prompt(unsigned, const std::string&, K7QIcon, K7QButtons) override { return kIdOk; }
  void SetDocumentModified() override {}
  int SelectNextObject() override { return 0; }
  int SelectPreviousObject() override { return 0; }
};

const std::string kPrefix = "%FUNCTION(RZV_SQL)";

// A macro of `count` builder-made functions, each with a campaign text in
// front of its call, campaign tables in its SQL and an object comment.
std::string MakeMacro(int count, const CK7QBldCampaignBlock& campaigns) {
  std::string macro = "%{\r\n<META name=\"GENERATOR\">\r\n%}\r\n%DEFINE{\r\n%}\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string name = "F" + std::to_string(i);
    macro += "%{\r\n%}\r\n" + kPrefix + name +
             "(){\r\nSELECT $(CAMP_TABLE).A,$(CAMP_TABLE).B FROM $(CAMP_TABLE)\r\n%REPORT{\r\n"
             "<TR>\r\n<TD>$(V_A)</TD>\r\n<!-- Object " +
             std::to_string(i) + " Start\r\n1,A,1,sold,\r\n-->\r\n</TR>\r\n%}\r\n%}\r\n";
  }
  macro += "%HTML(REPORT){\r\n";
  for (int i = 0; i < count; ++i) {
    const std::string name = "F" + std::to_string(i);
    macro += "<P>" + campaigns.GetCampaignText(name) + "\n@" + name + "()</P>\r\n";
  }
  macro += "%}\r\n";
  return macro;
}

struct Fixture {
  explicit Fixture(int count) {
    for (int i = 0; i < count; ++i) {
      campaigns.Add(CK7QBldCampaignEntry::MakeDate(1998, 4, 1),
                    CK7QBldCampaignEntry::MakeDate(1998, 4, 30), "F" + std::to_string(i), "T", "S",
                    "");
    }
    macro = MakeMacro(count, campaigns);
  }
  CSilentUi ui;
  CK7QBldGroceries groceries{ui};
  CK7QBldCampaignBlock campaigns{groceries};
  std::string macro;
};

void BM_ExtractCampaigns(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CK7QBldCampaignBlock block(f.groceries);
    benchmark::DoNotOptimize(block.ExtractCampaignsFromText(f.macro, 0));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.macro.size()));
  state.SetComplexityN(state.range(0));
}

void BM_RestoreCampaignTables(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(f.campaigns.RestoreCampaignTablesInText(f.macro, kPrefix));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.macro.size()));
  state.SetComplexityN(state.range(0));
}

void BM_ExpandAndRevertObjectComments(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    CK7QBldDDBlock objects(f.groceries);
    const std::string expanded = CK7QBldDDBlock::ExpandObjectComments(f.macro);
    benchmark::DoNotOptimize(objects.RevertObjectComments(expanded, "F"));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.macro.size()));
  state.SetComplexityN(state.range(0));
}

void BM_ExportConversion(benchmark::State& state) {
  Fixture f(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(CK7QBldMacroExport::Convert(f.macro));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * f.macro.size()));
  state.SetComplexityN(state.range(0));
}

BENCHMARK(BM_ExtractCampaigns)->RangeMultiplier(10)->Range(100, 10000)->Complexity(benchmark::oN);
BENCHMARK(BM_RestoreCampaignTables)
    ->RangeMultiplier(10)
    ->Range(100, 10000)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ExpandAndRevertObjectComments)
    ->RangeMultiplier(10)
    ->Range(100, 10000)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ExportConversion)->RangeMultiplier(10)->Range(100, 10000)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
