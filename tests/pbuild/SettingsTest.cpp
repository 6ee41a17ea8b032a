// Where the creator's start-up values come from: the App Paths entry, the
// builder's image folder, and the batch form's command line.
#include <gtest/gtest.h>

#include <QSettings>

#include "PbuildApp.h"
#include "PbuildSettings.h"

namespace {

QSettings Store(const char* name) {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
                   QString::fromLatin1(name));
}

}  // namespace

TEST(PbuildSettings, AppPathsEntryGivesTheInitialBaseFolder) {
  Store("AppPaths").clear();
  std::string folder;
  EXPECT_EQ(PbuildSettings::InitialBaseFolder(folder), PbuildSettings::Lookup::kNoKey);
  Store("AppPaths").setValue("K7QBld/default", "/opt/k7q/bin/K7QBld");
  EXPECT_EQ(PbuildSettings::InitialBaseFolder(folder), PbuildSettings::Lookup::kNoValue);
  // Registry-style values may carry quotes: the text up to the first one counts.
  Store("AppPaths").setValue("K7QBld/path", "\"/opt/k7q/bin\" --extra");
  ASSERT_EQ(PbuildSettings::InitialBaseFolder(folder), PbuildSettings::Lookup::kFound);
  EXPECT_EQ(folder, "/opt/k7q/bin");

  Store("K7QBld").clear();
  EXPECT_FALSE(PbuildSettings::MarkerImageFolder().has_value());
  Store("K7QBld").setValue("FilePath/DataBaseImagePath", "/usr/share/tovra");
  EXPECT_EQ(PbuildSettings::MarkerImageFolder().value_or(""), "/usr/share/tovra");
}

TEST(PbuildSettings, BatchCommandLine) {
  using Args = std::vector<std::string>;
  auto line = CPbuildCommandLine::Parse(
      Args{"--dsn", "Shop", "--user", "u", "--password", "", "--folder", "/d", "--no-samples"});
  EXPECT_TRUE(line.error.empty());
  EXPECT_TRUE(line.batch);
  EXPECT_EQ(line.dataSource, "Shop");
  EXPECT_EQ(line.password, "");
  EXPECT_TRUE(line.noSamples);
  EXPECT_FALSE(line.replace);

  const struct {
    Args arguments;
    bool usable;
  } rows[] = {
      {{}, true},                                              // the dialog
      {{"--screenshots", "/tmp/s", "en"}, true},               // the dialog, pictured
      {{"--dsn", "Shop"}, false},                              // no folder
      {{"--dsn"}, false},                                      // option without its value
      {{"--user", "u", "--folder", "/d"}, false},              // batch options without --dsn
      {{"--dsn", "Shop", "--folder", "/d", "--what"}, false},  // unknown option
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CPbuildCommandLine::Parse(row.arguments).error.empty(), row.usable)
        << (row.arguments.empty() ? "" : row.arguments.back());
  }
}
