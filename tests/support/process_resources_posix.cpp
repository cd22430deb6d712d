#include "support/process_resources.h"

#include <filesystem>

namespace dodu::testing {

namespace {

int EntriesIn(const char* directory) {
  namespace fs = std::filesystem;
  int count = 0;
  std::error_code ignored;
  for (auto it = fs::directory_iterator(directory, ignored); it != fs::directory_iterator(); it.increment(ignored))
    ++count;
  return count;
}

}  // namespace

ProcessResources ProcessResources::Now() {
  ProcessResources now;
  now.threads = EntriesIn("/proc/self/task");
  // The iterator's own descriptor is among them, each time alike.
  now.openFiles = EntriesIn("/proc/self/fd");
  return now;
}

}  // namespace dodu::testing
