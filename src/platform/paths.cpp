#include "platform/paths.h"

#include "base/error.h"

namespace dodu {

void CheckPathCharacters(std::string_view part) {
  for (unsigned char c : part) {
    if (c < 0x20 || c == 0x7F || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*')
      throw Error("Invalid characters in path");
  }
}

bool IsPlainFileName(std::string_view part) {
  try {
    CheckPathCharacters(part);
  } catch (const Error&) {
    return false;
  }
  return !part.empty() && part != "." && part != ".." && part.find('/') == std::string_view::npos &&
         part.find('\\') == std::string_view::npos;
}

std::string JoinPath(std::string_view first, std::string_view second) {
  CheckPathCharacters(first);
  CheckPathCharacters(second);
  std::string result(first);
  if (!result.empty() && result.back() != kPathSeparator) result += kPathSeparator;
  result += second;
  return result;
}

std::string FileNameOf(std::string_view path) {
  size_t slash = path.find_last_of(kPathSeparator);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string DirectoryOf(std::string_view path) {
  size_t slash = path.find_last_of(kPathSeparator);
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string WithoutExtension(std::string_view path) {
  size_t slash = path.find_last_of(kPathSeparator);
  size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return std::string(path);
  return std::string(path.substr(0, dot));
}

std::string WithTrailingSeparator(std::string_view directory) {
  std::string result(directory);
  if (result.empty() || result.back() != kPathSeparator) result += kPathSeparator;
  return result;
}

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path.front() == kPathSeparator; }

}  // namespace dodu
