#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace dodu {

// The longest file name (one path component, in bytes) every supported file system takes.
inline constexpr size_t kMaxFileNameBytes = 255;

// An exclusive advisory lock on a file, held by this object until it is released or destroyed.
// Locks of other processes and of other FileLock objects of this process exclude each other.
// The lock is on the file the path names when it is granted: a holder may remove the file
// (ReleaseAndRemove) while others wait, and a waiter that is then granted the removed file opens
// the path anew, so two holders never hold different files of one path.
class FileLock {
 public:
  FileLock() = default;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;

  // Opens (creating when missing) and locks the file, waiting at most timeout_ms (0: one try).
  // False when the lock was not granted in time or the file cannot be opened; Reason() says why.
  bool Acquire(const std::string& path, int timeout_ms);
  // Whether the last Acquire failed because the time ran out (not because of the file).
  bool TimedOut() const { return timed_out_; }
  void Release();
  // Removes the locked file, then releases the lock; a plain Release when nothing is held.
  void ReleaseAndRemove();
  bool Held() const { return fd_ != -1; }
  const std::string& Reason() const { return reason_; }

 private:
  intptr_t fd_ = -1;  // the system's descriptor or handle
  std::string path_;
  std::string reason_;
  bool timed_out_ = false;
};

}  // namespace dodu
