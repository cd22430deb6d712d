#include <windows.h>
#include <oleauto.h>

#include <filesystem>
#include <stdexcept>

#include "fiscal_host/driver_module.h"
#include "fiscal_host/windows_text.h"

namespace dodu::host::driver_library {

// Always by its absolute path, and the libraries it needs from its own directory and the
// system's, never from the working directory or PATH where anyone may have planted one.
void* Load(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(std::filesystem::path(WideText(path)), error);
  if (error) throw std::runtime_error("cannot load the driver library " + path + ": " + error.message());
  // The loader's search rules expect backslashes.
  const std::wstring file = absolute.lexically_normal().make_preferred().wstring();
  HMODULE module =
      LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (module == nullptr) {
    throw std::runtime_error("cannot load the driver library " + path + ": " + SystemErrorText(GetLastError()));
  }
  return module;
}

void* Symbol(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

// The owned strings are Windows' own, from oleaut32.
OwnedStrings OwnedStringFunctions(void*) {
  return {reinterpret_cast<void*>(&SysAllocStringLen), reinterpret_cast<void*>(&SysFreeString),
          reinterpret_cast<void*>(&SysStringLen)};
}

}  // namespace dodu::host::driver_library

namespace dodu::host {

// A till installs the driver beside its executable.
std::string DefaultDriverPath() {
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) throw std::runtime_error("cannot find this program's own file");
  buffer.resize(length);
  return NarrowText((std::filesystem::path(buffer).parent_path() / L"DODU_PT_10.dll").wstring());
}

}  // namespace dodu::host
