#pragma once

#include <string>

// Where the profile creator's start-up values come from: the initial base
// folder is the user's data folder, and the loop marker images come from the
// builder's setting, in the QSettings INI file of the organisation
// "Halvard" that the builder reads too: K7QBld.ini (group "FilePath", key
// "DataBaseImagePath"). The creator's own settings live in
// pbuild.ini, group "Settings": "LoginTimeout" (seconds, default 30) and
// "QueryTimeout" (seconds per statement, default 0: no limit).
namespace PbuildSettings {

// The initial base folder: the user's data folder,
// ${XDG_DATA_HOME:-~/.local/share}/k7q. An installed builder's own folder is
// no place users may write to.
std::string InitialBaseFolder();
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
