#include "support/process_resources.h"

#include <thread>

#include "support/child_process.h"

namespace dodu::testing {

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

ProcessExit RunTestInChildProcess(const std::string& test_name) {
  ChildProcess child(ThisProgram(), {"--gtest_filter=" + test_name}, {{kChildTestVariable, "1"}});
  return child.Wait();
}

}  // namespace dodu::testing
