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

namespace {

// Whether Windows reads the name as a device: the part before the first dot, blanks at its end
// dropped, is CON, PRN, AUX, NUL, COM0-9, LPT0-9 (digits also as superscript 1, 2, 3), CONIN$ or
// CONOUT$, in any letter case.
bool IsDeviceName(std::string_view part) {
  std::string base(part.substr(0, part.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$")
    return true;
  if (base.size() < 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0)) return false;
  const std::string digit = base.substr(3);
  return (digit.size() == 1 && std::isdigit(static_cast<unsigned char>(digit[0]))) || digit == "\xC2\xB9" ||
         digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

}  // namespace

bool IsPlainFileName(std::string_view part) {
  try {
    CheckPathCharacters(part);
  } catch (const Error&) {
    return false;
  }
  // Names Windows would read otherwise are refused everywhere, so data stays portable: a colon
  // names a stream (or a drive), a device name opens the device, and trailing dots and blanks
  // are dropped (so "A." and "A" are one file).
  return !part.empty() && part != "." && part != ".." && part.find_first_of("/\\:") == std::string_view::npos &&
         part.back() != '.' && part.back() != ' ' && !IsDeviceName(part);
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
