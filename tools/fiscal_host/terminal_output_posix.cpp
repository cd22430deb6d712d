#include "fiscal_host/terminal_output.h"

#include <unistd.h>

namespace dodu::host {

void PrepareTerminalOutput() {}

bool OutputTerminalShowsColours() { return isatty(STDOUT_FILENO) != 0; }

}  // namespace dodu::host
