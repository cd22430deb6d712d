#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace dodu::testing {

// The text of a file once it contains `needle`, waiting up to a few seconds for log lines the
// library writes from its background thread; the text as it stands when the wait ends.
std::string WaitForFileContaining(const std::filesystem::path& file, const std::string& needle);
std::string ReadWholeFile(const std::filesystem::path& file);
// The names of the entries of a directory (none when it does not exist).
std::vector<std::string> FilesIn(const std::filesystem::path& directory);
// The regular file in a directory whose name starts with prefix, waiting up to a few seconds for
// it to appear ("" when none does).
std::filesystem::path FindFile(const std::filesystem::path& directory, const std::string& prefix);

}  // namespace dodu::testing
