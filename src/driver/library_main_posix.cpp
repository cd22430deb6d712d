// Load and unload hooks of the shared object.
#include "driver/library_main.h"

namespace {

__attribute__((constructor)) void OnLibraryLoad() { dodu::StartLibrary(); }

__attribute__((destructor)) void OnLibraryUnload() { dodu::StopLibrary(); }

}  // namespace
