#pragma once

#include <stdexcept>
#include <string>

namespace dodu {

// The one error type the system raises: a message for the caller, nothing more.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace dodu
