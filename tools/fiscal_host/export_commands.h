#pragma once

#include <string>

#include "fiscal_host/work_directory.h"

namespace dodu::host {

// What every command that talks to the library needs.
struct HostContext {
  WorkDirectory directory;
  std::string libraryPath;
  std::string tillSerial;
};

// One export each: the till is opened first, then the returned XML goes to standard output, or
// the error text and code to standard error. Answer the exit status.
int RunOpen(const HostContext& context);
int RunReceipt(const HostContext& context, const std::string& file);
int RunVoid(const HostContext& context, const std::string& file);
int RunReprint(const HostContext& context, const std::string& file);
int RunXReport(const HostContext& context);
int RunZReport(const HostContext& context);
int RunStatus(const HostContext& context);

}  // namespace dodu::host
