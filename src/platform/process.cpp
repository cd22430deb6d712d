// The parts of the process layer that are the same on every system.
#include "platform/process.h"

#include <mutex>

#include "platform/paths.h"

namespace dodu {

namespace {

std::mutex g_arguments_mutex;
std::optional<std::vector<std::string>> g_argument_override;

}  // namespace

std::string HostExecutableDirectory() {
  const std::string overridden = EnvironmentVariable("QV_HOST_DIR");
  if (!overridden.empty()) return WithTrailingSeparator(overridden);
  return WithTrailingSeparator(DirectoryOf(ExecutablePath()));
}

std::string HostExecutableBaseName() { return WithoutExtension(FileNameOf(ExecutablePath())); }

std::vector<std::string> CommandLineArguments() {
  {
    std::lock_guard<std::mutex> lock(g_arguments_mutex);
    if (g_argument_override) return *g_argument_override;
  }
  return SystemCommandLineArguments();
}

void OverrideCommandLineArguments(std::optional<std::vector<std::string>> arguments) {
  std::lock_guard<std::mutex> lock(g_arguments_mutex);
  g_argument_override = std::move(arguments);
}

}  // namespace dodu
