// Load and unload hooks of the shared library.
#include <cstdio>
#include <exception>

#include "base/application.h"
#include "driver/processor_tables.h"

namespace dodu {
void RegisterPortugueseProcessor();
}

namespace {

__attribute__((constructor)) void OnLibraryLoad() {
  // A failure here must not take the host down; the calls will report what is missing.
  try {
    dodu::CreateApplication();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "DODU_PT_10: application object not created: %s\n", e.what());
  }
  try {
    dodu::GetProcessorTables();
    dodu::RegisterPortugueseProcessor();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "DODU_PT_10: driver not registered: %s\n", e.what());
  }
}

__attribute__((destructor)) void OnLibraryUnload() {
  dodu::DropProcessorTables();
  dodu::DestroyApplication();
}

}  // namespace
