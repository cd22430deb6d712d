#pragma once

#include <cstdint>
#include <string>

#include "fiscal_host/driver_module.h"

namespace dodu::host {

// The answer of one export, in UTF-8.
struct ExportAnswer {
  int32_t code = 0;    // 0 or -1, as the export returned it
  int32_t handle = 0;  // OPEN only
  std::string output;  // result XML; empty when the library returned none
  std::string error;   // error text; empty on success
  bool Succeeded() const { return code == 0; }
};

// DODU_PT_10 loaded by path and called through its exports, as a till loads it. The library
// stays loaded until the process ends: its processors live that long.
class DriverLibrary {
 public:
  // Raises std::runtime_error with the loader's reason, or naming a missing export.
  explicit DriverLibrary(const std::string& path) : fModule(path) {}

  ExportAnswer Open(const std::string& request);
  ExportAnswer ProcessReceipt(const std::string& request);
  ExportAnswer ProcessReprintReceipt(const std::string& request);
  ExportAnswer ProcessZReport(const std::string& request);
  ExportAnswer ProcessXReport(const std::string& request);
  ExportAnswer ProcessGetStatus(const std::string& request);

 private:
  ExportAnswer Call(DriverModule::Operation operation, const std::string& request);
  DriverModule::Text NewString(const std::string& utf8) const;
  std::string TakeString(DriverModule::Text text) const;  // converts and releases

  DriverModule fModule;
};

// The library to load: the path given on the command line, else $DODU_LIBRARY, else the
// system's default (DefaultDriverPath).
std::string ChooseLibraryPath(const std::string& option_value);

}  // namespace dodu::host
