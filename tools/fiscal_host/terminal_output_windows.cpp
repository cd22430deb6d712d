#include "fiscal_host/terminal_output.h"

#include <windows.h>

namespace dodu::host {

namespace {

bool OutputIsConsole(DWORD& mode) { return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0; }

}  // namespace

void PrepareTerminalOutput() {
  DWORD mode = 0;
  if (OutputIsConsole(mode)) SetConsoleOutputCP(CP_UTF8);
}

// A console obeys colour sequences only once asked to; older ones refuse.
bool OutputTerminalShowsColours() {
  DWORD mode = 0;
  if (!OutputIsConsole(mode)) return false;
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace dodu::host
