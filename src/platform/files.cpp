// The parts of file handling that are the same on every system.
#include "platform/files.h"

#include <cstring>
#include <filesystem>


namespace dodu {

namespace {

constexpr const char* kTemporaryMarker = ".tmp.";

// The process id in a temporary file's name (<target>.tmp.<pid>.<sequence>), or 0.
int WriterOfTemporary(const std::string& name) {
  const size_t marker = name.rfind(kTemporaryMarker);
  if (marker == std::string::npos) return 0;
  const std::string rest = name.substr(marker + std::strlen(kTemporaryMarker));
  const size_t dot = rest.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == rest.size()) return 0;
  if (rest.find_first_not_of("0123456789") != dot || rest.find_first_not_of("0123456789", dot + 1) != std::string::npos)
    return 0;
  try {
    return static_cast<int>(std::stol(rest.substr(0, dot)));
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace

std::string TemporaryFileNameFor(const std::string& path, int process_id, uint64_t sequence) {
  return path + kTemporaryMarker + std::to_string(process_id) + "." + std::to_string(sequence);
}

std::filesystem::path NativePath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::vector<std::string> ReadFileLines(const std::string& path) {
  std::string text = ReadFileText(path);
  std::vector<std::string> lines;
  // Settings files saved by Windows editors often begin with a UTF-8 byte order mark; it is not
  // part of the first line.
  size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

int RemoveStaleTemporaryFiles(const std::string& directory) {
  int removed = 0;
  std::error_code error;
  std::filesystem::recursive_directory_iterator entries(NativePath(directory), error);
  if (error) return 0;
  for (auto it = entries; it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (error) break;
    if (!it->is_regular_file(error)) continue;
    // Only a file nobody writes any more goes: a live writer (this process or another till's)
    // holds its file until it is in place. Process ids are no guide: after a reboot the id in
    // the name may belong to anyone.
    if (WriterOfTemporary(it->path().filename().string()) > 0 && RemoveIfAbandoned(PathText(it->path()))) ++removed;
  }
  return removed;
}

}  // namespace dodu
