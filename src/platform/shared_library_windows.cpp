#include <windows.h>

#include "base/text_encoding.h"
#include "platform/shared_library.h"

namespace dodu {

namespace {

std::string SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text = length > 0 ? std::u16string(buffer, buffer + length) : std::u16string();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ')) text.pop_back();
  return Utf16ToUtf8(text);
}

}  // namespace

SharedLibraryHandle LoadSharedLibrary(const std::string& name, SharedLibraryError& error) {
  const std::u16string units = Utf8ToUtf16(name);
  const std::wstring wide(units.begin(), units.end());
  HMODULE library = LoadLibraryW(wide.c_str());
  if (library == nullptr) {
    error.code = GetLastError();
    error.message = SystemMessage(error.code);
  }
  return reinterpret_cast<SharedLibraryHandle>(library);
}

void* SharedLibrarySymbol(SharedLibraryHandle library, const std::string& name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), Utf8ToCp1252(name).c_str()));
}

void UnloadSharedLibrary(SharedLibraryHandle library) { FreeLibrary(static_cast<HMODULE>(library)); }

}  // namespace dodu
