#pragma once

#include <cstdint>
#include <string>

#include "dodu_pt_10.h"

namespace dodu::testing {

// The answer of one export, in UTF-8.
struct ExportResult {
  int32_t code = 0;
  std::string output;  // result XML (or the handle in decimal for OPEN)
  std::string error;
  bool outputWasNull = true;
  bool errorWasNull = true;
  int32_t handle = 0;  // OPEN only
};

// The built shared library, loaded with dlopen and called through its nine exported symbols, as
// a till does. Every output string is released with SysFreeString.
class DriverLibrary {
 public:
  // Loads the library built with this tree (or the path given); fails the test when it cannot.
  explicit DriverLibrary(const std::string& path = DODU_LIBRARY_PATH);
  ~DriverLibrary();
  DriverLibrary(const DriverLibrary&) = delete;
  DriverLibrary& operator=(const DriverLibrary&) = delete;

  ExportResult Open(const std::string& request);
  ExportResult ProcessReceipt(const std::string& request);
  ExportResult ProcessReprintReceipt(const std::string& request);
  ExportResult ProcessZReport(const std::string& request);
  ExportResult ProcessXReport(const std::string& request);
  ExportResult ProcessGetStatus(const std::string& request);

  BSTR NewString(const std::string& utf8);
  std::string ToUtf8(BSTR text);
  void Free(BSTR text);

  using Operation = int32_t (*)(const BSTR, BSTR*, BSTR*);
  using OpenOperation = int32_t (*)(const BSTR, int32_t*, BSTR*);
  void* Symbol(const char* name) const;
  // dlclose: true when the loader accepted it. The exports are gone afterwards.
  bool Unload();

 private:
  ExportResult Call(Operation operation, const std::string& request);

  void* fHandle = nullptr;
  OpenOperation fOpen = nullptr;
  Operation fReceipt = nullptr, fReprint = nullptr, fZ = nullptr, fX = nullptr, fStatus = nullptr;
  decltype(&SysAllocStringLen) fAlloc = nullptr;
  decltype(&SysFreeString) fFree = nullptr;
  decltype(&SysStringLen) fLength = nullptr;
};

// A request envelope for the driver "DODU_PT_10" with the given handle, till serial and
// document elements (inserted as they stand).
std::string Envelope(int32_t handle, const std::string& till_serial, const std::string& documents = "",
                     const std::string& driver = "DODU_PT_10");

}  // namespace dodu::testing
