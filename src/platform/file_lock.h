#pragma once

#include <string>

namespace dodu {

// An exclusive advisory lock on a file, held by this object until it is released or destroyed.
// Locks of other processes and of other FileLock objects of this process exclude each other.
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
  void Release();
  bool Held() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  const std::string& Reason() const { return reason_; }

 private:
  int fd_ = -1;
  std::string reason_;
};

}  // namespace dodu
