// Where the creator's start-up values come from: the App Paths entry, the
// builder's image folder, and the batch form's command line.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

#include "PbuildApp.h"
#include "PbuildSettings.h"

namespace {

QSettings Store(const char* name) {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
                   QString::fromLatin1(name));
}

}  // namespace

TEST(PbuildSettings, TheUsersDataFolderIsTheInitialBaseFolder) {
  // Not the builder's folder of the App Paths entry: an installed one is not the user's to write.
  Store("AppPaths").setValue("K7QBld/path", "/usr/bin");
  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", "/home/someone/data");
  EXPECT_EQ(PbuildSettings::InitialBaseFolder(), "/home/someone/data/k7q");
  if (saved.isNull()) {
    qunsetenv("XDG_DATA_HOME");
  } else {
    qputenv("XDG_DATA_HOME", saved);
  }

  // Without the builder's setting the markers come from the installation's data folder.
  Store("K7QBld").clear();
  const QString data = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/tovra");
  EXPECT_EQ(PbuildSettings::MarkerImageFolder(), data.toStdString());
  Store("K7QBld").setValue("FilePath/DataBaseImagePath", "/usr/share/tovra");
  EXPECT_EQ(PbuildSettings::MarkerImageFolder(), "/usr/share/tovra");
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
  EXPECT_EQ(
      CPbuildCommandLine::Parse(Args{"--dsn", "S", "--folder", "/d", "--schema", "s1"}).schema,
      "s1");

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
      {{"--dsn", "S", "--folder", "/d", "--password-file", "/p"}, true},
      {{"--dsn", "S", "--folder", "/d", "--password", "-"}, true},  // standard input
      {{"--dsn", "S", "--folder", "/d", "--password", "p", "--password-file", "/p"}, false},
      {{"--dsn", "S", "--folder", "/d", "--password-file", ""}, false},
      {{"--dsn", "S", "--folder", "/d", "--schema", "sales"}, true},
      {{"--schema", "sales"}, false},  // batch options without --dsn
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CPbuildCommandLine::Parse(row.arguments).error.empty(), row.usable)
        << (row.arguments.empty() ? "" : row.arguments.back());
  }
}
