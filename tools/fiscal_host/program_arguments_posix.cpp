#include "fiscal_host/program_arguments.h"

namespace dodu::host {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace dodu::host
