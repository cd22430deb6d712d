#pragma once

#include <filesystem>
#include <string>

namespace dodu::testing {

// Creates a new, empty directory in the system's temporary directory, named prefix and a random
// part, and gives its path. Raises std::runtime_error when none can be made.
std::filesystem::path MakeTemporaryDirectory(const std::string& prefix);

}  // namespace dodu::testing
