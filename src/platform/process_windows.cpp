#include "platform/process.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>
#include <shellapi.h>

#include <mutex>
#include <vector>

#include "platform/paths.h"
#include "platform/wide_text.h"

namespace dodu {

namespace {


class ScopedProcess {
 public:
  explicit ScopedProcess(int pid) : fHandle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(pid))) {}
  ~ScopedProcess() {
    if (fHandle != nullptr) CloseHandle(fHandle);
  }
  ScopedProcess(const ScopedProcess&) = delete;
  ScopedProcess& operator=(const ScopedProcess&) = delete;
  HANDLE Get() const { return fHandle; }

 private:
  HANDLE fHandle;
};

}  // namespace

std::string ExecutablePath() {
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return std::string();
  buffer.resize(length);
  return NarrowText(buffer);
}

std::string WorkingDirectory() {
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length == 0 || length >= buffer.size()) return ".\\";
  buffer.resize(length);
  return WithTrailingSeparator(NarrowText(buffer));
}

std::vector<std::string> SystemCommandLineArguments() {
  int count = 0;
  wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; list != nullptr && i < count; ++i) arguments.push_back(NarrowText(list[i]));
  if (list != nullptr) LocalFree(list);
  return arguments;
}

std::string EnvironmentVariable(const char* name) {
  const std::wstring wide_name = WideText(name);
  const DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0) return std::string();
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
  value.resize(length < size ? length : 0);
  return NarrowText(value);
}

std::string HostName() {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  if (!GetComputerNameW(buffer, &length)) return std::string();
  return NarrowText(std::wstring(buffer, length));
}

std::string LoginName() {
  wchar_t buffer[257] = {};
  DWORD length = 257;
  if (!GetUserNameW(buffer, &length) || length == 0) return std::string();
  return NarrowText(std::wstring(buffer, length - 1));
}

std::string LocalIPv4Address() {
  ULONG size = 16384;
  std::vector<unsigned char> buffer(size);
  auto* list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
  if (GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER, nullptr,
                           list, &size) == ERROR_BUFFER_OVERFLOW) {
    buffer.resize(size);
    list = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (GetAdaptersAddresses(AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
                             nullptr, list, &size) != NO_ERROR)
      return "127.0.0.1";
  }
  for (auto* adapter = list; adapter != nullptr; adapter = adapter->Next) {
    for (auto* unicast = adapter->FirstUnicastAddress; unicast != nullptr; unicast = unicast->Next) {
      const auto* address = reinterpret_cast<const sockaddr_in*>(unicast->Address.lpSockaddr);
      if (address->sin_family != AF_INET) continue;
      const unsigned long host = ntohl(address->sin_addr.s_addr);
      if ((host >> 24) == 127) continue;
      return std::to_string(host >> 24) + "." + std::to_string((host >> 16) & 255) + "." +
             std::to_string((host >> 8) & 255) + "." + std::to_string(host & 255);
    }
  }
  return "127.0.0.1";
}

std::string SystemSettingsDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  return WithTrailingSeparator(length > 0 && length <= MAX_PATH ? NarrowText(std::wstring(buffer, length)) : "C:\\Windows");
}

std::string DefaultFiscalDataDirectory() { return "C:\\QV_FPR_DB"; }

int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

bool ProcessIsGone(int pid) {
  ScopedProcess process(pid);
  if (process.Get() == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  DWORD code = 0;
  return GetExitCodeProcess(process.Get(), &code) && code != STILL_ACTIVE;
}

bool ProcessStartTime(int pid, std::time_t& started) {
  ScopedProcess process(pid);
  FILETIME creation{}, exit{}, kernel{}, user{};
  if (process.Get() == nullptr || !GetProcessTimes(process.Get(), &creation, &exit, &kernel, &user)) return false;
  const uint64_t ticks = (static_cast<uint64_t>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
  constexpr uint64_t kTicksPerSecond = 10000000;
  constexpr uint64_t kUnixEpochSeconds = 11644473600;  // from 1601-01-01
  started = static_cast<std::time_t>(ticks / kTicksPerSecond - kUnixEpochSeconds);
  return true;
}

}  // namespace dodu
