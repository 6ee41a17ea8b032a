#pragma once

// Folder core/preview: the macro interpreter behind the live preview.

#include <string>
#include <string_view>

// Small text helpers of the preview. Text is CP932 bytes, as everywhere in
// the core; helpers that look at letters never touch a trail byte.
namespace K7QPreviewText {

// ASCII letters in upper case; double-byte characters stay as they are.
std::string Upper(std::string_view text);
std::string Lower(std::string_view text);
// Blanks, tabs and line ends removed from both ends.
std::string_view Trim(std::string_view text);

// A decimal number as people type it: an optional sign, digits with at most
// one decimal point, at least one digit; an exponent is allowed.
bool IsNumber(std::string_view text);
// Compares two texts for which IsNumber holds, exactly (no rounding):
// negative, zero or positive. Numbers with an exponent compare as doubles.
int CompareNumbers(std::string_view a, std::string_view b);
// Exact sum or difference of two plain decimals (no exponent); false when
// either is not one or the result has more than 36 digits.
bool AddDecimals(std::string_view a, std::string_view b, bool subtract, std::string& sum);

// Characters of CP932 text (a double-byte character counts one).
std::size_t CharCount(std::string_view text);
// `count` characters from character `first` (0-based), clipped to the text.
std::string_view CharSlice(std::string_view text, std::size_t first, std::size_t count);
// Every occurrence of `from` (a whole character sequence) replaced by `to`.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

// &, <, >, " and ' as character references, so that text stays text in a page.
std::string HtmlEscape(std::string_view text);
void AppendHtmlEscaped(std::string& out, std::string_view text);

// Bytes as a data: address with the type their first bytes tell (GIF, JPEG,
// PNG, BMP; anything else application/octet-stream), so a picture from the
// database shows in a page that no server backs.
std::string DataUri(std::string_view bytes);
// The type of a file by its extension, for the pictures a page refers to;
// empty for anything else.
std::string ImageTypeOfName(std::string_view name);

// The name of a variable reference "$(NAME)" starting at `pos`, and in `end`
// the position after its ")". Empty when no reference starts there: a name
// is 1 to 256 bytes of letters, digits, "_", "." and Japanese characters.
std::string_view ReferenceAt(std::string_view text, std::size_t pos, std::size_t& end);

// A construct's text as a note shows it: its first line, at most 80 bytes.
std::string Excerpt(std::string_view text);

// Position of the last `needle` (ASCII) ignoring case, or npos.
std::size_t FindLastNoCase(std::string_view text, std::string_view needle);

}  // namespace K7QPreviewText
