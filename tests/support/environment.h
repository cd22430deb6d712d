#pragma once

#include <optional>
#include <string>

namespace dodu::testing {

// Sets or removes a variable of this process's environment, where both the C runtime and the
// system read it (on Windows they keep separate copies, and the library reads either).
void SetEnvironment(const std::string& name, const std::string& value);
void UnsetEnvironment(const std::string& name);
// The variable's value; nothing when it is unset.
std::optional<std::string> EnvironmentValue(const std::string& name);

// Sets an environment variable for the lifetime of the object, then restores it.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const std::string& name, const std::string& value)
      : fName(name), fPrevious(EnvironmentValue(name)) {
    SetEnvironment(name, value);
  }
  ~ScopedEnvironment() {
    if (fPrevious) SetEnvironment(fName, *fPrevious);
    else UnsetEnvironment(fName);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string fName;
  std::optional<std::string> fPrevious;
};

}  // namespace dodu::testing
