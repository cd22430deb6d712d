#pragma once

#include <filesystem>
#include <string>

#include "support/environment.h"
#include "support/temporary_directory.h"

namespace dodu::testing {

// A fresh directory for one test, removed with everything in it at the end.
class TempDirectory {
 public:
  TempDirectory() : path_(MakeTemporaryDirectory("dodu_test_").string()) {}
  ~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace dodu::testing
