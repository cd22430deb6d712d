#pragma once

#include <string>
#include <string_view>

namespace dodu {

// Inside the system texts are UTF-8. UTF-16 appears only at the exported boundary and where
// UTF-16 code units are counted; the 8-bit code page of devices is Windows-1252.

// Invalid UTF-8 sequences become U+FFFD, so a bad byte never stops a conversion.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Code points of a UTF-8 text (invalid sequences as U+FFFD), and back.
std::u32string Utf8ToCodePoints(std::string_view text);
std::string CodePointsToUtf8(std::u32string_view text);
void AppendUtf8(std::string& out, char32_t code_point);
// The text cut to at most max_units UTF-16 code units, where texts are measured in characters;
// a character that does not fit whole is left out rather than split.
std::string Utf16Prefix(std::string_view text, size_t max_units);

// Windows-1252: characters without a byte in the code page become "?".
std::string Utf8ToCp1252(std::string_view text);
std::string Cp1252ToUtf8(std::string_view bytes);

}  // namespace dodu
