#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "fiscal_host/driver_module.h"

namespace dodu::host {

// The build tree's tool names the library built beside it by its absolute path; the installed
// tool names it relative to its own directory, so an installed tree still works when it moves
// (another prefix, a package unpacked into a scratch root).
std::string DefaultDriverPath() {
  const std::filesystem::path library(DODU_FISCAL_HOST_LIBRARY);
  if (library.is_absolute()) return library.string();
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) throw std::runtime_error("cannot find this program's own file: " + error.message());
  return (self.parent_path() / library).lexically_normal().string();
}

}  // namespace dodu::host
