#pragma once

#include <string>
#include <vector>

namespace dodu::host {

// The command line's arguments after the program name, in UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace dodu::host
