#include <dlfcn.h>

#include "platform/shared_library.h"

namespace dodu {

namespace {

// dlopen reports no number; Windows' "module not found" keeps callers' checks the same on both.
constexpr uint32_t kLoaderFailure = 126;

}  // namespace

SharedLibraryHandle LoadSharedLibrary(const std::string& name, SharedLibraryError& error) {
  if (name.empty()) {
    // dlopen would answer with the program itself.
    error.message = "No library name given";
    error.code = kLoaderFailure;
    return nullptr;
  }
  void* library = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char* reason = dlerror();
    error.message = reason != nullptr ? reason : "the loader gave no reason";
    error.code = kLoaderFailure;
  }
  return library;
}

// Symbol names here are bytes; UTF-8 is taken as it stands.
void* SharedLibrarySymbol(SharedLibraryHandle library, const std::string& name) {
  dlerror();
  return dlsym(library, name.c_str());
}

void UnloadSharedLibrary(SharedLibraryHandle library) { dlclose(library); }

}  // namespace dodu
