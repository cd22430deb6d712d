#include "support/process_resources.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

namespace dodu::testing {

namespace fs = std::filesystem;

namespace {

int EntriesIn(const char* directory) {
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

std::string ProcessResources::Text() const {
  return std::to_string(threads) + " thread(s), " + std::to_string(openFiles) + " open file(s)";
}

bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

int RunTestInChildProcess(const std::string& test_name) {
  const std::string program = fs::read_symlink("/proc/self/exe").string();
  const std::string filter = "--gtest_filter=" + test_name;
  pid_t child = fork();
  if (child == 0) {
    setenv(kChildTestVariable, "1", 1);
    execl(program.c_str(), program.c_str(), filter.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = -1;
  if (child > 0) waitpid(child, &status, 0);
  return status;
}

}  // namespace dodu::testing
