#pragma once

// Folder core/text: CP932-aware text helpers, the utility object, the file layer, the language
// library and the prompt interface.

#include <cstddef>
#include <string>
#include <string_view>

// Text in the core is CP932 bytes. Every search for a character or a text
// goes through these helpers, so that the trail byte of a double-byte
// character never matches: the trail byte of "ソ" is 0x5C, a backslash.
namespace K7QCp932 {

inline bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length in bytes of the character starting at text[i] (1 or 2; 1 for a
// lead byte at the very end).
inline std::size_t CharLength(std::string_view text, std::size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
}

// First position >= from (from must be a character boundary) where byte c
// starts a character, or npos.
std::size_t Find(std::string_view text, char c, std::size_t from = 0);
// Last position where byte c starts a character, or npos.
std::size_t FindLast(std::string_view text, char c);
// First position >= from where `needle` starts on a character boundary, or npos.
std::size_t Find(std::string_view text, std::string_view needle, std::size_t from = 0);
// Last position where `needle` starts on a character boundary, or npos.
std::size_t FindLast(std::string_view text, std::string_view needle);

// Conversions for display and for database text; false when a character
// cannot be converted (the output then holds what was converted so far).
bool ToUtf8(std::string_view cp932, std::string& utf8);
bool FromUtf8(std::string_view utf8, std::string& cp932);
// Conveniences for messages: undecodable bytes become U+FFFD / '?'.
std::string ToUtf8(std::string_view cp932);

}  // namespace K7QCp932
