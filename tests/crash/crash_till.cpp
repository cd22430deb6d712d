// A till process for the crash tests. It opens the till on the store of its environment, then runs
// one operation and dies by SIGKILL just before the n-th write, sync, truncation, rename or unlink
// that the operation makes on the store's files (log files aside), as a till does when its power
// goes. The tests then look at what the next process finds.
//
//   crash_till <operation> <n> [request file]
// operation: receipt (the file holds the Receipt element), z, or open (only OPEN, which clears
// what killed writes left). n = 0 never dies. Without dying
// it prints the export's code on the first line, its error on the second and its output after,
// and the number of operations counted to the file named by CRASH_COUNT_FILE when set.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "support/driver_library.h"

namespace {

std::atomic<bool> gArmed{false};
std::atomic<long> gCount{0};
long gKillAt = 0;
std::string gRoot;  // only files under it count

bool IsCounted(const char* path) {
  if (path == nullptr || gRoot.empty()) return false;
  const std::string p(path);
  return p.starts_with(gRoot) && p.find("/LogFiles/") == std::string::npos;
}

bool FdIsCounted(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[PATH_MAX];
  const ssize_t n = readlink(link, target, sizeof target - 1);
  if (n <= 0) return false;
  target[n] = '\0';
  return IsCounted(target);
}

// Counts one operation and dies before doing it when it is the chosen one.
void Reach(bool counted) {
  if (!counted || !gArmed.load()) return;
  const long n = ++gCount;
  if (n == gKillAt) raise(SIGKILL);
}

template <typename F>
F Real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

// The I/O entry points of the C library, seen first by the library and by SQLite in this process
// (the build hides symbols by default: these must be visible to be found before the C library's).
#define DODU_INTERPOSED __attribute__((visibility("default")))
extern "C" {

DODU_INTERPOSED ssize_t write(int fd, const void* buf, size_t n) {
  static auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  return real(fd, buf, n);
}

DODU_INTERPOSED ssize_t pwrite(int fd, const void* buf, size_t n, off_t offset) {
  static auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  return real(fd, buf, n, offset);
}

DODU_INTERPOSED ssize_t pwrite64(int fd, const void* buf, size_t n, off64_t offset) {
  static auto real = Real<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  return real(fd, buf, n, offset);
}

DODU_INTERPOSED ssize_t writev(int fd, const struct iovec* iov, int count) {
  static auto real = Real<ssize_t (*)(int, const struct iovec*, int)>("writev");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  return real(fd, iov, count);
}

DODU_INTERPOSED int fsync(int fd) {
  static auto real = Real<int (*)(int)>("fsync");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  return real(fd);
}

DODU_INTERPOSED int fdatasync(int fd) {
  static auto real = Real<int (*)(int)>("fdatasync");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  return real(fd);
}

DODU_INTERPOSED int ftruncate(int fd, off_t length) {
  static auto real = Real<int (*)(int, off_t)>("ftruncate");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  return real(fd, length);
}

DODU_INTERPOSED int ftruncate64(int fd, off64_t length) {
  static auto real = Real<int (*)(int, off64_t)>("ftruncate64");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  return real(fd, length);
}

DODU_INTERPOSED int rename(const char* from, const char* to) {
  static auto real = Real<int (*)(const char*, const char*)>("rename");
  if (gArmed.load()) Reach(IsCounted(from) || IsCounted(to));
  return real(from, to);
}

DODU_INTERPOSED int unlink(const char* path) {
  static auto real = Real<int (*)(const char*)>("unlink");
  if (gArmed.load()) Reach(IsCounted(path));
  return real(path);
}

}  // extern "C"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: crash_till receipt|z N [request file]\n";
    return 2;
  }
  const std::string operation = argv[1];
  gKillAt = std::atol(argv[2]);
  std::string receipt;
  if (argc > 3) {
    std::ifstream in(argv[3], std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    receipt = text.str();
  }
  char root[PATH_MAX];
  if (getcwd(root, sizeof root) == nullptr) return 2;
  // The store fixture's working directory is <root>/work; its files are all under <root>.
  gRoot = std::string(root).substr(0, std::string(root).rfind('/') + 1);

  dodu::testing::DriverLibrary driver;
  const dodu::testing::ExportResult opened = driver.Open(dodu::testing::Envelope(0, "T01"));
  if (opened.code != 0) {
    std::cout << "OPEN failed: " << opened.error << "\n";
    return 3;
  }
  if (operation == "open") {
    std::cout << "0\n\n";
    return 0;
  }
  const std::string request = dodu::testing::Envelope(opened.handle, "T01", receipt);
  gArmed = true;
  const dodu::testing::ExportResult result =
      operation == "z" ? driver.ProcessZReport(request) : driver.ProcessReceipt(request);
  gArmed = false;
  if (const char* count_file = std::getenv("CRASH_COUNT_FILE")) std::ofstream(count_file) << gCount.load();
  std::cout << result.code << "\n" << result.error << "\n" << result.output;
  return 0;
}
