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

constexpr mode_t kPrivateDirectoryMode = 0700;
constexpr mode_t kPrivateFileMode = 0600;

// Syncs the directory itself, which makes the names created, renamed or removed in it durable.
// A file system that cannot sync a directory (EINVAL) keeps its names some other way.
bool SyncDirectory(const std::string& directory) {
  const int fd = open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0 || errno == EINVAL;
  const int saved = errno;
  close(fd);
  errno = saved;
  return synced;
}

// The directory that holds the entry (path may end with a separator).
bool SyncDirectoryOf(std::string path) {
  while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
  return SyncDirectory(DirectoryOf(path));
}

// The open file is private (0600) whatever the umask gave it.
bool MakePrivate(int fd) { return fchmod(fd, kPrivateFileMode) == 0; }

// Owns a descriptor for the length of one operation.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fFd(fd) {}
  ~ScopedFd() {
    if (fFd >= 0) close(fFd);
  }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int Get() const { return fFd; }

 private:
  int fFd;
};

// Whether the open file fd is still the file the path names.
bool StillNamedBy(int fd, const std::string& path) {
  struct stat opened {};
  struct stat named {};
  if (fstat(fd, &opened) != 0 || lstat(path.c_str(), &named) != 0) return false;
  return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

// Raises when a symbolic link stands where the till keeps one of its own files.
void RefuseSymbolicLink(const std::string& path, const char* doing) {
  if (IsSymbolicLink(path)) throw Error(std::string("Cannot ") + doing + " file " + path + ": it is a symbolic link");
}

}  // namespace

std::string LastSystemError() { return SystemReason(); }

bool ForceDirectories(const std::string& path) {
  if (path.empty()) return false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find(kPathSeparator, start);
    if (slash == std::string::npos) slash = path.size();
    const std::string partial = path.substr(0, slash);
    if (!partial.empty() && !DirectoryExists(partial)) {
      if (mkdir(partial.c_str(), kPrivateDirectoryMode) == 0) {
        // A new level is private whatever the umask, and its name is on disk before anything
        // is put in it: a power cut must not take a directory whose files were synced.
        if (chmod(partial.c_str(), kPrivateDirectoryMode) != 0 || !SyncDirectoryOf(partial)) return false;
      } else if (errno != EEXIST) {
        return false;
      }
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

bool IsSymbolicLink(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
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

std::string ReadPrivateFileText(const std::string& path) {
  ScopedFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Get() < 0) {
    if (errno == ELOOP) throw Error("Cannot open file " + path + ": it is a symbolic link");
    throw Error("Cannot open file " + path + ": " + SystemReason());
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Error("Cannot read file " + path + ": " + SystemReason());
    if (n == 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  return content;
}

void CreatePrivateFile(const std::string& path) {
  ScopedFd fd(open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode));
  if (fd.Get() < 0) throw Error("Cannot create file " + path + ": " + SystemReason());
  if (!MakePrivate(fd.Get()) || fsync(fd.Get()) != 0 || !SyncDirectoryOf(path))
    throw Error("Cannot create file " + path + ": " + SystemReason());
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  RefuseSymbolicLink(path, "write");
  // Unique per process and per call, so two threads writing the same file never share one.
  static std::atomic<uint64_t> sequence{0};
  std::string temporary;
  int raw_fd = -1;
  // The writer holds a lock on its temporary file until the file is in place: one that nobody
  // holds was left by a writer that died, whatever process ids mean since (RemoveStaleTemporaryFiles).
  for (int attempt = 0; raw_fd < 0; ++attempt) {
    temporary = TemporaryFileNameFor(path, CurrentProcessId(), ++sequence);
    raw_fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode);
    // A name left by a dead process of the same id (after a reboot) is skipped.
    if (raw_fd < 0 && (errno != EEXIST || attempt >= 100)) throw Error("Cannot write file " + path + ": " + SystemReason());
    if (raw_fd < 0) continue;
    // Between the create and the lock a cleaner may have taken the unheld file away.
    if (flock(raw_fd, LOCK_EX) != 0 || !StillNamedBy(raw_fd, temporary)) {
      close(raw_fd);
      raw_fd = -1;
      if (attempt >= 100) throw Error("Cannot write file " + path + ": its temporary file keeps disappearing");
    }
  }
  ScopedFd fd(raw_fd);
  auto fail = [&](const std::string& reason) {
    unlink(temporary.c_str());
    throw Error("Cannot write file " + path + ": " + reason);
  };
  if (!MakePrivate(fd.Get())) fail(SystemReason());
  size_t written = 0;
  while (written < content.size()) {
    ssize_t n = write(fd.Get(), content.data() + written, content.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail(SystemReason());
    written += static_cast<size_t>(n);
  }
  if (fsync(fd.Get()) != 0) fail(SystemReason());
  if (std::rename(temporary.c_str(), path.c_str()) != 0) fail(SystemReason());
  // The rename itself is durable only once its directory is synced.
  if (!SyncDirectoryOf(path)) throw Error("Cannot write file " + path + ": " + SystemReason());
}

bool RemoveIfAbandoned(const std::string& temporary) {
  ScopedFd fd(open(temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.Get() < 0) return false;
  // Held: its writer lives (in this process or another) and will put it in place.
  if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return false;
  // Removed while locked, so a writer that created it meanwhile sees it gone and starts over.
  return StillNamedBy(fd.Get(), temporary) && unlink(temporary.c_str()) == 0;
}

bool AppendExclusively(const std::string& path, std::string_view data) {
  // A symbolic link in the file's place is refused (ELOOP), never written through.
  int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode);
  if (fd >= 0) {
    if (!MakePrivate(fd)) {
      close(fd);
      return false;
    }
  } else if (errno == EEXIST) {
    fd = open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
  }
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
