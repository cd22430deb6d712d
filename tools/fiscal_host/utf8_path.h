#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace dodu::host {

// The path a UTF-8 text names. A plain narrow text would be read in the ANSI code page on
// Windows, which cannot spell every name.
inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace dodu::host
