#pragma once

namespace dodu {

// Builds the application object and registers the processors, once per process; every export
// calls it first, so no work has to happen inside the system's load hook.
void StartLibrary();
// Releases what StartLibrary built and stops the log thread (at unload, where the system allows).
void StopLibrary();

}  // namespace dodu
