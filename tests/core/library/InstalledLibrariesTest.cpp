// The library files installed in the data folder: CP932 with CR LF, every
// line readable, the functions exactly the built-ins the preview runs, and
// the statements conditions the preview reads as the texts say.
#include <gtest/gtest.h>

#include <set>

#include "K7QBldCp932.h"
#include "K7QBldEntryLibrary.h"
#include "K7QBldFunctionLibrary.h"
#include "K7QPreviewBuiltins.h"
#include "K7QPreviewInterpreter.h"
#include "K7QTestSupport.h"

namespace {

// The files under the names the settings give by default, in category order.
const char* const kFunctionFiles[] = {
    "k7q_func_汎用関数.txt", "k7q_func_数学関数.txt",  "k7q_func_ｽﾄﾘﾝｸﾞ関数.txt",
    "k7q_func_ﾜｰﾄﾞ関数.txt", "k7q_func_ﾃｰﾌﾞﾙ関数.txt", "k7q_func_ﾌﾗｯﾄ関数.txt",
    "k7q_func_Web関数.txt",
};
const char* const kEntryFiles[] = {
    "k7q_variable_事前定義.txt",
    "k7q_variable_暗黙変数.txt",
    "k7q_variable_ｱﾌﾟﾚｯﾄ変数.txt",
    "k7q_variable_ﾚﾎﾟｰﾄ変数.txt",
    "k7q_variable_SQL変数.txt",
    "k7q_variable_ﾕｰｻﾞｰ定義.txt",
    "rzv_stat.txt",
};

std::string Installed(const char* name) { return std::string(K7Q_DATA_DIR) + "/" + name; }

TEST(InstalledLibraries, EveryFileIsCp932WithCrLfAndReadsWholly) {
  std::vector<std::string> files(std::begin(kFunctionFiles), std::end(kFunctionFiles));
  files.insert(files.end(), std::begin(kEntryFiles), std::end(kEntryFiles));
  for (const std::string& name : files) {
    const std::string path = Installed(name.c_str());
    const std::string bytes = K7QReadFile(path);
    ASSERT_FALSE(bytes.empty()) << name;
    std::string utf8;
    EXPECT_TRUE(K7QCp932::ToUtf8(bytes, utf8)) << name;
    EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << name;
    for (std::size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1))
      ASSERT_EQ(bytes[i - 1], '\r') << name << " at byte " << i;
    K7QLibraryCounts counts;
    std::vector<K7QLibraryEntry> entries;
    std::vector<K7QLibraryFunctionItem> items;
    EXPECT_GT(name.rfind("k7q_func_", 0) == 0
                  ? CK7QBldFunctionLibrary::ReadList(path, items, &counts)
                  : CK7QBldEntryLibrary::ReadList(path, entries, &counts),
              0)
        << name;
    EXPECT_EQ(counts.skipped, 0) << name;
  }
}

TEST(InstalledLibraries, TheFunctionsAreThePreviewsBuiltIns) {
  std::set<std::string> described;
  for (const char* name : kFunctionFiles) {
    const std::string path = Installed(name);
    std::vector<K7QLibraryFunctionItem> items;
    ASSERT_GE(CK7QBldFunctionLibrary::ReadList(path, items), 0) << name;
    for (const K7QLibraryFunctionItem& item : items) {
      const CK7QPreviewBuiltin* builtin = K7QPreviewFindBuiltin(item.name);
      ASSERT_NE(builtin, nullptr) << item.name << " in " << name << " is no built-in";
      EXPECT_EQ(item.name, builtin->name);
      EXPECT_TRUE(described.insert(item.name).second) << item.name << " described twice";
      CK7QBldLibraryFunction f;
      ASSERT_TRUE(CK7QBldFunctionLibrary::ReadDetails(path, item.identity, f)) << item.name;
      // The block the list entry selects is the function's own.
      EXPECT_EQ(f.name, item.name);
      EXPECT_FALSE(f.variable) << item.name;
      EXPECT_EQ(f.ArgumentNames().size(), f.arguments.size()) << item.name;
      EXPECT_EQ(static_cast<int>(f.arguments.size()), builtin->maxArgs) << item.name;
      EXPECT_FALSE(f.comments.empty()) << item.name;
      EXPECT_FALSE(f.parameters.empty()) << item.name;
      EXPECT_FALSE(f.description.empty()) << item.name;
    }
  }
  for (const CK7QPreviewBuiltin& builtin : K7QPreviewBuiltins())
    EXPECT_EQ(described.count(builtin.name), 1u) << builtin.name << " is not described";
  // The ones the builder writes into macros itself.
  for (const char* name : {"RZV_ASSIGN", "RZV_DATE", "RZV_TRANSLATE", "RZV_rGETINIDATA"})
    EXPECT_EQ(described.count(name), 1u) << name;
}

TEST(InstalledLibraries, VariablesInsertTheirOwnReference) {
  for (const char* name : kEntryFiles) {
    if (std::string(name) == "rzv_stat.txt") continue;
    std::vector<K7QLibraryEntry> entries;
    CK7QBldEntryLibrary::ReadList(Installed(name), entries);
    for (const K7QLibraryEntry& e : entries) EXPECT_EQ(e.text, "$(" + e.name + ")") << name;
  }
}

class NoDatabase : public IK7QPreviewQueryRunner {
 public:
  CK7QPreviewQueryResult Run(const std::string&, const CK7QPreviewLimits&) override { return {}; }
};

// Each condition statement, completed with %ELSE and %ENDIF, is read and
// decided by the preview without a note, as its description says.
TEST(InstalledLibraries, TheStatementsAreConditionsThePreviewRuns) {
  std::vector<K7QLibraryEntry> entries;
  ASSERT_GT(CK7QBldEntryLibrary::ReadList(Installed("rzv_stat.txt"), entries), 0);
  std::set<std::string> texts;
  int conditions = 0;
  for (const K7QLibraryEntry& e : entries) {
    texts.insert(e.text);
    if (e.text.rfind("%IF ", 0) != 0) continue;
    ++conditions;
    const std::string macro =
        "%DEFINE{\r\nNAME=\"VALUE\"\r\nNAME1=\"A\"\r\nNAME2=\"C\"\r\n%}\r\n"
        "%HTML(INPUT){\r\n" +
        e.text + "\r\nyes\r\n%ELSE\r\nno\r\n%ENDIF\r\n%}\r\n";
    const CK7QPreviewMacro parsed = CK7QPreviewMacro::Parse(macro);
    NoDatabase runner;
    CK7QScriptedUi ui;
    CK7QPreviewOptions options;
    options.today = "20240515";
    CK7QPreviewInterpreter interpreter(parsed, runner, ui, options);
    CK7QPreviewPage page;
    ASSERT_TRUE(interpreter.Render("INPUT", {}, page)) << e.text;
    EXPECT_TRUE(page.notes.empty()) << e.text << ": note " << page.notes.front().id;
    EXPECT_TRUE(page.html == "yes\r\n" || page.html == "no\r\n") << e.text << ": " << page.html;
  }
  EXPECT_GE(conditions, 5);
  EXPECT_EQ(texts.count("%ELSE"), 1u);
  EXPECT_EQ(texts.count("%ENDIF"), 1u);
}

}  // namespace
