#include "fiscal_host/program_arguments.h"

#include <windows.h>
#include <shellapi.h>

#include "fiscal_host/windows_text.h"

namespace dodu::host {

// argv is in the ANSI code page, which cannot hold every path: the wide command line can.
std::vector<std::string> ProgramArguments(int, char**) {
  int count = 0;
  wchar_t** list = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  for (int i = 1; list != nullptr && i < count; ++i) arguments.push_back(NarrowText(list[i]));
  if (list != nullptr) LocalFree(list);
  return arguments;
}

}  // namespace dodu::host
