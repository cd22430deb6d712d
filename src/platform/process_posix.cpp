#include "platform/process.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include <cstdlib>
#include <fstream>
#include <mutex>

#include "platform/paths.h"

namespace dodu {

std::string ExecutablePath() {
  std::string buffer(4096, '\0');
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return std::string();
  buffer.resize(static_cast<size_t>(length));
  return buffer;
}

std::string WorkingDirectory() {
  std::string buffer(4096, '\0');
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return "./";
  buffer.resize(std::char_traits<char>::length(buffer.c_str()));
  return WithTrailingSeparator(buffer);
}

std::vector<std::string> SystemCommandLineArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::vector<std::string> arguments;
  std::string argument;
  bool first = true;
  while (std::getline(in, argument, '\0')) {
    if (!first) arguments.push_back(argument);
    first = false;
  }
  return arguments;
}

std::string EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string HostName() {
  char buffer[256] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return std::string();
  return buffer;
}

std::string LoginName() {
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::string buffer(16384, '\0');
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr)
    return found->pw_name;
  return std::string();
}

std::string LocalIPv4Address() {
  struct ifaddrs* list = nullptr;
  std::string result = "127.0.0.1";
  if (getifaddrs(&list) != 0) return result;
  for (struct ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    auto* address = reinterpret_cast<struct sockaddr_in*>(entry->ifa_addr);
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) == nullptr) continue;
    if (std::string(text).rfind("127.", 0) == 0) continue;
    result = text;
    break;
  }
  freeifaddrs(list);
  return result;
}

std::string SystemSettingsDirectory() { return "/etc/"; }

std::string DefaultFiscalDataDirectory() { return "/var/lib/QV_FPR_DB"; }

int CurrentProcessId() { return static_cast<int>(getpid()); }

bool ProcessIsGone(int pid) { return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

bool ProcessStartTime(int pid, std::time_t& started) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return false;
  std::istringstream fields(line.substr(close + 1));
  std::string field;
  unsigned long long start_ticks = 0;
  for (int index = 3; index <= 22 && fields >> field; ++index)
    if (index == 22) start_ticks = std::strtoull(field.c_str(), nullptr, 10);
  std::ifstream system_stat("/proc/stat");
  long long boot_time = -1;
  while (std::getline(system_stat, line))
    if (line.rfind("btime ", 0) == 0) boot_time = std::strtoll(line.c_str() + 6, nullptr, 10);
  const long ticks_per_second = sysconf(_SC_CLK_TCK);
  if (boot_time < 0 || ticks_per_second <= 0 || start_ticks == 0) return false;
  started = static_cast<std::time_t>(boot_time + static_cast<long long>(start_ticks / ticks_per_second));
  return true;
}

}  // namespace dodu
