#include "support/driver_library.h"

#define WIN32_LEAN_AND_MEAN  // the system's OLE string types would clash with the library header's
#include <windows.h>

#include <gtest/gtest.h>

#include "base/text_encoding.h"

namespace dodu::testing {

namespace {

std::string SystemError() { return "error " + std::to_string(GetLastError()); }

// The address of a function of a module, as a plain pointer (GetProcAddress gives a function
// pointer of no particular type).
void* FunctionOf(HMODULE module, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(module, name));
}

}  // namespace

// The strings are the system's: a till hands the library strings made by oleaut32 and releases
// the ones it gets back there. oleaut32 stays loaded for the life of the process.
bool DriverLibrary::Load(const std::string& path) {
  const std::u16string units = Utf8ToUtf16(path);
  fHandle = LoadLibraryW(std::wstring(units.begin(), units.end()).c_str());
  if (fHandle == nullptr) {
    ADD_FAILURE() << "LoadLibraryW(" << path << "): " << SystemError();
    return false;
  }
  const HMODULE strings = LoadLibraryW(L"oleaut32.dll");
  if (strings == nullptr) {
    ADD_FAILURE() << "LoadLibraryW(oleaut32.dll): " << SystemError();
    return false;
  }
  fAlloc = reinterpret_cast<AllocString>(FunctionOf(strings, "SysAllocStringLen"));
  fFree = reinterpret_cast<FreeString>(FunctionOf(strings, "SysFreeString"));
  fLength = reinterpret_cast<StringLength>(FunctionOf(strings, "SysStringLen"));
  if (fAlloc == nullptr || fFree == nullptr || fLength == nullptr) {
    ADD_FAILURE() << "oleaut32.dll lacks the string functions";
    return false;
  }
  return true;
}

bool DriverLibrary::Unload() {
  if (fHandle == nullptr) return false;
  const bool closed = FreeLibrary(static_cast<HMODULE>(fHandle)) != 0;
  fHandle = nullptr;
  fOpen = nullptr;
  fReceipt = fReprint = fZ = fX = fStatus = nullptr;
  return closed;
}

void* DriverLibrary::Symbol(const char* name) const {
  void* symbol = fHandle != nullptr ? FunctionOf(static_cast<HMODULE>(fHandle), name) : nullptr;
  if (symbol == nullptr) ADD_FAILURE() << "export " << name << " not found";
  return symbol;
}

}  // namespace dodu::testing
