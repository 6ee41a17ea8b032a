#include "K7QBldSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include "K7QBldGroceries.h"

namespace K7QBldSettings {

namespace {

struct Entry {
  const char* section;
  const char* key;
  const char* fallback;  // literal default
  bool inDataFolder;     // the default is a file of the data folder
  bool inBinFolder;      // the default is a program beside the builder
};

// The complete table. Library file names keep their Japanese parts.
const Entry kTable[] = {
    {kSettings, "DefaultCF", "HTML Format", false, false},
    {kSettings, "DefaultTagColor", "0x800080", false, false},
    {kSettings, "DefaultBackgroundColor", "0xFFFFFF", false, false},
    {kSettings, "WindowPos", "", false, false},
    {kSettings, "LastProfile", "", false, false},
    {kRecentFiles, "File1", "", false, false},
    {kRecentFiles, "File2", "", false, false},
    {kRecentFiles, "File3", "", false, false},
    {kRecentFiles, "File4", "", false, false},
    {kFilePath, "EditorPath", "K7QBldEditor", false, true},
    {kFilePath, "StatementPath", "rzv_stat.txt", true, false},
    {kFilePath, "GeneralFunctionPath", "k7q_func_汎用関数.txt", true, false},
    {kFilePath, "NumericFunctionPath", "k7q_func_数学関数.txt", true, false},
    {kFilePath, "StringFunctionPath", "k7q_func_ｽﾄﾘﾝｸﾞ関数.txt", true, false},
    {kFilePath, "WordFunctionPath", "k7q_func_ﾜｰﾄﾞ関数.txt", true, false},
    {kFilePath, "TableFunctionPath", "k7q_func_ﾃｰﾌﾞﾙ関数.txt", true, false},
    {kFilePath, "FlatFileFunctionPath", "k7q_func_ﾌﾗｯﾄ関数.txt", true, false},
    {kFilePath, "WebRegistryFunctionPath", "k7q_func_Web関数.txt", true, false},
    {kFilePath, "PredefinedVariablePath", "k7q_variable_事前定義.txt", true, false},
    {kFilePath, "DefaultVariablePath", "k7q_variable_暗黙変数.txt", true, false},
    {kFilePath, "ApletVariablePath", "k7q_variable_ｱﾌﾟﾚｯﾄ変数.txt", true, false},
    {kFilePath, "ReportVariablePath", "k7q_variable_ﾚﾎﾟｰﾄ変数.txt", true, false},
    {kFilePath, "SQLVariablePath", "k7q_variable_SQL変数.txt", true, false},
    {kFilePath, "UserDefinedVariablePath", "k7q_variable_ﾕｰｻﾞｰ定義.txt", true, false},
};

QSettings Store() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Halvard"),
                   QStringLiteral("K7QBld"));
}

quint32 ColorValue(const char* key) {
  const QString text = Value(kSettings, key);
  const QString fallback = DefaultValue(kSettings, key);
  const quint32 def = CK7QBldGroceries::ParseColor(fallback.toStdString(), 0);
  return CK7QBldGroceries::ParseColor(text.toStdString(), def) & 0xFFFFFFu;
}

}  // namespace

void Initialise() {
  QCoreApplication::setOrganizationName(QStringLiteral("Halvard"));
  QCoreApplication::setApplicationName(QStringLiteral("K7QBld"));
  QSettings::setDefaultFormat(QSettings::IniFormat);
}

QString BinFolder() {
  QString dir = QCoreApplication::applicationDirPath();
  if (!dir.endsWith('/')) dir += '/';
  return dir;
}

QString DataFolder() {
  return QDir::cleanPath(BinFolder() + QStringLiteral("../share/tovra")) + '/';
}

QString UserDataFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
         QStringLiteral("/k7q");
}

QString DefaultValue(const QString& section, const QString& key) {
  for (const Entry& e : kTable) {
    if (section != QLatin1String(e.section) || key != QLatin1String(e.key)) continue;
    const QString value = QString::fromUtf8(e.fallback);
    if (e.inDataFolder) return DataFolder() + value;
    if (e.inBinFolder) return BinFolder() + value;
    return value;
  }
  return {};
}

QString Value(const QString& section, const QString& key) {
  QSettings store = Store();
  const QVariant v = store.value(section + '/' + key);
  if (!v.isValid()) return DefaultValue(section, key);
  // A value with commas written without quotes reads as a list.
  if (v.typeId() == QMetaType::QStringList) return v.toStringList().join(',');
  return v.toString();
}

void SetValue(const QString& section, const QString& key, const QString& value) {
  QSettings store = Store();
  store.setValue(section + '/' + key, value);
}

QList<QPair<QString, QString>> TableKeys() {
  QList<QPair<QString, QString>> keys;
  for (const Entry& e : kTable)
    keys.append({QString::fromUtf8(e.section), QString::fromUtf8(e.key)});
  return keys;
}

quint32 TagColor() { return ColorValue("DefaultTagColor"); }
quint32 BackgroundColor() { return ColorValue("DefaultBackgroundColor"); }

bool ParseWindowPos(const QString& text, WindowPlacement& placement) {
  const QStringList fields = text.split(',');
  if (text.trimmed().isEmpty() || fields.size() != 10) return false;
  long long n[10];
  for (int i = 0; i < 10; ++i) {
    bool ok = false;
    n[i] = fields[i].trimmed().toLongLong(&ok);
    if (!ok) return false;
    // The first two are unsigned, the others signed 32-bit numbers.
    if (i < 2 ? (n[i] < 0 || n[i] > 0xFFFFFFFFLL) : (n[i] < INT32_MIN || n[i] > INT32_MAX))
      return false;
  }
  placement.flags = static_cast<unsigned>(n[0]);
  placement.showCmd = static_cast<unsigned>(n[1]);
  placement.minPosition = QPoint(static_cast<int>(n[2]), static_cast<int>(n[3]));
  placement.maxPosition = QPoint(static_cast<int>(n[4]), static_cast<int>(n[5]));
  placement.normal = QRect(QPoint(static_cast<int>(n[6]), static_cast<int>(n[7])),
                           QPoint(static_cast<int>(n[8]) - 1, static_cast<int>(n[9]) - 1));
  return true;
}

QString FormatWindowPos(const WindowPlacement& p) {
  return QString::asprintf("%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCmd, p.minPosition.x(),
                           p.minPosition.y(), p.maxPosition.x(), p.maxPosition.y(), p.normal.left(),
                           p.normal.top(), p.normal.right() + 1, p.normal.bottom() + 1);
}

QStringList RecentFiles() {
  QStringList files;
  for (int i = 1; i <= kRecentFileCount; ++i) {
    const QString f = Value(kRecentFiles, QStringLiteral("File%1").arg(i));
    if (!f.isEmpty()) files.append(f);
  }
  return files;
}

namespace {

void StoreRecentFiles(const QStringList& files) {
  QSettings store = Store();
  for (int i = 1; i <= kRecentFileCount; ++i) {
    const QString key = QStringLiteral("%1/File%2").arg(QLatin1String(kRecentFiles)).arg(i);
    if (i <= files.size()) {
      store.setValue(key, files[i - 1]);
    } else {
      store.remove(key);
    }
  }
}

}  // namespace

void AddRecentFile(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(path);
  files.prepend(path);
  while (files.size() > kRecentFileCount) files.removeLast();
  StoreRecentFiles(files);
}

void RemoveRecentFile(const QString& path) {
  QStringList files = RecentFiles();
  files.removeAll(path);
  StoreRecentFiles(files);
}

}  // namespace K7QBldSettings
