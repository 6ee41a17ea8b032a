// Every save and open, walked through every failure point of the file layer:
// the Nth open, read, write, fsync, close, rename, unlink, stat, folder
// listing or mode change fails, one at a time. Afterwards the files hold
// either what they held before (and the command failed, saying so) or
// exactly what a run without faults leaves (and the command succeeded);
// never a cut file, a temporary file or a working file left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "K7QBldDocCore.h"
#include "K7QBldFile.h"
#include "K7QBldGroceries.h"
#include "K7QBldMacro.h"
#include "K7QBldMacroExport.h"
#include "K7QBldPageConverter.h"
#include "K7QFaultInjection.h"
#include "K7QTestSupport.h"

namespace {

namespace fs = std::filesystem;

const std::string kData = std::string(K7Q_TEST_DATA_DIR) + "/core/data/";
const std::string kSamples = std::string(K7Q_SOURCE_DIR) + "/data/tovra/samples/";

// Thousands of runs, each with several durable saves: on a memory file
// system fsync costs nothing, so the walk takes seconds, not minutes.
const bool kInMemory = [] {
  if (::access("/dev/shm", W_OK) == 0) ::setenv("TMPDIR", "/dev/shm", 1);
  return true;
}();

// One run: a fresh folder and a fresh builder over it.
struct Env {
  CK7QTempDir dir;
  CK7QScriptedUi ui;
  CK7QBldGroceries groceries{ui};
  CK7QBldMacro macro{groceries};
  CK7QBldDocCore doc{macro};

