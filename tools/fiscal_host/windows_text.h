#pragma once

// Texts at the Win32 boundary; only the Windows files include this.
#include <windows.h>

#include <string>
#include <string_view>

#include "base/text_encoding.h"

namespace dodu::host {

// wchar_t is 16 bits on Windows: its wide texts are UTF-16.
inline std::wstring WideText(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string NarrowText(std::wstring_view wide) {
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

// The system's text for an error code, with its code.
inline std::string SystemErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  return (text.empty() ? std::string("system error") : NarrowText(text)) + " (error " + std::to_string(code) + ")";
}

}  // namespace dodu::host
