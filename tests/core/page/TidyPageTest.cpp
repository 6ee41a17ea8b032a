// Pages as a real HTML tidier rewrites them: lower or upper case, attributes
// requoted, tags wrapped over lines, XHTML's "<img ... />", indentation.
// Each converts to the same functions as the page before the tidier saw it.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include "PageTestSupport.h"

extern char** environ;

namespace {

const std::string kSamples = std::string(K7Q_SOURCE_DIR) + "/data/tovra/samples/";

// The option sets a page editor's tidier is run with; every set keeps the
// value tags as an inline element.
const std::vector<std::vector<std::string>> kOptionSets = {
    {}, {"-asxhtml"}, {"-upper", "-wrap", "40"}, {"-indent"}, {"-wrap", "30"},
};

// The installed tidy run on `page` (CP932, as Shift_JIS) with `options`;
// told, as a page editor's tidier is, that K7Q is an inline element.
std::string Tidy(const CK7QTempDir& dir, const std::string& page,
                 const std::vector<std::string>& options, bool knowsValueTags = true) {
  K7QWriteFile(dir.File("tidy_in.htm"), page);
  std::vector<std::string> args = {"tidy",           "-q",  "--char-encoding", "shiftjis",
                                   "--force-output", "yes", "--show-warnings", "no"};
  if (knowsValueTags) args.insert(args.end(), {"--new-inline-tags", "k7q"});
  args.insert(args.end(), options.begin(), options.end());
  args.insert(args.end(), {"-o", dir.File("tidy_out.htm"), dir.File("tidy_in.htm")});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, "tidy", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(rc, 0) << "tidy cannot run";
  if (rc != 0) return {};
  int status = 0;
  waitpid(pid, &status, 0);
  // 0 clean, 1 warnings, 2 errors (the output is written all the same).
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 2);
  return K7QReadFile(dir.File("tidy_out.htm"));
}

// The macro text of `text` in order: variables, large-text references and calls.
std::vector<std::string> MacroReferences(std::string_view text) {
  std::vector<std::string> found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::size_t end = std::string_view::npos;
    if (text.compare(i, 4, "$(V_") == 0) {
      end = text.find(')', i);
    } else if (text.compare(i, 15, "@RZV_TRANSLATE(") == 0) {
      end = text.find("$(CLOBTYPE)", i);
      if (end != std::string_view::npos) end += 10;
    } else if (text[i] == '@') {
      const std::size_t call = text.find("()", i);
      if (call != std::string_view::npos && call - i < 40 &&
          text.substr(i, call - i).find_first_of(" <>\"") == std::string_view::npos)
        end = call + 1;
    }
    if (end == std::string_view::npos) continue;
    found.emplace_back(text.substr(i, end + 1 - i));
    i = end;
  }
  return found;
}

// What a conversion made, without the markup that a tidier rewrites: the
// page's calls and variables; per function its name, SQL statement, count
// of row templates and the variables of its report.
std::string Summary(const CK7QBldPageConverter::Conversion& conversion) {
  std::string out = "page:";
  for (const std::string& r : MacroReferences(conversion.page)) out += " " + r;
  for (const auto& f : conversion.functions) {
    std::size_t rows = 0;
    for (std::size_t i = f.component.find("%ROW{"); i != std::string::npos;
         i = f.component.find("%ROW{", i + 1))
      ++rows;
    out += "\n" + f.name + ": " + f.statement + " [" + std::to_string(rows) + " rows]";
    const std::size_t report = f.component.find("%REPORT{");
    for (const std::string& r : MacroReferences(f.component.substr(report))) out += " " + r;
  }
  return out;
}

class TidyPages : public PageConverterTest {
 protected:
  // The page converts, and after each tidier option set converts to the same.
  void Check(const std::string& page) {
    CK7QBldPageConverter::Conversion original;
    ASSERT_TRUE(m_converter.ConvertText(page, original)) << Ids();
    ASSERT_FALSE(original.functions.empty());
    const std::string expected = Summary(original);
    for (const auto& options : kOptionSets) {
      std::string name = "tidy";
      for (const std::string& o : options) name += " " + o;
      SCOPED_TRACE(name);
      const std::string tidied = Tidy(m_dir, page, options);
      ASSERT_FALSE(tidied.empty());
      CK7QBldPageConverter::Conversion conversion;
      m_ui.m_shown.clear();
      ASSERT_TRUE(m_converter.ConvertText(tidied, conversion)) << Ids() << "\n" << tidied;
      EXPECT_EQ(Summary(conversion), expected) << tidied;
    }
  }

  std::string Ids() const {
    std::string ids;
    for (const auto& shown : m_ui.m_shown) ids += std::to_string(shown.id) + " " + shown.text;
    return ids;
  }
};

TEST_F(TidyPages, SamplePagesConvertToTheSameFunctions) {
  {
    SCOPED_TRACE("report page of every loop kind");
    Check(K7QReadFile(kData + "report.htm"));
  }
  {
    SCOPED_TRACE("the sample shop's report page");
    Check(K7QReadFile(kSamples + "shop_report.htm"));
  }
}

TEST_F(TidyPages, GeneratedPagesConvertToTheSameFunctions) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Check(CRandomPage(seed).Make());
    if (HasFailure()) return;
  }
}

// Without being told that K7Q is an inline element the tidier drops the
// value tags: a loop left without any column is refused by name and line,
// never made into "SELECT  FROM".
TEST_F(TidyPages, DroppedValueTagsAreRefused) {
  const std::string tidied = Tidy(m_dir, K7QReadFile(kData + "report.htm"), {}, false);
  ASSERT_EQ(tidied.find("k7q macro"), std::string::npos) << "tidy kept the value tags";

  CK7QBldPageConverter::Conversion conversion;
  EXPECT_FALSE(m_converter.ConvertText(tidied, conversion));
  ASSERT_EQ(m_ui.Ids(), std::vector<unsigned>{kIdsLoopWithoutColumns});
  const std::string& text = m_ui.m_shown[0].text;
  EXPECT_NE(text.find(": ITEMS"), std::string::npos) << text;
  // The line of the ITEMS loop's start marker in the tidied page.
  const std::size_t marker = tidied.rfind('<', tidied.find("TABLE:ITEMS"));
  const std::size_t line = 1 + std::count(tidied.begin(), tidied.begin() + marker, '\n');
  EXPECT_NE(text.find(" " + std::to_string(line) + ":"), std::string::npos) << text;
}

// A tidied page converted, saved, opened, prepared for the editor and
// converted again without changes gives the same macro.
class TidyRoundTrip : public PageRoundTrip {};

TEST_F(TidyRoundTrip, TidiedPagesSurviveReopeningAndPreparing) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    const auto& options = kOptionSets[seed % kOptionSets.size()];
    SCOPED_TRACE("seed " + std::to_string(seed) + ", option set " +
                 std::to_string(seed % kOptionSets.size()));
    const std::string report = Tidy(m_dir, CRandomPage(seed).Make(), options);
    Check(Tidy(m_dir, kFormFragment, options), report);
    if (HasFailure()) {
      ADD_FAILURE() << report;
      return;
    }
  }
}

}  // namespace
