#pragma once

#include <string>
#include <string_view>

namespace dodu {

// Letter case and blanks of codes, names and settings lines: ASCII only, whatever the locale.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);
// Without leading and trailing blanks, tabs and line breaks.
std::string Trimmed(std::string_view text);

}  // namespace dodu
