#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include "base/error.h"

namespace dodu {

DynamicLibrary::DynamicLibrary(const std::string& aName) : fName(aName) {
  fHandle = dlopen(aName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (fHandle == nullptr) {
    const char* reason = dlerror();
    throw Error("Cannot load the library " + aName + ": " + (reason != nullptr ? reason : "unknown reason"));
  }
}

DynamicLibrary::~DynamicLibrary() { dlclose(fHandle); }

void* DynamicLibrary::Symbol(const std::string& aName) const {
  dlerror();
  return dlsym(fHandle, aName.c_str());
}

}  // namespace dodu
