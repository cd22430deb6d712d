#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace dodu::testing {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDirectory {
 public:
  TempDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "dodu-db-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    fPath = pattern;
  }
  ~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(fPath, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& Path() const { return fPath; }
  std::string File(const std::string& name) const { return fPath + "/" + name; }

 private:
  std::string fPath;
};

}  // namespace dodu::testing
