#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "K7QBldCp932.h"
#include "K7QBldLanguage.h"
#include "K7QTestSupport.h"

namespace {

const char* const kLocaleVariables[] = {"LC_ALL", "LC_MESSAGES", "LANG"};

// The tests change the locale variables; every test gets them back as they were.
class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kLocaleVariables) {
      const char* value = std::getenv(name);
      m_saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : m_saved) SetVariable(name, value ? value->c_str() : nullptr);
  }
  static void SetVariable(const std::string& name, const char* value) {
    if (value) {
      ::setenv(name.c_str(), value, 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

struct Library {
  const char* file;
  std::vector<std::pair<unsigned, unsigned>> required;  // inclusive ranges of shown numbers
};

// The numbers each program shows; every one must exist in both languages.
const Library kLibraries[] = {
    {"K7QBld_lang.so",
     {{100, 100},     {128, 128},     {62176, 62176}, {62178, 62186}, {62191, 62194},
      {62208, 62223}, {62225, 62244}, {62246, 62247}, {62256, 62261}, {62272, 62279},
      {62288, 62294}, {62296, 62298}, {62304, 62308}, {62321, 62328}, {62330, 62335},
      {62337, 62345}, {62347, 62351}, {62353, 62361}, {62364, 62374}, {62376, 62411}}},
    {"pbuild_lang.so", {{102, 156}}},
};

constexpr unsigned kLastIdScanned = 70000;

// The printf conversions of a text in order ("%%" is a literal and left out).
// A '%' that starts no valid conversion is kept as "%?" so that it, too, must
// agree between the languages.
std::vector<std::string> Conversions(const std::string& text) {
  std::vector<std::string> result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (i + 1 < text.size() && text[i + 1] == '%') {
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    while (j < text.size() && std::strchr("-+ #0'", text[j])) ++j;
    while (j < text.size() && (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '*'))
      ++j;
    if (j < text.size() && text[j] == '.') {
      ++j;
      while (j < text.size() &&
             (std::isdigit(static_cast<unsigned char>(text[j])) || text[j] == '*'))
        ++j;
    }
    while (j < text.size() && std::strchr("hlLqjzt", text[j])) ++j;
    if (j < text.size() && std::strchr("diouxXeEfFgGaAcspn", text[j])) {
      result.push_back(text.substr(i, j - i + 1));
      i = j;
    } else {
      result.push_back("%?");
    }
  }
  return result;
}

std::string LoadedString(const char* file, unsigned id, bool japanese) {
  CK7QBldLanguage language;
  language.SetJapanese(japanese);
  if (!language.Load(file, K7Q_BIN_DIR)) return "<not loaded>";
  return language.String(id);
}

}  // namespace

TEST(LanguageConversions, FindsEachConversionOnce) {
  const struct {
    const char* text;
    std::vector<std::string> expected;
  } cases[] = {
      {"no conversions", {}},
      {"100 %% done", {}},
      {"%s\n%s : %d", {"%s", "%s", "%d"}},
      {"%-12ld|%3.0f|%-*.*s|%06X", {"%-12ld", "%3.0f", "%-*.*s", "%06X"}},
      {"stray %, sign", {"%?"}},
      {"ends with %", {"%?"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Conversions(c.text), c.expected) << c.text;
}

TEST_F(LanguageTest, LocaleChoosesJapaneseOnlyForJaLocales) {
  // LC_ALL, LC_MESSAGES, LANG; nullptr = unset. The first one set and not empty decides.
  const struct {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    bool japanese;
  } cases[] = {
      {nullptr, nullptr, "ja_JP.UTF-8", true},
      {nullptr, nullptr, "ja_JP.SJIS", true},
      {nullptr, nullptr, "ja", true},
      {nullptr, nullptr, "en_US.UTF-8", false},
      {nullptr, nullptr, "C", false},
      {nullptr, nullptr, "C.UTF-8", false},
      {nullptr, nullptr, nullptr, false},
      {"C", nullptr, "ja_JP.UTF-8", false},           // LC_ALL overrides LANG
      {"ja_JP.eucJP", nullptr, "en_US", true},        // and wins in the other direction too
      {nullptr, "ja_JP.UTF-8", "en_GB.UTF-8", true},  // LC_MESSAGES before LANG
      {nullptr, "de_DE", "ja_JP.UTF-8", false},
      {"", nullptr, "ja_JP.UTF-8", true},  // an empty variable counts as unset
      {"", "", "", false},
  };
  for (const auto& c : cases) {
    SetVariable("LC_ALL", c.lcAll);
    SetVariable("LC_MESSAGES", c.lcMessages);
    SetVariable("LANG", c.lang);
    const std::string row = std::string(c.lcAll ? c.lcAll : "-") + " / " +
                            (c.lcMessages ? c.lcMessages : "-") + " / " + (c.lang ? c.lang : "-");
    EXPECT_EQ(CK7QBldLanguage::LocaleIsJapanese(), c.japanese) << row;

    // A language object takes the locale's choice when it is made.
    CK7QBldLanguage language;
    ASSERT_TRUE(language.Load("K7QBld_lang.so", K7Q_BIN_DIR));
    EXPECT_EQ(language.IsJapanese(), c.japanese) << row;
    EXPECT_EQ(language.String(62373), LoadedString("K7QBld_lang.so", 62373, c.japanese)) << row;
  }
}

TEST_F(LanguageTest, SelectsTextOfTheChosenLanguage) {
  for (const auto& library : kLibraries) {
    const unsigned id = library.required.back().second;
    const std::string ja = LoadedString(library.file, id, true);
    const std::string en = LoadedString(library.file, id, false);
    EXPECT_NE(ja, en) << library.file << " " << id;
    std::string cp932;
    EXPECT_TRUE(K7QCp932::FromUtf8(ja, cp932));
    EXPECT_NE(cp932, ja) << "Japanese text expected for " << id;  // non-ASCII, so bytes differ
    EXPECT_TRUE(std::all_of(en.begin(), en.end(), [](char c) { return (c & 0x80) == 0; })) << en;
  }
  EXPECT_EQ(LoadedString("K7QBld_lang.so", 62373, false),
            "K7QBld is already running. Only one copy can run at a time.");
  // A number the library does not hold gives an empty text, not another entry.
  EXPECT_EQ(LoadedString("K7QBld_lang.so", 62177, false), "");
  EXPECT_EQ(LoadedString("pbuild_lang.so", 62373, false), "");
}

TEST(LanguageLoad, MissingOrDamagedLibraryFailsToLoad) {
  CK7QTempDir folder;
  CK7QBldLanguage language;
  EXPECT_FALSE(language.Load("K7QBld_lang_missing.so", folder.Path()));
  EXPECT_FALSE(language.IsLoaded());
  EXPECT_EQ(language.String(128), "");

  // A file of the right name that is no shared library, found in the program
  // folder, and no such library on the ordinary search path.
  K7QWriteFile(folder.File("K7QBld_lang.so"), "not a shared library\n");
  EXPECT_FALSE(language.Load("K7QBld_lang.so", folder.Path()));
  EXPECT_FALSE(language.IsLoaded());

  // A loaded library is replaced cleanly by a failed load.
  ASSERT_TRUE(language.Load("pbuild_lang.so", K7Q_BIN_DIR));
  EXPECT_FALSE(language.Load("pbuild_lang_missing.so", folder.Path()));
  EXPECT_FALSE(language.IsLoaded());
  EXPECT_EQ(language.String(144), "");
}

// Every text of both libraries, both languages: the same printf conversions in
// the same order (a translation that swaps or drops one would print garbage),
// Japanese text that survives the conversion to CP932 (messages and pages are
// written in CP932), and every number that the programs show present.
TEST(LanguageTables, EveryEntryAgreesBetweenLanguages) {
  for (const auto& library : kLibraries) {
    CK7QBldLanguage ja;
    CK7QBldLanguage en;
    ja.SetJapanese(true);
    en.SetJapanese(false);
    ASSERT_TRUE(ja.Load(library.file, K7Q_BIN_DIR)) << library.file;
    ASSERT_TRUE(en.Load(library.file, K7Q_BIN_DIR)) << library.file;

    int entries = 0;
    for (unsigned id = 1; id <= kLastIdScanned; ++id) {
      const std::string jaText = ja.String(id);
      const std::string enText = en.String(id);
      ASSERT_EQ(jaText.empty(), enText.empty()) << library.file << " " << id;
      if (jaText.empty()) continue;
      ++entries;
      EXPECT_EQ(Conversions(jaText), Conversions(enText)) << library.file << " " << id;
      std::string cp932;
      EXPECT_TRUE(K7QCp932::FromUtf8(jaText, cp932)) << library.file << " " << id;
    }
    int required = 0;
    for (const auto& [first, last] : library.required) {
      for (unsigned id = first; id <= last; ++id, ++required) {
        EXPECT_FALSE(en.String(id).empty()) << library.file << " lacks " << id;
      }
    }
    EXPECT_GE(entries, required) << library.file;
  }
}

// Texts that end up inside files or command lines must survive the trip.
TEST(LanguageTables, TextsWrittenIntoMacrosAndCommandLinesAreSafe) {
  for (bool japanese : {true, false}) {
    // Default SQL messages are written as CODE: "TEXT": ACTION and read back by
    // splitting at ':' and dropping '"', so they may hold neither.
    for (unsigned id = 62402; id <= 62411; ++id) {
      const std::string text = LoadedString("K7QBld_lang.so", id, japanese);
      EXPECT_EQ(text.find_first_of(":\""), std::string::npos) << id << " " << text;
      std::string cp932;
      ASSERT_TRUE(K7QCp932::FromUtf8(text, cp932));
      EXPECT_EQ(cp932.find_first_of(":\""), std::string::npos) << id;
    }
    // Window titles of the macro editor follow "-t" unquoted.
    for (unsigned id : {62243u, 62244u}) {
      const std::string text = LoadedString("K7QBld_lang.so", id, japanese);
      EXPECT_EQ(text.find_first_of(" \t\""), std::string::npos) << id << " " << text;
    }
    // Button captions inside VALUE="..." of generated forms.
    for (unsigned id : {62278u, 62279u}) {
      EXPECT_EQ(LoadedString("K7QBld_lang.so", id, japanese).find('"'), std::string::npos) << id;
    }
  }
}
