#include "platform/dynamic_library.h"

#include "base/error.h"
#include "platform/shared_library.h"

namespace dodu {

DynamicLibrary::DynamicLibrary(const std::string& aName) : fName(aName) {
  SharedLibraryError error;
  fHandle = LoadSharedLibrary(aName, error);
  if (fHandle == nullptr) throw Error("Cannot load the library " + aName + ": " + error.message);
}

DynamicLibrary::~DynamicLibrary() { UnloadSharedLibrary(fHandle); }

void* DynamicLibrary::Symbol(const std::string& aName) const { return SharedLibrarySymbol(fHandle, aName); }

}  // namespace dodu
