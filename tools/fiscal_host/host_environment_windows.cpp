#include "fiscal_host/host_environment.h"

#include <windows.h>

#include <stdexcept>
#include <stdlib.h>

#include "fiscal_host/windows_text.h"

namespace dodu::host {

std::optional<std::string> EnvironmentValue(const char* name) {
  const std::wstring wide_name = WideText(name);
  const DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
  value.resize(length < size ? length : 0);
  return NarrowText(value);
}

// The process block serves GetEnvironmentVariableW, the C runtime's copy serves getenv: the
// library may read either.
void SetEnvironmentValue(const char* name, const std::string& value) {
  const std::wstring wide_name = WideText(name);
  const std::wstring wide_value = WideText(value);
  if (!SetEnvironmentVariableW(wide_name.c_str(), wide_value.c_str()) ||
      _wputenv_s(wide_name.c_str(), wide_value.c_str()) != 0) {
    throw std::runtime_error(std::string("cannot set ") + name + ": " + SystemErrorText(GetLastError()));
  }
}

}  // namespace dodu::host
