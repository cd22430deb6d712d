#include "support/file_wait.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

namespace dodu::testing {

std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string WaitForFileContaining(const std::filesystem::path& file, const std::string& needle) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::string text;
  while (std::chrono::steady_clock::now() < deadline) {
    text = ReadWholeFile(file);
    if (text.find(needle) != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return text;
}

std::filesystem::path FindFile(const std::filesystem::path& directory, const std::string& prefix) {
  // The library creates its log files from a background thread: give them a moment to appear.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  do {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
      if (entry.is_regular_file() && entry.path().filename().string().rfind(prefix, 0) == 0) return entry.path();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);
  return {};
}

std::vector<std::string> FilesIn(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(directory, ignored))
    names.push_back(entry.path().filename().string());
  return names;
}

}  // namespace dodu::testing
