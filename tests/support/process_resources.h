#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "support/child_process.h"

namespace dodu::testing {

// What the test process holds now: its threads and its open file descriptors (on Windows its
// open handles of every kind).
struct ProcessResources {
  int threads = 0;
  int openFiles = 0;
  static ProcessResources Now();
  std::string Text() const;
};

// Whether `condition` holds within `limit`, looking again every few milliseconds.
bool Eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit);

// Runs one test of this test program in a new process (the program with --gtest_filter=test_name
// and the environment variable kChildTestVariable set, so that the test knows it is the child)
// and tells how it ended.
inline constexpr const char* kChildTestVariable = "DODU_CHILD_TEST";
ProcessExit RunTestInChildProcess(const std::string& test_name);

}  // namespace dodu::testing
