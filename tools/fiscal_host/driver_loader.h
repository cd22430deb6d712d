#pragma once

#include <cstdint>
#include <string>

#include "dodu_pt_10.h"

namespace dodu::host {

// The answer of one export, in UTF-8.
struct ExportAnswer {
  int32_t code = 0;    // 0 or -1, as the export returned it
  int32_t handle = 0;  // OPEN only
  std::string output;  // result XML; empty when the library returned none
  std::string error;   // error text; empty on success
  bool Succeeded() const { return code == 0; }
};

// DODU_PT_10 loaded by path with dlopen and called through its exported symbols, as a till
// loads it. The library stays loaded until the process ends: its processors live that long.
class DriverLibrary {
 public:
  // Raises std::runtime_error with dlopen's reason, or naming a missing export.
  explicit DriverLibrary(const std::string& path);
  DriverLibrary(const DriverLibrary&) = delete;
  DriverLibrary& operator=(const DriverLibrary&) = delete;

  ExportAnswer Open(const std::string& request);
  ExportAnswer ProcessReceipt(const std::string& request);
  ExportAnswer ProcessReprintReceipt(const std::string& request);
  ExportAnswer ProcessZReport(const std::string& request);
  ExportAnswer ProcessXReport(const std::string& request);
  ExportAnswer ProcessGetStatus(const std::string& request);

 private:
  using Operation = int32_t (*)(const BSTR, BSTR*, BSTR*);
  using OpenOperation = int32_t (*)(const BSTR, int32_t*, BSTR*);

  void* Symbol(const char* name) const;
  ExportAnswer Call(Operation operation, const std::string& request);
  BSTR NewString(const std::string& utf8) const;
  std::string TakeString(BSTR text) const;  // converts and releases

  void* fHandle = nullptr;
  OpenOperation fOpen = nullptr;
  Operation fReceipt = nullptr, fReprint = nullptr, fZReport = nullptr, fXReport = nullptr, fStatus = nullptr;
  decltype(&SysAllocStringLen) fAlloc = nullptr;
  decltype(&SysFreeString) fFree = nullptr;
  decltype(&SysStringLen) fLength = nullptr;
};

// The library to load: the path given on the command line, else $DODU_LIBRARY, else the one
// built with this program.
std::string ChooseLibraryPath(const std::string& option_value);

}  // namespace dodu::host
