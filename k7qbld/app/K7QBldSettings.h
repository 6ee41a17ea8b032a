#pragma once

#include <QRect>
#include <QSettings>
#include <QString>
#include <QStringList>

// The builder's settings: QSettings in INI form under organisation "Halvard",
// application "K7QBld" (~/.config/Halvard/K7QBld.conf), one group per section.
// System-wide values come from the XDG system folders. Every read gives the
// table's default when the value is absent; library files default to the
// installation's data folder (<bin>/../share/tovra/).
namespace K7QBldSettings {

inline const char kSettings[] = "Settings";
inline const char kRecentFiles[] = "Recent File List";
inline const char kFilePath[] = "FilePath";

// Sets the application identity and the INI format; call before any read.
// Besides the table's keys the builder keeps "LastProfile" in "Settings",
// the profile opened last, which it opens again at start.
void Initialise();

// Folder of the running executable and the installation's data folder, with a trailing "/".
QString BinFolder();
QString DataFolder();
// The user's data folder, where profiles and macros go by default:
// ${XDG_DATA_HOME:-~/.local/share}/k7q (no trailing "/").
QString UserDataFolder();

// The value of `key` in `section`, or the table's default.
QString Value(const QString& section, const QString& key);
void SetValue(const QString& section, const QString& key, const QString& value);
// The default of a key of the table ("" for keys the table does not name).
QString DefaultValue(const QString& section, const QString& key);
// Every (section, key) of the table, in table order.
QList<QPair<QString, QString>> TableKeys();

// Colours as 0xRRGGBB.
quint32 TagColor();
quint32 BackgroundColor();

// Main window placement.
struct WindowPlacement {
  unsigned flags = 0;
  unsigned showCmd = 1;  // 1 normal, 2 minimised, 3 maximised
  QPoint minPosition{-1, -1};
  QPoint maxPosition{-1, -1};
  QRect normal;  // left, top, right, bottom as a rectangle
};
inline constexpr unsigned kShowNormal = 1;
inline constexpr unsigned kShowMinimized = 2;
inline constexpr unsigned kShowMaximized = 3;
inline constexpr unsigned kRestoreToMaximized = 2;

// Parses "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d"; false unless exactly ten numbers.
bool ParseWindowPos(const QString& text, WindowPlacement& placement);
QString FormatWindowPos(const WindowPlacement& placement);

// The recent-file list of four entries ("File1" newest).
inline constexpr int kRecentFileCount = 4;
QStringList RecentFiles();
void AddRecentFile(const QString& path);
void RemoveRecentFile(const QString& path);

}  // namespace K7QBldSettings
