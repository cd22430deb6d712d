#include "driver_exports.h"

#include <dlfcn.h>

#include <stdexcept>

#include "base/text_encoding.h"

namespace dodu::bench {

// The library stays loaded for the life of the process, as in a till.
DriverExports::DriverExports(const std::string& aLibraryPath) {
  fHandle = dlopen(aLibraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (fHandle == nullptr) throw std::runtime_error("dlopen(" + aLibraryPath + "): " + dlerror());
  fOpen = reinterpret_cast<OpenOperation>(Symbol("OPEN"));
  fReceipt = reinterpret_cast<Operation>(Symbol("PROCESSRECEIPT"));
  fReprint = reinterpret_cast<Operation>(Symbol("PROCESSREPRINTRECEIPT"));
  fZ = reinterpret_cast<Operation>(Symbol("PROCESSZREPORT"));
  fX = reinterpret_cast<Operation>(Symbol("PROCESSXREPORT"));
  fAlloc = reinterpret_cast<decltype(fAlloc)>(Symbol("SysAllocStringLen"));
  fFree = reinterpret_cast<decltype(fFree)>(Symbol("SysFreeString"));
  fLength = reinterpret_cast<decltype(fLength)>(Symbol("SysStringLen"));
}

void* DriverExports::Symbol(const char* aName) const {
  void* symbol = dlsym(fHandle, aName);
  if (symbol == nullptr) throw std::runtime_error(std::string("symbol ") + aName + " not found");
  return symbol;
}

BSTR DriverExports::NewString(const std::string& aUtf8) const {
  std::u16string units = Utf8ToUtf16(aUtf8);
  return fAlloc(reinterpret_cast<const OLECHAR*>(units.data()), static_cast<uint32_t>(units.size()));
}

std::string DriverExports::TakeString(BSTR aText) const {
  if (aText == nullptr) return std::string();
  std::string text = Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(aText), fLength(aText)));
  fFree(aText);
  return text;
}

int32_t DriverExports::Open(const std::string& aRequest) {
  BSTR input = NewString(aRequest);
  BSTR error = nullptr;
  int32_t handle = 0;
  const int32_t code = fOpen(input, &handle, &error);
  fFree(input);
  const std::string message = TakeString(error);
  if (code != 0) throw std::runtime_error("OPEN failed: " + message);
  return handle;
}

std::string DriverExports::Call(Operation aOperation, const char* aName, const std::string& aRequest) {
  BSTR input = NewString(aRequest);
  BSTR output = nullptr;
  BSTR error = nullptr;
  const int32_t code = aOperation(input, &output, &error);
  fFree(input);
  std::string result = TakeString(output);
  const std::string message = TakeString(error);
  if (code != 0) throw std::runtime_error(std::string(aName) + " failed: " + message);
  return result;
}

}  // namespace dodu::bench
