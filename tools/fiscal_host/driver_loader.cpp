#include "fiscal_host/driver_loader.h"

#include <dlfcn.h>

#include <cstdlib>
#include <stdexcept>

#include "base/text_encoding.h"

namespace dodu::host {

DriverLibrary::DriverLibrary(const std::string& path) {
  fHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (fHandle == nullptr) throw std::runtime_error("cannot load the driver library: " + std::string(dlerror()));
  fOpen = reinterpret_cast<OpenOperation>(Symbol("OPEN"));
  fReceipt = reinterpret_cast<Operation>(Symbol("PROCESSRECEIPT"));
  fReprint = reinterpret_cast<Operation>(Symbol("PROCESSREPRINTRECEIPT"));
  fZReport = reinterpret_cast<Operation>(Symbol("PROCESSZREPORT"));
  fXReport = reinterpret_cast<Operation>(Symbol("PROCESSXREPORT"));
  fStatus = reinterpret_cast<Operation>(Symbol("PROCESSGETSTATUS"));
  fAlloc = reinterpret_cast<decltype(fAlloc)>(Symbol("SysAllocStringLen"));
  fFree = reinterpret_cast<decltype(fFree)>(Symbol("SysFreeString"));
  fLength = reinterpret_cast<decltype(fLength)>(Symbol("SysStringLen"));
}

void* DriverLibrary::Symbol(const char* name) const {
  void* symbol = dlsym(fHandle, name);
  if (symbol == nullptr) throw std::runtime_error(std::string("the driver library does not export ") + name);
  return symbol;
}

BSTR DriverLibrary::NewString(const std::string& utf8) const {
  const std::u16string units = Utf8ToUtf16(utf8);
  BSTR text = fAlloc(reinterpret_cast<const OLECHAR*>(units.data()), static_cast<uint32_t>(units.size()));
  if (text == nullptr) throw std::runtime_error("the driver library could not allocate a string");
  return text;
}

std::string DriverLibrary::TakeString(BSTR text) const {
  if (text == nullptr) return {};
  std::string utf8 = Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), fLength(text)));
  fFree(text);
  return utf8;
}

namespace {

// The request string is ours; the library only reads it.
struct RequestString {
  BSTR text;
  decltype(&SysFreeString) free;
  ~RequestString() { free(text); }
};

}  // namespace

ExportAnswer DriverLibrary::Call(Operation operation, const std::string& request) {
  RequestString input{NewString(request), fFree};
  BSTR output = nullptr;
  BSTR error = nullptr;
  ExportAnswer answer;
  answer.code = operation(input.text, &output, &error);
  answer.output = TakeString(output);
  answer.error = TakeString(error);
  return answer;
}

ExportAnswer DriverLibrary::Open(const std::string& request) {
  RequestString input{NewString(request), fFree};
  BSTR error = nullptr;
  ExportAnswer answer;
  answer.code = fOpen(input.text, &answer.handle, &error);
  answer.output = std::to_string(answer.handle);
  answer.error = TakeString(error);
  return answer;
}

ExportAnswer DriverLibrary::ProcessReceipt(const std::string& request) { return Call(fReceipt, request); }
ExportAnswer DriverLibrary::ProcessReprintReceipt(const std::string& request) { return Call(fReprint, request); }
ExportAnswer DriverLibrary::ProcessZReport(const std::string& request) { return Call(fZReport, request); }
ExportAnswer DriverLibrary::ProcessXReport(const std::string& request) { return Call(fXReport, request); }
ExportAnswer DriverLibrary::ProcessGetStatus(const std::string& request) { return Call(fStatus, request); }

std::string ChooseLibraryPath(const std::string& option_value) {
  if (!option_value.empty()) return option_value;
  const char* from_environment = std::getenv("DODU_LIBRARY");
  if (from_environment != nullptr && *from_environment != '\0') return from_environment;
  return DODU_FISCAL_HOST_LIBRARY;
}

}  // namespace dodu::host
