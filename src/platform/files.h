#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dodu {

// Creates the directory and every missing parent, each private to the owner (0700 whatever the
// umask) and durable (its parent synced) before the call returns; false when it cannot.
bool ForceDirectories(const std::string& path);
bool FileExists(const std::string& path);       // a regular file
bool DirectoryExists(const std::string& path);
bool IsSymbolicLink(const std::string& path);   // a link (a reparse point on Windows), dangling or not
int64_t FileSize(const std::string& path);      // -1 when it cannot be read
bool RenameFile(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);
// The system's reason for the last failed call of this thread.
std::string LastSystemError();

// Raises with the system's reason when the file cannot be read.
std::string ReadFileText(const std::string& path);
// Lines without their CR LF or LF ends.
std::vector<std::string> ReadFileLines(const std::string& path);
// A file of the till's own (counters, check file): a symbolic link in its place is refused,
// never followed. Raises with the reason.
std::string ReadPrivateFileText(const std::string& path);
// Creates an empty file private to the owner (0600 whatever the umask) and durable; raises when
// it exists or cannot be made.
void CreatePrivateFile(const std::string& path);
// Writes a private temporary file beside the target, flushes it to disk, renames it over the
// target and syncs the directory, so readers see the old content or the new one and never a
// half-written file, and a power cut after the call leaves the new one. A symbolic link in the
// target's place is refused. Raises on failure.
void WriteFileAtomically(const std::string& path, std::string_view content);
// Removes, in the directory and below it, the temporary files of atomic writes whose writer is
// gone (killed mid-write, or before a reboot); answers how many went.
int RemoveStaleTemporaryFiles(const std::string& directory);
// Removes one temporary file of an atomic write unless its writer still holds it; true when it
// went.
bool RemoveIfAbandoned(const std::string& temporary);
// The name of an atomic write's temporary file: <target>.tmp.<process id>.<sequence>.
std::string TemporaryFileNameFor(const std::string& path, int process_id, uint64_t sequence);
// The most that name adds to the target's: ".tmp.", a signed 32-bit id, ".", a 64-bit sequence.
inline constexpr size_t kMaxTemporaryNameSuffixBytes = 5 + 11 + 1 + 20;
// Appends the data while holding a lock no other appender shares; false when the file cannot be
// opened (a symbolic link in its place is not), another writer holds it, or the write fails (a
// partial write is taken back). A file it creates is private to the owner.
bool AppendExclusively(const std::string& path, std::string_view data);

// A UTF-8 path as the standard library's path (Windows would read a plain string in its ANSI
// code page), and back.
std::filesystem::path NativePath(const std::string& utf8);
std::string PathText(const std::filesystem::path& path);

}  // namespace dodu
