#include "fiscal_host/driver_module.h"

#include <dlfcn.h>

#include <stdexcept>

#include "dodu_pt_10.h"

namespace dodu::host {

struct DriverModule::Entries {
  using OpenExport = int32_t (*)(const BSTR, int32_t*, BSTR*);
  using OperationExport = int32_t (*)(const BSTR, BSTR*, BSTR*);

  void* handle = nullptr;
  OpenExport open = nullptr;
  OperationExport operations[5] = {};
  decltype(&SysAllocStringLen) alloc = nullptr;
  decltype(&SysFreeString) free = nullptr;
  decltype(&SysStringLen) length = nullptr;

  void* Symbol(const char* name) const {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("the driver library does not export ") + name);
    return symbol;
  }
};

DriverModule::DriverModule(const std::string& path) : fEntries(std::make_unique<Entries>()) {
  Entries& e = *fEntries;
  e.handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (e.handle == nullptr) throw std::runtime_error("cannot load the driver library: " + std::string(dlerror()));
  e.open = reinterpret_cast<Entries::OpenExport>(e.Symbol("OPEN"));
  const char* const names[] = {"PROCESSRECEIPT", "PROCESSREPRINTRECEIPT", "PROCESSZREPORT", "PROCESSXREPORT",
                               "PROCESSGETSTATUS"};
  for (int i = 0; i < 5; ++i) e.operations[i] = reinterpret_cast<Entries::OperationExport>(e.Symbol(names[i]));
  // The library brings its own owned-string functions: this system has none.
  e.alloc = reinterpret_cast<decltype(e.alloc)>(e.Symbol("SysAllocStringLen"));
  e.free = reinterpret_cast<decltype(e.free)>(e.Symbol("SysFreeString"));
  e.length = reinterpret_cast<decltype(e.length)>(e.Symbol("SysStringLen"));
}

DriverModule::~DriverModule() = default;

DriverModule::Text DriverModule::NewText(std::u16string_view units) const {
  return fEntries->alloc(reinterpret_cast<const OLECHAR*>(units.data()), static_cast<uint32_t>(units.size()));
}

std::u16string DriverModule::ReadText(Text text) const {
  const BSTR string = static_cast<BSTR>(text);
  return std::u16string(reinterpret_cast<const char16_t*>(string), fEntries->length(string));
}

void DriverModule::FreeText(Text text) const { fEntries->free(static_cast<BSTR>(text)); }

int32_t DriverModule::Open(Text request, int32_t* handle, Text* error) const {
  BSTR error_text = nullptr;
  const int32_t code = fEntries->open(static_cast<BSTR>(request), handle, &error_text);
  *error = error_text;
  return code;
}

int32_t DriverModule::Call(Operation operation, Text request, Text* output, Text* error) const {
  BSTR output_text = nullptr;
  BSTR error_text = nullptr;
  const int32_t code =
      fEntries->operations[static_cast<int>(operation)](static_cast<BSTR>(request), &output_text, &error_text);
  *output = output_text;
  *error = error_text;
  return code;
}

}  // namespace dodu::host
