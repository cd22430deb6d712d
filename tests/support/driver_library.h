#pragma once

#include <cstdint>
#include <string>

#include "dodu_pt_10.h"

// The calling convention of the exports and of the system's string functions: __stdcall on
// Windows (where x86-64 has only one), the plain C one elsewhere.
#if defined(DODU_CALL)
#define DODU_TEST_CALL DODU_CALL
#elif defined(_WIN32)
#define DODU_TEST_CALL __stdcall
#else
#define DODU_TEST_CALL
#endif

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

// The built library, loaded at run time and called through its six exports, as a till does.
// Strings are made and released with SysAllocStringLen and SysFreeString: the library's own on
// Linux, the system's (oleaut32) on Windows. Every output string is released.
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
  // SysStringLen: the length in UTF-16 units.
  uint32_t Length(BSTR text);
  void Free(BSTR text);

  using Operation = int32_t(DODU_TEST_CALL*)(const BSTR, BSTR*, BSTR*);
  using OpenOperation = int32_t(DODU_TEST_CALL*)(const BSTR, int32_t*, BSTR*);
  // An exported function of the library (a test failure when it has none of that name).
  void* Symbol(const char* name) const;
  // Unloads the library: true when the loader accepted it. The exports are gone afterwards.
  bool Unload();

 private:
  using AllocString = BSTR(DODU_TEST_CALL*)(const OLECHAR*, uint32_t);
  using FreeString = void(DODU_TEST_CALL*)(BSTR);
  using StringLength = uint32_t(DODU_TEST_CALL*)(BSTR);

  // Loads the library and finds the string functions; false, with a test failure, when it cannot.
  bool Load(const std::string& path);
  ExportResult Call(Operation operation, const std::string& request);

  void* fHandle = nullptr;
  OpenOperation fOpen = nullptr;
  Operation fReceipt = nullptr, fReprint = nullptr, fZ = nullptr, fX = nullptr, fStatus = nullptr;
  AllocString fAlloc = nullptr;
  FreeString fFree = nullptr;
  StringLength fLength = nullptr;
};

// A request envelope for the driver "DODU_PT_10" with the given handle, till serial and
// document elements (inserted as they stand).
std::string Envelope(int32_t handle, const std::string& till_serial, const std::string& documents = "",
                     const std::string& driver = "DODU_PT_10");

}  // namespace dodu::testing
