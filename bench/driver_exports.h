#pragma once

#include <cstdint>
#include <string>

#include "dodu_pt_10.h"

namespace dodu::bench {

// The driver library loaded with dlopen and called through its exports, as a till does.
// Every call raises std::runtime_error with the export's error text when it answers -1.
class DriverExports {
 public:
  explicit DriverExports(const std::string& aLibraryPath);
  DriverExports(const DriverExports&) = delete;
  DriverExports& operator=(const DriverExports&) = delete;

  int32_t Open(const std::string& aRequest);
  std::string ProcessReceipt(const std::string& aRequest) { return Call(fReceipt, "PROCESSRECEIPT", aRequest); }
  std::string ProcessReprintReceipt(const std::string& aRequest) {
    return Call(fReprint, "PROCESSREPRINTRECEIPT", aRequest);
  }
  std::string ProcessZReport(const std::string& aRequest) { return Call(fZ, "PROCESSZREPORT", aRequest); }
  std::string ProcessXReport(const std::string& aRequest) { return Call(fX, "PROCESSXREPORT", aRequest); }

 private:
  using Operation = int32_t (*)(const BSTR, BSTR*, BSTR*);
  using OpenOperation = int32_t (*)(const BSTR, int32_t*, BSTR*);

  void* Symbol(const char* aName) const;
  BSTR NewString(const std::string& aUtf8) const;
  std::string TakeString(BSTR aText) const;
  std::string Call(Operation aOperation, const char* aName, const std::string& aRequest);

  void* fHandle = nullptr;
  OpenOperation fOpen = nullptr;
  Operation fReceipt = nullptr, fReprint = nullptr, fZ = nullptr, fX = nullptr;
  decltype(&SysAllocStringLen) fAlloc = nullptr;
  decltype(&SysFreeString) fFree = nullptr;
  decltype(&SysStringLen) fLength = nullptr;
};

}  // namespace dodu::bench
