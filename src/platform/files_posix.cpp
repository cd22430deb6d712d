#include "platform/files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/error.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace dodu {

namespace {

std::string SystemReason() { return std::strerror(errno); }

}  // namespace

std::string LastSystemError() { return SystemReason(); }

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  std::string partial;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find(kPathSeparator, start);
    if (slash == std::string::npos) slash = path.size();
    partial = path.substr(0, slash);
    if (!partial.empty() && !DirectoryExists(partial)) {
      if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    start = slash + 1;
  }
  return DirectoryExists(path);
}

bool FileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int64_t FileSize(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<int64_t>(info.st_size);
}

bool RenameFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("Cannot open file " + path + ": " + SystemReason());
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw Error("Cannot read file " + path + ": " + SystemReason());
  return content.str();
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  // Unique per process and per call, so two threads writing the same file never share one.
  static std::atomic<uint64_t> sequence{0};
  std::string temporary = TemporaryFileNameFor(path, CurrentProcessId(), ++sequence);
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) throw Error("Cannot write file " + path + ": " + SystemReason());
  size_t written = 0;
  while (written < content.size()) {
    ssize_t n = write(fd, content.data() + written, content.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::string reason = SystemReason();
      close(fd);
      unlink(temporary.c_str());
      throw Error("Cannot write file " + path + ": " + reason);
    }
    written += static_cast<size_t>(n);
  }
  if (fsync(fd) != 0 || close(fd) != 0) {
    std::string reason = SystemReason();
    unlink(temporary.c_str());
    throw Error("Cannot write file " + path + ": " + reason);
  }
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    std::string reason = SystemReason();
    unlink(temporary.c_str());
    throw Error("Cannot write file " + path + ": " + reason);
  }
  // Make the rename itself durable.
  std::string directory = DirectoryOf(path);
  int dir_fd = open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd >= 0) {
    fsync(dir_fd);
    close(dir_fd);
  }
}

bool AppendExclusively(const std::string& path, std::string_view data) {
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  // Others may read the file meanwhile, but no other writer may append.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  const off_t start = lseek(fd, 0, SEEK_END);
  size_t written = 0;
  bool complete = true;
  while (written < data.size()) {
    const ssize_t n = write(fd, data.data() + written, data.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      complete = false;
      break;
    }
    written += static_cast<size_t>(n);
  }
  // A half-written piece would be repeated by the next attempt: take it back.
  if (!complete && start >= 0) {
    [[maybe_unused]] int truncated = ftruncate(fd, start);
  }
  flock(fd, LOCK_UN);
  close(fd);
  return complete;
}

}  // namespace dodu
