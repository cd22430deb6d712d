#include "platform/paths.h"

#include <cctype>

#include "base/error.h"

namespace dodu {

namespace {

bool IsSeparator(char c) { return std::string_view(kPathSeparators).find(c) != std::string_view::npos; }

}  // namespace

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
  if (!result.empty() && !IsSeparator(result.back())) result += kPathSeparator;
  result += second;
  return result;
}

std::string FileNameOf(std::string_view path) {
  size_t slash = path.find_last_of(kPathSeparators);
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string DirectoryOf(std::string_view path) {
  size_t slash = path.find_last_of(kPathSeparators);
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string WithoutExtension(std::string_view path) {
  size_t slash = path.find_last_of(kPathSeparators);
  size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return std::string(path);
  return std::string(path.substr(0, dot));
}

std::string WithTrailingSeparator(std::string_view directory) {
  std::string result(directory);
  if (result.empty() || !IsSeparator(result.back())) result += kPathSeparator;
  return result;
}

bool IsAbsolutePath(std::string_view path) {
  if (!path.empty() && IsSeparator(path.front())) return kPathSeparator == '/' || (path.size() > 1 && IsSeparator(path[1]));
  return kPathSeparator != '/' && path.size() > 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         IsSeparator(path[2]);
}

}  // namespace dodu
