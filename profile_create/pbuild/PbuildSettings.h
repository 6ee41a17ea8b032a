#pragma once

#include <string>

// The two settings the profile creator reads: the builder's installation
// folder from the App Paths entry (the initial base folder) and the builder's
// folder of loop marker images. Both live in QSettings INI files of the
// organisation "Halvard", opened exactly as the builder opens its own:
// AppPaths.ini (group "K7QBld", key "path") and K7QBld.ini (group
// "FilePath", key "DataBaseImagePath"). The creator's own settings live in
// pbuild.ini, group "Settings": "LoginTimeout" (seconds, default 30) and
// "QueryTimeout" (seconds per statement, default 0: no limit).
namespace PbuildSettings {

enum class Lookup { kFound, kNoKey, kNoValue };

// The initial base folder: the value up to its first double quote, quotes stripped.
Lookup InitialBaseFolder(std::string& folder);
// The folder of "k7q_loop_start.gif" and "k7q_loop_end.gif": the builder's
// setting, or else the installation's data folder (<bin>/../share/tovra).
std::string MarkerImageFolder();
// The installation's data folder, found from the running program.
std::string DataFolder();

unsigned LoginTimeout();
unsigned QueryTimeout();

// Text up to the first double quote, a leading quote skipped.
std::string UpToQuote(const std::string& value);

}  // namespace PbuildSettings
