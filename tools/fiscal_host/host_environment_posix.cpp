#include "fiscal_host/host_environment.h"

#include <cstdlib>
#include <stdexcept>

namespace dodu::host {

std::optional<std::string> EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return value;
}

void SetEnvironmentValue(const char* name, const std::string& value) {
  if (setenv(name, value.c_str(), 1) != 0) throw std::runtime_error(std::string("cannot set ") + name);
}

}  // namespace dodu::host
