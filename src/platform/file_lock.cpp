#include "platform/file_lock.h"

#include <utility>

namespace dodu {

FileLock::~FileLock() { Release(); }

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), reason_(std::move(other.reason_)), timed_out_(other.timed_out_) {
  other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    reason_ = std::move(other.reason_);
    timed_out_ = other.timed_out_;
    other.fd_ = -1;
  }
  return *this;
}

}  // namespace dodu
