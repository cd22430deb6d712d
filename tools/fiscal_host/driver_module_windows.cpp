#include "fiscal_host/driver_module.h"

#include <windows.h>
#include <oleauto.h>

#include <filesystem>
#include <stdexcept>

#include "fiscal_host/windows_text.h"

namespace dodu::host {

// The exports are stdcall; the owned strings are Windows' own, from oleaut32.
struct DriverModule::Entries {
  using OpenExport = int32_t(__stdcall*)(BSTR, int32_t*, BSTR*);
  using OperationExport = int32_t(__stdcall*)(BSTR, BSTR*, BSTR*);

  HMODULE module = nullptr;
  OpenExport open = nullptr;
  OperationExport operations[5] = {};

  void* Symbol(const char* name) const {
    void* symbol = reinterpret_cast<void*>(GetProcAddress(module, name));
    if (symbol == nullptr) throw std::runtime_error(std::string("the driver library does not export ") + name);
    return symbol;
  }
};

DriverModule::DriverModule(const std::string& path) : fEntries(std::make_unique<Entries>()) {
  Entries& e = *fEntries;
  // The loader's search rules expect backslashes.
  const std::wstring file = std::filesystem::path(WideText(path)).make_preferred().wstring();
  e.module = LoadLibraryW(file.c_str());
  if (e.module == nullptr) {
    throw std::runtime_error("cannot load the driver library " + path + ": " + SystemErrorText(GetLastError()));
  }
  e.open = reinterpret_cast<Entries::OpenExport>(e.Symbol("OPEN"));
  const char* const names[] = {"PROCESSRECEIPT", "PROCESSREPRINTRECEIPT", "PROCESSZREPORT", "PROCESSXREPORT",
                               "PROCESSGETSTATUS"};
  for (int i = 0; i < 5; ++i) e.operations[i] = reinterpret_cast<Entries::OperationExport>(e.Symbol(names[i]));
}

DriverModule::~DriverModule() = default;

DriverModule::Text DriverModule::NewText(std::u16string_view units) const {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(units.data()), static_cast<UINT>(units.size()));
}

std::u16string DriverModule::ReadText(Text text) const {
  const BSTR string = static_cast<BSTR>(text);
  return std::u16string(reinterpret_cast<const char16_t*>(string), SysStringLen(string));
}

void DriverModule::FreeText(Text text) const { SysFreeString(static_cast<BSTR>(text)); }

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

// A till installs the driver beside its executable.
std::string DefaultDriverPath() {
  std::wstring buffer(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length == 0 || length >= buffer.size()) throw std::runtime_error("cannot find this program's own file");
  buffer.resize(length);
  return NarrowText((std::filesystem::path(buffer).parent_path() / L"DODU_PT_10.dll").wstring());
}

}  // namespace dodu::host
