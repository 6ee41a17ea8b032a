#include "PbuildSettings.h"

#include <QSettings>
#include <QStringList>

namespace PbuildSettings {

namespace {

QSettings Store(const char* application) {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
                   QString::fromLatin1(application));
}

}  // namespace

std::string UpToQuote(const std::string& value) {
  std::size_t start = (!value.empty() && value.front() == '"') ? 1 : 0;
  const std::size_t quote = value.find('"', start);
  return value.substr(start, quote == std::string::npos ? std::string::npos : quote - start);
}

Lookup InitialBaseFolder(std::string& folder) {
  QSettings settings = Store("AppPaths");
  if (!settings.childGroups().contains(QStringLiteral("K7QBld"))) return Lookup::kNoKey;
  settings.beginGroup(QStringLiteral("K7QBld"));
  const QVariant value = settings.value(QStringLiteral("path"));
  if (!value.isValid()) return Lookup::kNoValue;
  folder = UpToQuote(value.toString().toStdString());
  return Lookup::kFound;
}

std::optional<std::string> MarkerImageFolder() {
  QSettings settings = Store("K7QBld");
  const QVariant value = settings.value(QStringLiteral("FilePath/DataBaseImagePath"));
  if (!value.isValid()) return std::nullopt;
  return UpToQuote(value.toString().toStdString());
}

}  // namespace PbuildSettings
