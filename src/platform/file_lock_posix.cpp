#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace dodu {

namespace {

// Whether the open file fd is still the file the path names (a holder may have removed it).
bool StillNamedBy(int fd, const std::string& path) {
  struct stat opened {};
  struct stat named {};
  if (fstat(fd, &opened) != 0 || stat(path.c_str(), &named) != 0) return false;
  return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

}  // namespace

bool FileLock::Acquire(const std::string& path, int timeout_ms) {
  Release();
  timed_out_ = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    // A lock file is private and its own file: a symbolic link in its place is refused.
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0 && fchmod(fd, 0600) != 0) {
      reason_ = "cannot make " + path + " private: " + std::strerror(errno);
      close(fd);
      return false;
    }
    if (fd < 0 && errno == EEXIST) {
      fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0 && errno == ENOENT) continue;  // removed by its holder in between: try again
    }
    if (fd < 0) {
      reason_ = "cannot open " + path + ": " + std::strerror(errno);
      return false;
    }
    // flock locks belong to the open file description, so two opens in one process exclude each
    // other as two processes do.
    bool locked = false;
    while (!(locked = flock(fd, LOCK_EX | LOCK_NB) == 0)) {
      if (errno != EWOULDBLOCK && errno != EINTR) {
        reason_ = "cannot lock " + path + ": " + std::strerror(errno);
        close(fd);
        return false;
      }
      if (std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (locked && StillNamedBy(fd, path)) {
      fd_ = fd;
      path_ = path;
      reason_.clear();
      return true;
    }
    close(fd);
    if (locked) continue;  // granted a file its holder removed meanwhile: open the path anew
    reason_ = "lock on " + path + " not granted within " + std::to_string(timeout_ms) + " ms";
    timed_out_ = true;
    return false;
  }
}

void FileLock::Release() {
  if (fd_ != -1) {
    flock(static_cast<int>(fd_), LOCK_UN);
    close(static_cast<int>(fd_));
    fd_ = -1;
  }
}

void FileLock::ReleaseAndRemove() {
  // Removed while still locked: a waiter then finds its file gone from the path and starts over.
  if (fd_ != -1) unlink(path_.c_str());
  Release();
}

}  // namespace dodu
