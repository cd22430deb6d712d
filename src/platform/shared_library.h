#pragma once

#include <cstdint>
#include <string>

namespace dodu {

// A library loaded at run time: a shared object here, a DLL on Windows.
using SharedLibraryHandle = void*;

struct SharedLibraryError {
  std::string message;  // the system's own words
  uint32_t code = 0;    // the system's code; 126 where the loader gives none (see docs/decisions.md)
};

// Loads the library; null on failure, with the reason. A bare name is looked up with the
// system's rules for libraries (on Windows the application's and the system's directories only,
// never the working directory or PATH); a path is taken as given (made absolute on Windows).
SharedLibraryHandle LoadSharedLibrary(const std::string& name, SharedLibraryError& error);
// The address of an exported symbol; null when the library has none of that name. The name is
// given in UTF-8 and converted to the system's 8-bit code page where symbols use one.
void* SharedLibrarySymbol(SharedLibraryHandle library, const std::string& name);
void UnloadSharedLibrary(SharedLibraryHandle library);

}  // namespace dodu
