// The DLL's entry point.
#include <windows.h>

#include "driver/library_main.h"

// The DLL pins itself at load: FreeLibrary then leaves it loaded, so its threads and OpenSSL's
// exit handler never run after its code is gone, and nothing is joined under the loader lock.
// The exports start the library at their first call (StartLibrary), outside this hook; each
// export's log lines are written by the time it returns, so nothing is lost at process exit.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(instance), &self);
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}
