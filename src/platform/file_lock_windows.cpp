#include "platform/file_lock.h"

#include <windows.h>
#undef DeleteFile  // the Win32 macro would rename the function of files.h

#include <chrono>
#include <thread>

#include "platform/files.h"
#include "platform/wide_text.h"

namespace dodu {

namespace {

// The lock covers a range far past the end of the file: Windows enforces a locked range against
// reads and writes of other handles, and the file's own bytes stay readable by everyone.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }

bool Unlock(HANDLE file) {
  OVERLAPPED range{};
  range.OffsetHigh = kLockOffsetHigh;
  return UnlockFileEx(file, 0, 1, 0, &range) != 0;
}

}  // namespace

bool FileLock::Acquire(const std::string& path, int timeout_ms) {
  Release();
  timed_out_ = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  const std::wstring wide_path = WideText(path);
  for (;;) {
    // Share-delete lets a holder remove the file while others have it open.
    HANDLE file = CreateFileW(wide_path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      // A file its holder removed stays "delete pending" until the holder closes it: wait.
      if (GetLastError() == ERROR_ACCESS_DENIED && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      reason_ = "cannot open " + path + ": " + LastSystemError();
      if (GetLastError() == ERROR_ACCESS_DENIED) timed_out_ = true;
      return false;
    }
    bool locked = false;
    for (;;) {
      OVERLAPPED range{};
      range.OffsetHigh = kLockOffsetHigh;
      if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &range)) {
        locked = true;
        break;
      }
      if (GetLastError() != ERROR_LOCK_VIOLATION && GetLastError() != ERROR_IO_PENDING) {
        reason_ = "cannot lock " + path + ": " + LastSystemError();
        CloseHandle(file);
        return false;
      }
      if (std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (locked && FileExists(path)) {
      fd_ = reinterpret_cast<intptr_t>(file);
      path_ = path;
      reason_.clear();
      return true;
    }
    if (locked) Unlock(file);
    CloseHandle(file);
    if (locked) continue;  // granted a file its holder removed meanwhile: open the path anew
    reason_ = "lock on " + path + " not granted within " + std::to_string(timeout_ms) + " ms";
    timed_out_ = true;
    return false;
  }
}

void FileLock::Release() {
  if (fd_ != -1) {
    Unlock(AsHandle(fd_));
    CloseHandle(AsHandle(fd_));
    fd_ = -1;
  }
}

void FileLock::ReleaseAndRemove() {
  // Removed while still locked: a waiter then finds its file gone from the path and starts over.
  if (fd_ != -1) DeleteFile(path_);
  Release();
}

}  // namespace dodu
