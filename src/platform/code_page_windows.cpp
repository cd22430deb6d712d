#include "platform/code_page.h"

#include <windows.h>

#include "base/error.h"

namespace dodu {

std::string Utf8ToCodePage(const std::string& aText, int32_t aCodePage) {
  if (aText.empty()) return std::string();
  const UINT code_page = aCodePage < 1 ? CP_ACP : static_cast<UINT>(aCodePage);
  const int units = MultiByteToWideChar(CP_UTF8, 0, aText.data(), static_cast<int>(aText.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, aText.data(), static_cast<int>(aText.size()), wide.data(), units);
  const int bytes = WideCharToMultiByte(code_page, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (bytes == 0) {
    throw Error("Code page " + std::to_string(aCodePage) + " cannot be used: error " + std::to_string(GetLastError()));
  }
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), units, out.data(), bytes, nullptr, nullptr);
  return out;
}

}  // namespace dodu
