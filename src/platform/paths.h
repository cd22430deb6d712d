#pragma once

#include <string>
#include <string_view>

namespace dodu {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
// Windows takes both; names are split at either.
constexpr const char* kPathSeparators = "\\/";
#else
constexpr char kPathSeparator = '/';
constexpr const char* kPathSeparators = "/";
#endif

// Raises "Invalid characters in path" for control characters and < > " | ? *, which keeps data
// directories portable between platforms.
void CheckPathCharacters(std::string_view part);
// Whether the part is one plain name: valid characters, no separator, not "." or "..".
bool IsPlainFileName(std::string_view part);
// Joins with one separator unless the first part already ends with one; checks both parts.
std::string JoinPath(std::string_view first, std::string_view second);
// The last component ("a/b/c.log" gives "c.log").
std::string FileNameOf(std::string_view path);
// Everything up to and including the last separator ("a/b/c.log" gives "a/b/"); "" without one.
std::string DirectoryOf(std::string_view path);
// The name without its last extension ("a/b/c.log" gives "a/b/c").
std::string WithoutExtension(std::string_view path);
std::string WithTrailingSeparator(std::string_view directory);
// "/x" on Linux; "C:\\x", "C:/x" or "\\\\server\\share" on Windows.
bool IsAbsolutePath(std::string_view path);

}  // namespace dodu
