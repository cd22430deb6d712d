#include "support/driver_library.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

namespace dodu::testing {

// The library brings its own string functions.
bool DriverLibrary::Load(const std::string& path) {
  fHandle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (fHandle == nullptr) {
    ADD_FAILURE() << "dlopen(" << path << "): " << dlerror();
    return false;
  }
  fAlloc = reinterpret_cast<AllocString>(Symbol("SysAllocStringLen"));
  fFree = reinterpret_cast<FreeString>(Symbol("SysFreeString"));
  fLength = reinterpret_cast<StringLength>(Symbol("SysStringLen"));
  return true;
}

bool DriverLibrary::Unload() {
  if (fHandle == nullptr) return false;
  const bool closed = dlclose(fHandle) == 0;
  fHandle = nullptr;
  fOpen = nullptr;
  fReceipt = fReprint = fZ = fX = fStatus = nullptr;
  return closed;
}

void* DriverLibrary::Symbol(const char* name) const {
  void* symbol = fHandle != nullptr ? dlsym(fHandle, name) : nullptr;
  if (symbol == nullptr) ADD_FAILURE() << "symbol " << name << " not found";
  return symbol;
}

}  // namespace dodu::testing
