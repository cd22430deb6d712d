#include "support/process_resources.h"

#include <windows.h>
#include <tlhelp32.h>

namespace dodu::testing {

namespace {

int ThreadsOfThisProcess() {
  const DWORD process = GetCurrentProcessId();
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == process) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

}  // namespace

ProcessResources ProcessResources::Now() {
  ProcessResources now;
  now.threads = ThreadsOfThisProcess();
  DWORD handles = 0;
  now.openFiles = GetProcessHandleCount(GetCurrentProcess(), &handles) ? static_cast<int>(handles) : -1;
  return now;
}

}  // namespace dodu::testing
