// Load and unload hooks of the shared library.
#include <cstdio>
#include <exception>

#include "base/application.h"
#include "base/format_settings.h"
#include "base/log_writer.h"
#include "driver/processor_tables.h"

namespace dodu {
void RegisterPortugueseProcessor();
void ReleaseProcessDatabaseProxy();
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

// Runs at dlclose, before the library's static objects are destroyed, and at process exit,
// after them: so what it reaches is either released here, in the order of use (the processors,
// then the database proxy, which closes its connection through the engine's dialect, then the
// application object and its log, last the shared log thread, which writes out what is queued
// and ends), or built never to be destroyed (dialects, format settings, session registry, log
// thread). A Windows build must not join the log thread from DllMain (the loader lock): the
// thread ends by itself when idle, and Stop belongs to an explicit shutdown outside DllMain.
__attribute__((destructor)) void OnLibraryUnload() {
  dodu::DropProcessorTables();
  dodu::ReleaseProcessDatabaseProxy();
  dodu::DestroyApplication();
  dodu::tQV_LogThread::Instance().Stop();
  dodu::ReleaseFormatSettings();
}

}  // namespace
