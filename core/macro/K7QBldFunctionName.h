#pragma once

#include <cstddef>
#include <string_view>

// What may name a function of the macro. A loop's name becomes a function,
// a call "@NAME()" in a page and a working file "TITLE.k7q_fun_NAME", and all
// of them must give the same name back: conversion, the call scanners and the
// pages that let the author name a loop ask this one definition.
namespace K7QFunctionName {

// A single-byte character that may stand in a name: printable, and none of
// the characters that end a call, an attribute, a macro section or a file
// name ("'<>()@,;=&/\.%{}$ and the blank). Double-byte characters may stand
// in a name whatever their trail byte.
bool IsNameByte(unsigned char c);

// Not empty, only name characters, and not the name of one of the macro's
// own pages (TITLE_HTML_INPUT.htm, TITLE_HTML_REPORT.htm).
bool IsUsable(std::string_view name);

// The length of NAME when a call "@NAME()" starts at `at` (text[at] == '@',
// a character boundary); 0 when no call starts there.
std::size_t CallNameLength(std::string_view text, std::size_t at);

}  // namespace K7QFunctionName
