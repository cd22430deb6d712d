#include "platform/files.h"

#include <fcntl.h>
#include <signal.h>
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

namespace dodu {

namespace {

std::string SystemReason() { return std::strerror(errno); }

constexpr const char* kTemporaryMarker = ".tmp.";

std::string TemporaryNameFor(const std::string& path, uint64_t sequence) {
  return path + kTemporaryMarker + std::to_string(getpid()) + "." + std::to_string(sequence);
}

// The process id in a temporary file's name (<target>.tmp.<pid>.<sequence>), or 0.
pid_t WriterOfTemporary(const std::string& name) {
  const size_t marker = name.rfind(kTemporaryMarker);
  if (marker == std::string::npos) return 0;
  const std::string rest = name.substr(marker + std::strlen(kTemporaryMarker));
  const size_t dot = rest.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == rest.size()) return 0;
  if (rest.find_first_not_of("0123456789") != dot || rest.find_first_not_of("0123456789", dot + 1) != std::string::npos)
    return 0;
  try {
    return static_cast<pid_t>(std::stol(rest.substr(0, dot)));
  } catch (const std::exception&) {
    return 0;
  }
}

bool ProcessIsGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

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

std::vector<std::string> ReadFileLines(const std::string& path) {
  std::string text = ReadFileText(path);
  std::vector<std::string> lines;
  // Settings files saved by Windows editors often begin with a UTF-8 byte order mark; it is not
  // part of the first line.
  size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

void WriteFileAtomically(const std::string& path, std::string_view content) {
  // Unique per process and per call, so two threads writing the same file never share one.
  static std::atomic<uint64_t> sequence{0};
  std::string temporary = TemporaryNameFor(path, ++sequence);
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

int RemoveStaleTemporaryFiles(const std::string& directory) {
  int removed = 0;
  std::error_code error;
  std::filesystem::recursive_directory_iterator entries(directory, error);
  if (error) return 0;
  for (auto it = entries; it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (error) break;
    if (!it->is_regular_file(error)) continue;
    const pid_t writer = WriterOfTemporary(it->path().filename().string());
    // A live writer (another till's process) may still rename its file into place.
    if (writer > 0 && (writer == getpid() || ProcessIsGone(writer)) && unlink(it->path().c_str()) == 0) ++removed;
  }
  return removed;
}

}  // namespace dodu
