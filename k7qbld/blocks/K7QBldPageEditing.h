#pragma once

#include <string>

class CK7QBldMacro;

// The two directions of page conversion as the main frame calls them around
// the page editor: before editing, database values become coloured value
// tags between loop markers; after editing, loops become generated functions
// and value tags macro variables. Both report their own messages.
bool K7QPrepareForEditing(CK7QBldMacro& macro, const std::string& page);
bool K7QConvertAfterEditing(CK7QBldMacro& macro, const std::string& page);
