#pragma once

#include <string>
#include <string_view>

// The folder a preview reads files from (the profile folder by default):
// nothing is read or served from outside it, whatever a macro, a database
// value or a browser asks for.
namespace K7QPreviewFolder {

enum class Result { Ok, Refused, Missing };

// The path of `relative` (UTF-8; "/" or "\" between folders) inside
// `folder`; empty when it is absolute, names a drive, climbs with "..", or
// leads out of the folder through a link.
std::string PathBelow(const std::string& folder, std::string_view relative);

// Reads the file `relative` (CP932 macro text) from below `folder`.
// Refused for a path PathBelow refuses or a file over 16 MiB; Missing when
// it is no readable plain file.
Result Read(const std::string& folder, std::string_view relative, std::string& bytes);

}  // namespace K7QPreviewFolder
