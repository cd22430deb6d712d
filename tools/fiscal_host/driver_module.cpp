#include "fiscal_host/driver_module.h"

#include <stdexcept>

#include "dodu_pt_10.h"

namespace dodu::host {

// The exports with the calling convention the public header gives them on this system.
struct DriverModule::Entries {
  void* library = nullptr;
  decltype(&OPEN) open = nullptr;
  decltype(&PROCESSRECEIPT) operations[5] = {};
  decltype(&SysAllocStringLen) alloc = nullptr;
  decltype(&SysFreeString) free = nullptr;
  decltype(&SysStringLen) length = nullptr;

  void* Symbol(const char* name) const {
    void* symbol = driver_library::Symbol(library, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("the driver library does not export ") + name);
    return symbol;
  }
};

DriverModule::DriverModule(const std::string& path) : fEntries(std::make_unique<Entries>()) {
  Entries& e = *fEntries;
  e.library = driver_library::Load(path);
  e.open = reinterpret_cast<decltype(e.open)>(e.Symbol("OPEN"));
  const char* const names[] = {"PROCESSRECEIPT", "PROCESSREPRINTRECEIPT", "PROCESSZREPORT", "PROCESSXREPORT",
                               "PROCESSGETSTATUS"};
  for (int i = 0; i < 5; ++i) e.operations[i] = reinterpret_cast<decltype(&PROCESSRECEIPT)>(e.Symbol(names[i]));
  const driver_library::OwnedStrings strings = driver_library::OwnedStringFunctions(e.library);
  const char* const string_names[] = {"SysAllocStringLen", "SysFreeString", "SysStringLen"};
  void* const functions[] = {strings.alloc, strings.free, strings.length};
  for (int i = 0; i < 3; ++i) {
    if (functions[i] == nullptr)
      throw std::runtime_error(std::string("the driver library does not export ") + string_names[i]);
  }
  e.alloc = reinterpret_cast<decltype(e.alloc)>(strings.alloc);
  e.free = reinterpret_cast<decltype(e.free)>(strings.free);
  e.length = reinterpret_cast<decltype(e.length)>(strings.length);
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
