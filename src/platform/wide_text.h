#pragma once

#include <string>
#include <string_view>

#include "base/text_encoding.h"

namespace dodu {

// Windows' wide texts are UTF-16 (wchar_t is 16 bits there); only the Windows files use these.
inline std::wstring WideText(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string NarrowText(std::wstring_view wide) {
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace dodu
