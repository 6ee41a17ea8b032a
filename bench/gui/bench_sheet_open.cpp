// Opening a large profile in the builder's window: the profile read, the
// database sheet made and filled, and the window painted, on the offscreen
// platform. Beside it the core's read of the same file alone, so the cost
// of the windows shows. The profiles (TABLES x 64 columns) are written by
// bench_profile_read, which lies beside this program.
//
//   bench_sheet_open [benchmark options]
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <map>
#include <memory>

#include "K7QBldContext.h"
#include "K7QBldDBSheet.h"
#include "K7QBldDBTableColumn.h"
#include "K7QBldDBTreeModel.h"
#include "K7QBldDoc.h"
#include "K7QBldFormView.h"
#include "K7QBldGroceriesUi.h"
#include "K7QBldLanguage.h"
#include "K7QBldMainFrm.h"
#include "K7QBldSettings.h"

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

QTemporaryDir* g_folder = nullptr;

// The profile of `tables` tables, written once per size.
QString Profile(int tables) {
  static std::map<int, QString> made;
  if (made.count(tables)) return made[tables];
  const QString dir = g_folder->path() + QStringLiteral("/k7q_pro_%1").arg(tables);
  QDir().mkpath(dir);
  const QString path = dir + QStringLiteral("/BENCH.k7q_pro");
  const QString writer = QCoreApplication::applicationDirPath() + "/bench_profile_read";
  if (QProcess::execute(writer, {"--write-profile", path, QString::number(tables)}) != 0) return {};
  return made[tables] = path;
}

struct Builder {
  CNullUi ui;
  CK7QBldLanguage language;
  CK7QBldGroceries groceries{ui};
  CK7QBldGroceriesUi groceriesUi;
  CK7QBldContext context{language, groceries, groceriesUi};
  std::unique_ptr<CMainFrame> frame;
  Builder() {
    language.Load("K7QBld_lang.so", K7QToPath(QCoreApplication::applicationDirPath()));
    frame = std::make_unique<CMainFrame>(context);
    frame->resize(1000, 680);
    frame->show();
    QCoreApplication::processEvents();
  }
};

void BM_OpenProfileInBuilder(benchmark::State& state) {
  const QString path = Profile(static_cast<int>(state.range(0)));
  if (path.isEmpty()) return state.SkipWithError("profile not written");
  Builder builder;
  for (auto _ : state) {
    if (!builder.frame->Document().OpenProfile(path)) state.SkipWithError("profile not loaded");
    // Shown: every pending layout and paint done.
    builder.frame->repaint();
    QCoreApplication::processEvents();
    CK7QBldDBSheet* sheet = builder.frame->FormView().DatabaseSheet();
    benchmark::DoNotOptimize(sheet->ColumnPage()->Model()->rowCount());
  }
  state.counters["tables"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_OpenProfileInBuilder)->Arg(1024)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CoreReadOnly(benchmark::State& state) {
  const QString path = Profile(static_cast<int>(state.range(0)));
  if (path.isEmpty()) return state.SkipWithError("profile not written");
  CNullUi ui;
  CK7QBldGroceries groceries(ui);
  CK7QBldProfile profile(groceries);
  for (auto _ : state) {
    if (!profile.Read(K7QToPath(path))) state.SkipWithError("profile not loaded");
    benchmark::DoNotOptimize(profile.Tables().data());
  }
}
BENCHMARK(BM_CoreReadOnly)->Arg(1024)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir home;
  qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
  QApplication app(argc, argv);
  K7QBldSettings::Initialise();
  QTemporaryDir folder;
  g_folder = &folder;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
