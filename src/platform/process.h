#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace dodu {

// Directory of the host executable, ending with a separator: $QV_HOST_DIR when set, else the
// directory of the running program.
std::string HostExecutableDirectory();
// The host executable's file name without directory and extension.
std::string HostExecutableBaseName();
std::string WorkingDirectory();  // ends with a separator

// The running program's file (from the system, whatever QV_HOST_DIR says).
std::string ExecutablePath();
// The host's command-line arguments after the program name, as the system gives them.
std::vector<std::string> SystemCommandLineArguments();
// The host's command-line arguments after the program name (or what a test put in their place).
std::vector<std::string> CommandLineArguments();
// Tests stand in for the host's command line; std::nullopt restores the real one.
void OverrideCommandLineArguments(std::optional<std::vector<std::string>> arguments);

std::string EnvironmentVariable(const char* name);  // "" when unset
std::string HostName();
std::string LoginName();
// The first non-loopback IPv4 address of the machine, else "127.0.0.1".
std::string LocalIPv4Address();

// The system's directory of machine-wide settings, ending with a separator: /etc/ on Linux, the
// Windows directory on Windows.
std::string SystemSettingsDirectory();
// The default root of the tills' fiscal data: /var/lib/QV_FPR_DB on Linux, C:\QV_FPR_DB on Windows.
std::string DefaultFiscalDataDirectory();

int CurrentProcessId();
// True only when no process has this id (a process of another user still counts as running).
bool ProcessIsGone(int pid);
// The moment the process began; false when the system cannot tell.
bool ProcessStartTime(int pid, std::time_t& started);

}  // namespace dodu
