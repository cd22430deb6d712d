#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace dodu::testing {

// A fiscal-host working directory on which the host's demo day was played: sales at 6, 13 and
// 23 % with discounts, an exempt line (M07), a sale to the customer PT123456789, a credit note
// returning part of it (referencing it), and a sale that is then voided. Made once per test
// program, removed when it ends.
struct PlayedDay {
  std::filesystem::path directory;
  std::string date;  // the day the documents carry, yyyy-mm-dd
};
const PlayedDay& ThePlayedDay();

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error
};
// Runs the fiscal-host of this build with the library of this build.
ToolRun RunFiscalHost(const std::vector<std::string>& arguments);

// Rows of a query on an SQLite file, each a map from column name to text ("" for null).
std::vector<std::map<std::string, std::string>> QueryStore(const std::filesystem::path& database,
                                                           const std::string& sql);

std::string ReadFileText(const std::filesystem::path& file);

// A temporary directory removed with the object.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& Path() const { return fPath; }

 private:
  std::filesystem::path fPath;
};

}  // namespace dodu::testing
