#include "platform/dynamic_library.h"

#include <windows.h>

#include "base/error.h"
#include "base/text_encoding.h"

namespace dodu {

namespace {

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::u16string message(reinterpret_cast<const char16_t*>(text), length);
  LocalFree(text);
  while (!message.empty() && (message.back() == u'\r' || message.back() == u'\n' || message.back() == u' '))
    message.pop_back();
  return message.empty() ? "error " + std::to_string(code) : Utf16ToUtf8(message);
}

}  // namespace

DynamicLibrary::DynamicLibrary(const std::string& aName) : fName(aName) {
  const std::u16string wide = Utf8ToUtf16(aName);
  HMODULE module = LoadLibraryW(reinterpret_cast<const wchar_t*>(wide.c_str()));
  if (module == nullptr) throw Error("Cannot load the library " + aName + ": " + SystemMessage(GetLastError()));
  fHandle = reinterpret_cast<void*>(module);
}

DynamicLibrary::~DynamicLibrary() { FreeLibrary(reinterpret_cast<HMODULE>(fHandle)); }

void* DynamicLibrary::Symbol(const std::string& aName) const {
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(fHandle), aName.c_str()));
}

}  // namespace dodu
