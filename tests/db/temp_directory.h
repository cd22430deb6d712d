#pragma once

#include <filesystem>
#include <string>

#include "support/temporary_directory.h"

namespace dodu::testing {

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDirectory {
 public:
  TempDirectory() : fPath(MakeTemporaryDirectory("dodu-db-").string()) {}
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
