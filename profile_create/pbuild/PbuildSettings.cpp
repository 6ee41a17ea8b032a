#include "PbuildSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include "PbuildCreator.h"

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

std::string InitialBaseFolder() {
  return (QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
          QStringLiteral("/k7q"))
      .toStdString();
}

std::string DataFolder() {
  return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tovra"))
      .toStdString();
}

std::string MarkerImageFolder() {
  QSettings settings = Store("K7QBld");
  const QVariant value = settings.value(QStringLiteral("FilePath/DataBaseImagePath"));
  if (!value.isValid()) return DataFolder();
  return UpToQuote(value.toString().toStdString());
}

namespace {

unsigned Seconds(const char* key, unsigned fallback) {
  QSettings settings = Store("pbuild");
  bool ok = false;
  const int value = settings.value(QStringLiteral("Settings/") + QLatin1String(key)).toInt(&ok);
  return ok && value >= 0 ? static_cast<unsigned>(value) : fallback;
}

}  // namespace

unsigned LoginTimeout() { return Seconds("LoginTimeout", CPbuildCreator::kDefaultLoginTimeout); }

unsigned QueryTimeout() { return Seconds("QueryTimeout", 0); }

}  // namespace PbuildSettings