  std::string File(const std::string& name) const { return dir.File(name); }
  std::string Profile() const { return dir.File("profile/shop.k7q_pro"); }
  std::string Macro() const { return dir.File("site/shop.k7q"); }
  std::string ReportPage() const {
    return CK7QBldHTMLBlock::PageName(dir.File("profile"), "shop", kHtmlReport);
  }
  bool ErrorShown() const {
    for (const auto& shown : ui.m_shown) {
      if (shown.icon == K7QIcon::Stop) return true;
    }
    return false;
  }
};

// Path (relative), mode and bytes of every file under the run's folder.
using Snapshot = std::map<std::string, std::pair<unsigned, std::string>>;

Snapshot Take(const Env& env) {
  Snapshot files;
  for (const auto& entry : fs::recursive_directory_iterator(env.dir.Path())) {
    if (entry.is_directory()) continue;
    struct stat st;
    ::lstat(entry.path().c_str(), &st);
    files[fs::relative(entry.path(), env.dir.Path()).string()] = {st.st_mode & 07777,
                                                                  K7QReadFile(entry.path())};
  }
  return files;
}

std::string Describe(const Snapshot& got, const Snapshot& want) {
  std::string text;
  for (const auto& [name, file] : got) {
    const auto it = want.find(name);
    if (it == want.end())
      text += " extra:" + name;
    else if (it->second != file)
      text += " differs:" + name;
  }
  for (const auto& [name, file] : want) {
    if (!got.count(name)) text += " missing:" + name;
  }
  return text;
}

struct Scenario {
  const char* name;
  // Calls on these files are not part of the walk (see the scenario).
  const char* exempt;
  // The file the command writes, checked before the session closes; ""
  // when the command's result shows only in what a save writes after it.
  const char* target;
  std::function<void(Env&)> setup;  // faults off
  std::function<bool(Env&)> run;    // faults on
  // Faults off: what the caller does next (a save, the close of the
  // document); afterwards the whole folder is compared.
  std::function<void(Env&, bool ok)> after;
};

void CopyProfile(Env& env) {
  fs::create_directories(env.File("site"));
  K7QCopyFixtureFolder(kData + "profiles/shop", env.File("profile"));
  ASSERT_TRUE(env.macro.Profile().Read(env.Profile()));
}

void CopyMacro(Env& env) {
  fs::copy_file(kData + "macros/shop.k7q", env.Macro());
  // The macro holds the password; its owner keeps it private.
  fs::permissions(env.Macro(), fs::perms::owner_read | fs::perms::owner_write);
}

// What the builder does when the page editor leaves a page, and k7q build.
bool Build(Env& env, const std::string& target) {
  const std::string folder = env.macro.Profile().ProfileFolder();
  const std::string title = CK7QBldDocCore::TitleOf(target);
  for (const auto& [block, side, source] :
       {std::tuple{&env.macro.Input(), kHtmlInput, kSamples + "shop_input.htm"},
        std::tuple{&env.macro.Report(), kHtmlReport, kSamples + "shop_report.htm"}}) {
    const std::string page = CK7QBldHTMLBlock::PageName(folder, title, side);
    try {
      K7QFile::CopyBinary(source, page);
    } catch (const CK7QBldFileException& e) {
      env.groceries.ReportFileException(e, __FILE__, __LINE__);
      return false;
    }
    block->Set({}, page);
    K7QStringList components;
    if (!CK7QBldPageConverter(env.macro).ConvertAfterEditing(page, components)) return false;
  }
  return env.doc.Save(target);
}

void Close(Env& env, bool) { env.doc.DeleteWorkingFiles(); }

const Scenario kScenarios[] = {
    {"open", "", "",
     [](Env& env) {
       CopyProfile(env);
       CopyMacro(env);
     },
     [](Env& env) { return env.doc.Open(env.Macro()) == CK7QBldDocCore::OpenResult::Ok; },
     [](Env& env, bool ok) {
       // What was read shows in what a save writes.
       if (ok) {
         ASSERT_TRUE(env.doc.Save(env.File("site/resaved.k7q")));
       }
       env.doc.DeleteWorkingFiles();
     }},
    {"save", "", "site/shop.k7q",
     [](Env& env) {
       CopyProfile(env);
       CopyMacro(env);
       ASSERT_EQ(env.doc.Open(env.Macro()), CK7QBldDocCore::OpenResult::Ok);
       env.macro.Define().Add("CHANGED", "yes");
     },
     [](Env& env) { return env.doc.Save(env.Macro()); }, Close},
    {"export", "", "site/server.k7q",
     [](Env& env) {
       CopyProfile(env);
       CopyMacro(env);
       K7QWriteFile(env.File("site/server.k7q"), "the copy before\n");
     },
     [](Env& env) {
       return CK7QBldMacroExport::ExportFile(env.groceries, env.Macro(),
                                             env.File("site/server.k7q"));
     },
     nullptr},
    {"build", "", "site/shop.k7q",
     [](Env& env) {
       CopyProfile(env);
       K7QWriteFile(env.Macro(), "the macro before\n");
     },
     [](Env& env) { return Build(env, env.Macro()); }, Close},
    // In the builder: the converted page is the product; the generated
    // functions join the list and their pages live until the document closes.
    {"page convert", "", "profile/shop_HTML_REPORT.cvt",
     [](Env& env) {
       CopyProfile(env);
       fs::copy_file(kSamples + "shop_report.htm", env.ReportPage());
       env.macro.Report().Set({}, env.ReportPage());
     },
     [](Env& env) {
       K7QStringList components;
       return CK7QBldPageConverter(env.macro).ConvertAfterEditing(env.ReportPage(), components);
     },
     Close},
    // k7q page convert: the converted page and the components stay beside the page.
    {"page convert, components kept", "", "",
     [](Env& env) {
       CopyProfile(env);
       fs::copy_file(kSamples + "shop_report.htm", env.ReportPage());
     },
     [](Env& env) {
       K7QStringList components;
       return CK7QBldPageConverter(env.macro).ConvertAfterEditing(env.ReportPage(), components,
                                                                  false);
     },
     nullptr},
    // A large-object sample that cannot be read shows as no text in the
    // prepared page: a preview only, which the conversion drops again.
    {"prepare", "/LOB0", "profile/shop_HTML_REPORT.htm",
     [](Env& env) {
       CopyProfile(env);
       ASSERT_TRUE(Build(env, env.Macro()));
       ASSERT_EQ(env.doc.Open(env.Macro()), CK7QBldDocCore::OpenResult::Ok);
     },
     [](Env& env) { return CK7QBldPageConverter(env.macro).PrepareForEditing(env.ReportPage()); },
     Close},
};

void PrintTo(const Scenario& scenario, std::ostream* os) { *os << scenario.name; }

class FaultWalk : public ::testing::TestWithParam<Scenario> {};

// What one run leaves, with the faults cleared before the caller's next step.
struct Outcome {
  bool ok = false;
  bool errorShown = false;
  bool fired = false;
  std::string firedPath;  // relative to the run's folder
  Snapshot target;        // the target alone, before the caller's next step
  Snapshot files;         // everything, after it
};

Snapshot TakeTarget(const Env& env, const Scenario& scenario) {
  Snapshot all = Take(env);
  Snapshot target;
  if (auto it = all.find(scenario.target); it != all.end()) target.insert(*it);
  return target;
}

Outcome RunOnce(const Scenario& scenario, CK7QFaults& faults, K7QFile::Call call, int nth,
                int counts[]) {
  Outcome outcome;
  auto env = std::make_unique<Env>();
  faults.Clear();
  scenario.setup(*env);
  if (::testing::Test::HasFatalFailure()) return outcome;
  faults.Clear();
  faults.Exempt(scenario.exempt);
  if (nth > 0) faults.FailNth(call, nth);
  outcome.ok = scenario.run(*env);
  outcome.fired = faults.Fired();
  if (outcome.fired) outcome.firedPath = fs::relative(faults.FiredPath(), env->dir.Path());
  if (counts) {
    for (K7QFile::Call c : kK7QAllCalls) counts[static_cast<int>(c)] = faults.Count(c);
  }
  faults.Clear();
  outcome.errorShown = env->ErrorShown();
  outcome.target = TakeTarget(*env, scenario);
  if (scenario.after) scenario.after(*env, outcome.ok);
  outcome.files = Take(*env);
  return outcome;
}

TEST_P(FaultWalk, OldBytesOrNewBytesAndNothingLeft) {
  const Scenario& scenario = GetParam();
  CK7QFaults faults;
  int counts[std::size(kK7QAllCalls)] = {};
  // Without faults: the command succeeds; what it leaves is the "new" state.
  const Outcome clean = RunOnce(scenario, faults, K7QFile::Call::Open, 0, counts);
  ASSERT_TRUE(clean.ok) << scenario.name;
  // The state before, as a failed command must leave it.
  Outcome before;
  {
    auto env = std::make_unique<Env>();
    scenario.setup(*env);
    ASSERT_FALSE(HasFatalFailure());
    faults.Clear();
    before.target = TakeTarget(*env, scenario);
    if (scenario.after) scenario.after(*env, false);
    before.files = Take(*env);
  }
  ASSERT_TRUE(before.files != clean.files || before.target != clean.target)
      << scenario.name << ": the command changes nothing";

  int points = 0;
  for (K7QFile::Call call : kK7QAllCalls) {
    for (int nth = 1; nth <= counts[static_cast<int>(call)]; ++nth) {
      ++points;
      const Outcome got = RunOnce(scenario, faults, call, nth, nullptr);
      SCOPED_TRACE(std::string(scenario.name) + ": " + K7QCallName(call) + " #" +
                   std::to_string(nth) + (got.ok ? " (succeeded)" : " (failed)"));
      ASSERT_TRUE(got.fired);
      const Outcome& want = got.ok ? clean : before;
      // A temporary file whose own removal failed is the one thing that may stay.
      Snapshot files = got.files;
      if (call == K7QFile::Call::Unlink && fs::path(got.firedPath).filename().string()[0] == '.')
        files.erase(got.firedPath);
      EXPECT_TRUE(got.target == want.target) << "the target:" << Describe(got.target, want.target);
      EXPECT_TRUE(files == want.files) << Describe(files, want.files);
      EXPECT_TRUE(got.ok || got.errorShown) << "a failure without a message";
      if (HasFailure()) return;
    }
  }
  EXPECT_GT(points, 10) << scenario.name;
  RecordProperty("failure_points", points);
}

INSTANTIATE_TEST_SUITE_P(Commands, FaultWalk, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                           std::string name = info.param.name;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
