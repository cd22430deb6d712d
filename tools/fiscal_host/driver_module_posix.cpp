#include <dlfcn.h>

#include <stdexcept>

#include "fiscal_host/driver_module.h"

namespace dodu::host::driver_library {

void* Load(const std::string& path) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) throw std::runtime_error("cannot load the driver library: " + std::string(dlerror()));
  return library;
}

void* Symbol(void* library, const char* name) { return dlsym(library, name); }

// The library brings its own owned-string functions: this system has none.
OwnedStrings OwnedStringFunctions(void* library) {
  return {Symbol(library, "SysAllocStringLen"), Symbol(library, "SysFreeString"), Symbol(library, "SysStringLen")};
}

}  // namespace dodu::host::driver_library

