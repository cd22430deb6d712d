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

// Never the default search order, which looks in the working directory and along PATH, where
// anyone may have planted a library of the name: a bare name is found in the application's
// directory and the system's; a path is made absolute, and what the library needs comes from its
// own directory and the system's.
SharedLibraryHandle LoadSharedLibrary(const std::string& name, SharedLibraryError& error) {
  if (name.empty()) {
    error.code = ERROR_MOD_NOT_FOUND;
    error.message = "No library name given";
    return nullptr;
  }
  const std::u16string units = Utf8ToUtf16(name);
  std::wstring file(units.begin(), units.end());
  DWORD flags = LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
  if (file.find_first_of(L"\\/:") != std::wstring::npos) {
    std::wstring absolute(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(file.c_str(), static_cast<DWORD>(absolute.size()), absolute.data(), nullptr);
    if (length >= absolute.size()) {
      absolute.resize(length);
      length = GetFullPathNameW(file.c_str(), static_cast<DWORD>(absolute.size()), absolute.data(), nullptr);
    }
    if (length == 0 || length >= absolute.size()) {
      error.code = GetLastError();
      error.message = SystemMessage(error.code);
      return nullptr;
    }
    absolute.resize(length);
    file = absolute;
    flags |= LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR;
  }
  HMODULE library = LoadLibraryExW(file.c_str(), nullptr, flags);
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
