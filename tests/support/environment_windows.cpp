#include "support/environment.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "base/text_encoding.h"

namespace dodu::testing {

namespace {

std::wstring Wide(const std::string& utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

}  // namespace

// The C runtime keeps its own copy of the environment, taken at start: a variable set only with
// SetEnvironmentVariableW is invisible to getenv, one set only with _wputenv_s to the system.
void SetEnvironment(const std::string& name, const std::string& value) {
  const std::wstring wide_name = Wide(name), wide_value = Wide(value);
  if (!SetEnvironmentVariableW(wide_name.c_str(), wide_value.c_str()) ||
      _wputenv_s(wide_name.c_str(), wide_value.c_str()) != 0)
    throw std::runtime_error("cannot set the environment variable " + name);
}

void UnsetEnvironment(const std::string& name) {
  const std::wstring wide_name = Wide(name);
  SetEnvironmentVariableW(wide_name.c_str(), nullptr);
  // An empty value removes the C runtime's copy.
  _wputenv_s(wide_name.c_str(), L"");
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
  const std::wstring wide_name = Wide(name);
  std::vector<wchar_t> value(256);
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    if (length < value.size()) return Utf16ToUtf8(std::u16string(value.begin(), value.begin() + length));
    value.resize(length);
  }
}

}  // namespace dodu::testing
