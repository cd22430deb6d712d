#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace dodu {

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_), reason_(std::move(other.reason_)) { other.fd_ = -1; }

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    reason_ = std::move(other.reason_);
    other.fd_ = -1;
  }
  return *this;
}

bool FileLock::Acquire(const std::string& path, int timeout_ms) {
  Release();
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    reason_ = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  // flock locks belong to the open file description, so two opens in one process exclude each
  // other as two processes do.
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) {
      reason_ = "cannot lock " + path + ": " + std::strerror(errno);
      close(fd);
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      reason_ = "lock on " + path + " not granted within " + std::to_string(timeout_ms) + " ms";
      close(fd);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  fd_ = fd;
  reason_.clear();
  return true;
}

void FileLock::Release() {
  if (fd_ >= 0) {
    flock(fd_, LOCK_UN);
    close(fd_);
    fd_ = -1;
  }
}

}  // namespace dodu
