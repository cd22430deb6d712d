#include "platform/files.h"

#include <windows.h>
#undef DeleteFile  // the Win32 macro would rename the function of files.h

#include <algorithm>
#include <atomic>
#include <vector>

#include "base/error.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/wide_text.h"

namespace dodu {

namespace {

std::string ReasonFor(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  return text.empty() ? "system error " + std::to_string(code) : NarrowText(text);
}

// Owns a file handle for the length of one operation.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : fHandle(handle) {}
  ~ScopedHandle() {
    if (Valid()) CloseHandle(fHandle);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  bool Valid() const { return fHandle != INVALID_HANDLE_VALUE && fHandle != nullptr; }
  HANDLE Get() const { return fHandle; }
  bool Close() {
    const bool closed = CloseHandle(fHandle) != 0;
    fHandle = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE fHandle;
};

bool WriteAll(HANDLE file, std::string_view data) {
  size_t written = 0;
  while (written < data.size()) {
    DWORD chunk = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(data.size() - written, 1u << 30));
    if (!WriteFile(file, data.data() + written, wanted, &chunk, nullptr) || chunk == 0) return false;
    written += chunk;
  }
  return true;
}

DWORD Attributes(const std::string& path) { return GetFileAttributesW(WideText(path).c_str()); }

bool IsReparsePoint(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Flushes the directory itself, which writes its entries (names created, renamed or removed in
// it) to disk. A directory handle needs FILE_FLAG_BACKUP_SEMANTICS; a file system that cannot
// flush one (FAT answers ERROR_INVALID_FUNCTION) keeps its names some other way.
bool FlushDirectory(const std::string& directory) {
  ScopedHandle handle(CreateFileW(WideText(directory.empty() ? std::string(".") : directory).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.Valid()) return false;
  if (FlushFileBuffers(handle.Get())) return true;
  const DWORD error = GetLastError();
  if (error == ERROR_INVALID_FUNCTION || error == ERROR_INVALID_PARAMETER) return true;
  SetLastError(error);
  return false;
}

bool FlushDirectoryOf(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return FlushDirectory(DirectoryOf(path));
}

// Renames the open file (opened with DELETE access) over the target, keeping it open: nobody can
// take it away between its last write and its rename.
bool RenameOpenFile(HANDLE file, const std::string& target) {
  const std::wstring wide_target = WideText(target);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + wide_target.size() * sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<DWORD>(wide_target.size() * sizeof(wchar_t));
  std::copy(wide_target.begin(), wide_target.end(), info->FileName);
  return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}

}  // namespace

std::string LastSystemError() { return ReasonFor(GetLastError()); }

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find_first_of(kPathSeparators, start);
    if (slash == std::string::npos) slash = path.size();
    const std::string partial = path.substr(0, slash);
    // "C:" and the empty start of "\\server" are no directories to make.
    if (!partial.empty() && partial.back() != ':' && !DirectoryExists(partial)) {
      if (CreateDirectoryW(WideText(partial).c_str(), nullptr)) {
        // The new name is on disk before anything is put in the directory.
        if (!FlushDirectoryOf(partial)) return false;
      } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
        return false;
      }
    }
    start = slash + 1;
  }
  return DirectoryExists(path);
}

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsSymbolicLink(const std::string& path) { return IsReparsePoint(path); }

int64_t FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(WideText(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    return -1;
  return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return MoveFileExW(WideText(from).c_str(), WideText(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool DeleteFile(const std::string& path) { return DeleteFileW(WideText(path).c_str()) != 0; }

std::string ReadFileText(const std::string& path) {
  ScopedHandle file(CreateFileW(WideText(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) throw Error("Cannot open file " + path + ": " + LastSystemError());
  std::string content;
  char buffer[65536];
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr))
      throw Error("Cannot read file " + path + ": " + LastSystemError());
    if (read == 0) break;
    content.append(buffer, read);
  }
  return content;
}

std::string ReadPrivateFileText(const std::string& path) {
  if (IsReparsePoint(path)) throw Error("Cannot open file " + path + ": it is a symbolic link");
  return ReadFileText(path);
}

void CreatePrivateFile(const std::string& path) {
  ScopedHandle file(CreateFileW(WideText(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid() || !FlushFileBuffers(file.Get()) || !FlushDirectoryOf(path))
    throw Error("Cannot create file " + path + ": " + LastSystemError());
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  if (IsReparsePoint(path)) throw Error("Cannot write file " + path + ": it is a symbolic link");
  // Unique per process and per call, so two threads writing the same file never share one.
  static std::atomic<uint64_t> sequence{0};
  std::string temporary;
  std::wstring wide_temporary;
  HANDLE raw = INVALID_HANDLE_VALUE;
  // Opened without sharing and kept open until it is in place: while its writer lives nobody
  // can delete it; once the writer is gone (killed, or before a reboot) anybody can
  // (RemoveStaleTemporaryFiles), whatever process ids mean since.
  for (int attempt = 0; raw == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporaryFileNameFor(path, CurrentProcessId(), ++sequence);
    wide_temporary = WideText(temporary);
    raw = CreateFileW(wide_temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
    // A name left by a dead process of the same id (after a reboot) is skipped.
    if (raw == INVALID_HANDLE_VALUE && (GetLastError() != ERROR_FILE_EXISTS || attempt >= 100))
      throw Error("Cannot write file " + path + ": " + LastSystemError());
  }
  ScopedHandle file(raw);
  auto fail = [&](const std::string& reason) {
    file.Close();
    DeleteFileW(wide_temporary.c_str());
    throw Error("Cannot write file " + path + ": " + reason);
  };
  if (!WriteAll(file.Get(), content) || !FlushFileBuffers(file.Get())) fail(LastSystemError());
  if (!RenameOpenFile(file.Get(), path)) fail(LastSystemError());
  // The rename is durable once the directory's entries are flushed.
  if (!FlushDirectoryOf(path)) throw Error("Cannot write file " + path + ": " + LastSystemError());
  if (!file.Close()) throw Error("Cannot write file " + path + ": " + LastSystemError());
}

bool RemoveIfAbandoned(const std::string& temporary) {
  // A live writer holds its file without sharing: the delete fails with a sharing violation.
  return DeleteFileW(WideText(temporary).c_str()) != 0;
}

bool AppendExclusively(const std::string& path, std::string_view data) {
  // A symbolic link (or junction) in the file's place is refused, never written through.
  if (IsReparsePoint(path)) return false;
  // No share-write: while this handle is open no other writer can open the file, readers can.
  ScopedHandle file(CreateFileW(WideText(path).c_str(), FILE_APPEND_DATA | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  LARGE_INTEGER start{};
  LARGE_INTEGER zero{};
  if (!SetFilePointerEx(file.Get(), zero, &start, FILE_END)) return false;
  if (WriteAll(file.Get(), data)) return true;
  // A half-written piece would be repeated by the next attempt: take it back.
  if (SetFilePointerEx(file.Get(), start, nullptr, FILE_BEGIN)) SetEndOfFile(file.Get());
  return false;
}

}  // namespace dodu
