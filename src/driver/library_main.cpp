// Load and unload hooks of the shared library.
#include <cstdio>
#include <exception>

#include "base/application.h"
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

// Runs at dlclose and at process exit, before the library's own static objects are destroyed.
// Everything is released here in the order of use: the processors, then the database proxy
// (which closes its connection through the engine's dialect), then the application object and
// its log; last the shared log thread writes out what is queued and ends. Nothing static is left
// that refers to released objects. A Windows build must not join the log thread from DllMain
// (the loader lock): the thread ends by itself when idle, so it calls Stop only outside it.
__attribute__((destructor)) void OnLibraryUnload() {
  dodu::DropProcessorTables();
  dodu::ReleaseProcessDatabaseProxy();
  dodu::DestroyApplication();
  dodu::tQV_LogThread::Instance().Stop();
}

}  // namespace
