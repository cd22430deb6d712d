#pragma once

#include <optional>
#include <string>

namespace dodu::host {

// The process's environment in UTF-8; the library loaded into this process reads the same one.
// Nothing when the variable is not set.
std::optional<std::string> EnvironmentValue(const char* name);
// Raises when the variable cannot be set.
void SetEnvironmentValue(const char* name, const std::string& value);

}  // namespace dodu::host
