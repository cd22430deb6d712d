#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "base/log_writer.h"
#include "driver/processor_tables.h"
#include "scripted_processor.h"

namespace dodu::testing {

// A temporary host directory (QV_HOST_DIR, where the processor logs go) and fiscal data
// directory (QV_FPR_DB), fresh driver and processor tables, and the scripted driver registered
// as "TEST_FP". Everything is put back and removed when the test ends.
class DriverWorld : public ::testing::Test {
 protected:
  static constexpr const char* kDriver = "TEST_FP";

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    root_ = std::filesystem::temp_directory_path() / ("dodu_drv_" + std::to_string(getpid()) + "_" + name);
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(HostDir());
    std::filesystem::create_directories(DataDir());
    SetEnvironment("QV_HOST_DIR", HostDir().string());
    SetEnvironment("QV_FPR_DB", DataDir().string());
    DropProcessorTables();
    RegisterScriptedDriver(kDriver, script_);
  }

  void TearDown() override {
    // Releases the processors; their log writers write out what is queued.
    DropProcessorTables();
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second) setenv(it->first.c_str(), it->second->c_str(), 1);
      else unsetenv(it->first.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

  void SetEnvironment(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old != nullptr ? std::optional<std::string>(old) : std::nullopt);
    setenv(name.c_str(), value.c_str(), 1);
  }

  std::filesystem::path HostDir() const { return root_ / "host"; }
  std::filesystem::path DataDir() const { return root_ / "fpr"; }
  std::filesystem::path ProcessorLogDir() const { return HostDir() / "LogFiles" / "FiscalPrinter"; }

  kFiscalProcessor* Processor(int32_t handle) const {
    auto& processors = GetProcessorTables().FiscalProcessors;
    auto found = processors.find(handle);
    return found != processors.end() ? found->second : nullptr;
  }

  // The processor's log as it stands once every queued line is written.
  static std::string LogOf(kFiscalProcessor& processor) {
    if (processor.IOHandler().Logger() == nullptr) return std::string();
    processor.IOHandler().Logger()->Flush();
    std::ifstream in(processor.IOHandler().GetLogFileName(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static size_t CountOf(const std::string& text, const std::string& needle) {
    size_t count = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++count;
    return count;
  }

  ProcessorScript script_;
  std::filesystem::path root_;

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace dodu::testing
