// Starting and stopping the library's process-wide state; the system's load and unload hooks
// call these (library_main_posix.cpp, library_main_windows.cpp).
#include "driver/library_main.h"

#include <cstdio>
#include <exception>
#include <mutex>

#include "base/application.h"
#include "base/format_settings.h"
#include "base/log_writer.h"
#include "driver/processor_tables.h"

namespace dodu {
void RegisterPortugueseProcessor();
void ReleaseProcessDatabaseProxy();
}

namespace dodu {

void StartLibrary() {
  static std::once_flag started;
  // A failure here must not take the host down; the calls will report what is missing.
  std::call_once(started, [] {
    try {
      CreateApplication();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "DODU_PT_10: application object not created: %s\n", e.what());
    }
    try {
      GetProcessorTables();
      RegisterPortugueseProcessor();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "DODU_PT_10: driver not registered: %s\n", e.what());
    }
  });
}

// Runs at unload, before the library's static objects are destroyed, and at process exit,
// after them: so what it reaches is either released here, in the order of use (the processors,
// then the database proxy, which closes its connection through the engine's dialect, then the
// application object and its log, last the shared log thread, which writes out what is queued
// and ends), or built never to be destroyed (dialects, format settings, session registry, log
// thread). Windows never calls it: joining the log thread under the loader lock would deadlock,
// so the DLL stays loaded for the life of the process.
void StopLibrary() {
  DropProcessorTables();
  ReleaseProcessDatabaseProxy();
  DestroyApplication();
  tQV_LogThread::Instance().Stop();
  ReleaseFormatSettings();
}

}  // namespace dodu
