#include "platform/files.h"

#include <windows.h>
#undef DeleteFile  // the Win32 macro would rename the function of files.h

#include <atomic>

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
      if (!CreateDirectoryW(WideText(partial).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
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

void WriteFileAtomically(const std::string& path, std::string_view content) {
  // Unique per process and per call, so two threads writing the same file never share one.
  static std::atomic<uint64_t> sequence{0};
  const std::string temporary = TemporaryFileNameFor(path, CurrentProcessId(), ++sequence);
  const std::wstring wide_temporary = WideText(temporary);
  ScopedHandle file(CreateFileW(wide_temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) throw Error("Cannot write file " + path + ": " + LastSystemError());
  if (!WriteAll(file.Get(), content) || !FlushFileBuffers(file.Get())) {
    const std::string reason = LastSystemError();
    file.Close();
    DeleteFileW(wide_temporary.c_str());
    throw Error("Cannot write file " + path + ": " + reason);
  }
  if (!file.Close()) {
    const std::string reason = LastSystemError();
    DeleteFileW(wide_temporary.c_str());
    throw Error("Cannot write file " + path + ": " + reason);
  }
  // WRITE_THROUGH: the rename is on disk when the call returns.
  if (!MoveFileExW(wide_temporary.c_str(), WideText(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const std::string reason = LastSystemError();
    DeleteFileW(wide_temporary.c_str());
    throw Error("Cannot write file " + path + ": " + reason);
  }
}

bool AppendExclusively(const std::string& path, std::string_view data) {
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
