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
//
//   crash_till sequence <answers dir> <step>...
// step: receipt:<request file> or z. Opens the till and runs the steps in turn, each answer
// (code, error, output) in <answers dir>/<i>.txt. With CRASH_TRACE_DIR set it records, from
// before OPEN, every file operation on the store's files to CRASH_TRACE_DIR/trace.tsv: creates,
// mkdirs, writes, syncs (with the file's content at the sync, in a blob beside), renames,
// unlinks, and an "ack" after each answer returned. The power-loss test rebuilds from it what a
// power cut at any point would leave. CRASH_DROP_SYNCS=library-directories or all makes the
// driver library's syncs of directories (those it makes after a mkdir and an atomic rename), or
// every sync, do nothing: a build without them, to show the test catches it.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <sys/stat.h>

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
#include <vector>

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

// ---- the recorder of the power-loss test ----

std::atomic<bool> gTracing{false};
std::string gTraceDir;
std::vector<std::string> gTrace;  // one line per event
long gBlobs = 0;
thread_local bool gInRecorder = false;  // the recorder's own file calls are not recorded
enum class DropSyncs { kNone, kLibraryDirectories, kAll } gDropSyncs = DropSyncs::kNone;

template <typename F>
F Real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

std::string Absolute(const char* path) {
  std::string p(path);
  if (!p.starts_with("/")) {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) != nullptr) p = std::string(cwd) + "/" + p;
  }
  // Collapse "//" and "/./" so one file has one spelling.
  std::string out;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] == '/' && !out.empty() && out.back() == '/') continue;
    if (p[i] == '.' && !out.empty() && out.back() == '/' && (i + 1 == p.size() || p[i + 1] == '/')) {
      ++i;
      continue;
    }
    out += p[i];
  }
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

std::string FdPath(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char target[PATH_MAX];
  const ssize_t n = readlink(link, target, sizeof target - 1);
  if (n <= 0) return {};
  return std::string(target, static_cast<size_t>(n));
}

bool IsTraced(const std::string& path) {
  return !gInRecorder && gTracing.load() && !gRoot.empty() && path.starts_with(gRoot) &&
         path.find("/LogFiles/") == std::string::npos && !path.ends_with("/LogFiles");
}

void Record(const std::string& kind, const std::string& path, unsigned long long ino = 0, const std::string& more = "") {
  gTrace.push_back(kind + "\t" + std::to_string(ino) + "\t" + path + "\t" + more);
}

unsigned long long InodeOf(int fd) {
  struct stat info {};
  return fstat(fd, &info) == 0 ? static_cast<unsigned long long>(info.st_ino) : 0;
}

// A file's whole content at its sync, kept in a blob file beside the trace.
std::string KeepContent(int fd) {
  gInRecorder = true;
  static auto real_open = Real<int (*)(const char*, int, ...)>("open");
  static auto real_write = Real<ssize_t (*)(int, const void*, size_t)>("write");
  std::string content;
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const int in = real_open(link, O_RDONLY | O_CLOEXEC);
  char buffer[65536];
  ssize_t n = 0;
  while (in >= 0 && (n = pread(in, buffer, sizeof buffer, static_cast<off_t>(content.size()))) > 0)
    content.append(buffer, static_cast<size_t>(n));
  if (in >= 0) close(in);
  const std::string name = "blob-" + std::to_string(++gBlobs);
  const int out = real_open((gTraceDir + "/" + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  for (size_t done = 0; out >= 0 && done < content.size();) {
    const ssize_t w = real_write(out, content.data() + done, content.size() - done);
    if (w <= 0) break;
    done += static_cast<size_t>(w);
  }
  if (out >= 0) close(out);
  gInRecorder = false;
  return name;
}

void TraceWrite(int fd) {
  if (!gTracing.load() || gInRecorder) return;
  const std::string path = FdPath(fd);
  if (IsTraced(path)) Record("write", path, InodeOf(fd));
}

// Whether the code at that address is the driver library's own (not SQLite's, say).
bool InDriverLibrary(const void* address) {
  Dl_info info {};
  return dladdr(address, &info) != 0 && info.dli_fname != nullptr && std::strstr(info.dli_fname, "DODU_PT_10") != nullptr;
}

// Answers whether the sync is to be skipped (a build without it); caller: the sync's caller.
bool TraceSync(int fd, const void* caller) {
  if (gInRecorder) return false;
  const bool traced = gTracing.load() && IsTraced(FdPath(fd));
  struct stat info {};
  const bool directory = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
  if (gDropSyncs == DropSyncs::kAll ||
      (directory && gDropSyncs == DropSyncs::kLibraryDirectories && InDriverLibrary(caller)))
    return true;
  if (!traced) return false;
  if (directory) Record("dirsync", FdPath(fd));
  else Record("sync", FdPath(fd), InodeOf(fd), KeepContent(fd));
  return false;
}

void TraceOpen(const char* path, int flags, bool existed, int fd) {
  if (fd < 0 || (flags & O_CREAT) == 0 || existed || !gTracing.load() || gInRecorder) return;
  const std::string absolute = Absolute(path);
  if (IsTraced(absolute)) Record("create", absolute, InodeOf(fd));
}

bool Exists(const char* path) {
  struct stat info {};
  return lstat(path, &info) == 0;
}

void WriteTrace() {
  gInRecorder = true;
  std::ofstream out(gTraceDir + "/trace.tsv", std::ios::binary);
  for (const std::string& line : gTrace) out << line << "\n";
  gInRecorder = false;
}

// Counts one operation and dies before doing it when it is the chosen one.
void Reach(bool counted) {
  if (!counted || !gArmed.load()) return;
  const long n = ++gCount;
  if (n == gKillAt) raise(SIGKILL);
}

}  // namespace

// The I/O entry points of the C library, seen first by the library and by SQLite in this process
// (the build hides symbols by default: these must be visible to be found before the C library's).
#define DODU_INTERPOSED __attribute__((visibility("default")))
extern "C" {

DODU_INTERPOSED ssize_t write(int fd, const void* buf, size_t n) {
  static auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  TraceWrite(fd);
  return real(fd, buf, n);
}

DODU_INTERPOSED ssize_t pwrite(int fd, const void* buf, size_t n, off_t offset) {
  static auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  TraceWrite(fd);
  return real(fd, buf, n, offset);
}

DODU_INTERPOSED ssize_t pwrite64(int fd, const void* buf, size_t n, off64_t offset) {
  static auto real = Real<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  TraceWrite(fd);
  return real(fd, buf, n, offset);
}

DODU_INTERPOSED ssize_t writev(int fd, const struct iovec* iov, int count) {
  static auto real = Real<ssize_t (*)(int, const struct iovec*, int)>("writev");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  TraceWrite(fd);
  return real(fd, iov, count);
}

DODU_INTERPOSED int fsync(int fd) {
  static auto real = Real<int (*)(int)>("fsync");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  if (TraceSync(fd, __builtin_return_address(0))) return 0;
  return real(fd);
}

DODU_INTERPOSED int fdatasync(int fd) {
  static auto real = Real<int (*)(int)>("fdatasync");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  if (TraceSync(fd, __builtin_return_address(0))) return 0;
  return real(fd);
}

DODU_INTERPOSED int ftruncate(int fd, off_t length) {
  static auto real = Real<int (*)(int, off_t)>("ftruncate");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  TraceWrite(fd);
  return real(fd, length);
}

DODU_INTERPOSED int ftruncate64(int fd, off64_t length) {
  static auto real = Real<int (*)(int, off64_t)>("ftruncate64");
  if (gArmed.load()) Reach(FdIsCounted(fd));
  TraceWrite(fd);
  return real(fd, length);
}

DODU_INTERPOSED int rename(const char* from, const char* to) {
  static auto real = Real<int (*)(const char*, const char*)>("rename");
  if (gArmed.load()) Reach(IsCounted(from) || IsCounted(to));
  const int done = real(from, to);
  if (done == 0 && gTracing.load() && !gInRecorder) {
    const std::string a = Absolute(from), b = Absolute(to);
    if (IsTraced(a) || IsTraced(b)) Record("rename", a, 0, b);
  }
  return done;
}

DODU_INTERPOSED int unlink(const char* path) {
  static auto real = Real<int (*)(const char*)>("unlink");
  if (gArmed.load()) Reach(IsCounted(path));
  const int done = real(path);
  if (done == 0 && gTracing.load() && !gInRecorder && IsTraced(Absolute(path))) Record("unlink", Absolute(path));
  return done;
}

DODU_INTERPOSED int mkdir(const char* path, mode_t mode) {
  static auto real = Real<int (*)(const char*, mode_t)>("mkdir");
  if (gArmed.load()) Reach(IsCounted(path));
  const int done = real(path, mode);
  if (done == 0 && gTracing.load() && !gInRecorder && IsTraced(Absolute(path))) Record("mkdir", Absolute(path));
  return done;
}

// Opens are watched for the files they create.
DODU_INTERPOSED int open(const char* path, int flags, ...) {
  static auto real = Real<int (*)(const char*, int, ...)>("open");
  mode_t mode = 0;
  if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
    va_list args;
    va_start(args, flags);
    mode = static_cast<mode_t>(va_arg(args, int));
    va_end(args);
  }
  const bool existed = (flags & O_CREAT) != 0 && gTracing.load() && !gInRecorder && Exists(path);
  const int fd = real(path, flags, mode);
  TraceOpen(path, flags, existed, fd);
  return fd;
}

DODU_INTERPOSED int open64(const char* path, int flags, ...) {
  static auto real = Real<int (*)(const char*, int, ...)>("open64");
  mode_t mode = 0;
  if ((flags & (O_CREAT | O_TMPFILE)) != 0) {
    va_list args;
    va_start(args, flags);
    mode = static_cast<mode_t>(va_arg(args, int));
    va_end(args);
  }
  const bool existed = (flags & O_CREAT) != 0 && gTracing.load() && !gInRecorder && Exists(path);
  const int fd = real(path, flags, mode);
  TraceOpen(path, flags, existed, fd);
  return fd;
}

}  // extern "C"

namespace {

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Opens the till and runs each step, every answer in its own file; the trace, when asked for,
// covers all of it.
int RunSequence(int argc, char** argv) {
  const std::string answers = argv[2];
  if (const char* drop = std::getenv("CRASH_DROP_SYNCS")) {
    const std::string what = drop;
    gDropSyncs = what == "all"                    ? DropSyncs::kAll
                 : what == "library-directories" ? DropSyncs::kLibraryDirectories
                                                 : DropSyncs::kNone;
  }
  if (const char* trace = std::getenv("CRASH_TRACE_DIR")) {
    gTraceDir = trace;
    gTracing = true;
  }
  dodu::testing::DriverLibrary driver;
  const dodu::testing::ExportResult opened = driver.Open(dodu::testing::Envelope(0, "T01"));
  if (opened.code != 0) {
    gTracing = false;
    if (!gTraceDir.empty()) WriteTrace();
    std::cout << "OPEN failed: " << opened.error << "\n";
    return 3;
  }
  for (int i = 3; i < argc; ++i) {
    const std::string step = argv[i];
    const std::string request =
        dodu::testing::Envelope(opened.handle, "T01", step.starts_with("receipt:") ? ReadAll(step.substr(8)) : "");
    const dodu::testing::ExportResult result =
        step == "z" ? driver.ProcessZReport(request) : driver.ProcessReceipt(request);
    // The answer has reached the caller: what it says must survive any power cut from here on.
    if (gTracing.load()) Record("ack", std::to_string(i - 3), 0, std::to_string(result.code));
    gInRecorder = true;
    std::ofstream(answers + "/" + std::to_string(i - 3) + ".txt", std::ios::binary)
        << result.code << "\n" << result.error << "\n" << result.output;
    gInRecorder = false;
  }
  gTracing = false;
  if (!gTraceDir.empty()) WriteTrace();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  char root[PATH_MAX];
  if (getcwd(root, sizeof root) == nullptr) return 2;
  // The store fixture's working directory is <root>/work; its files are all under <root>.
  gRoot = std::string(root).substr(0, std::string(root).rfind('/') + 1);
  if (argc >= 3 && std::string(argv[1]) == "sequence") return RunSequence(argc, argv);
  if (argc < 3) {
    std::cerr << "usage: crash_till receipt|z|open N [request file] | crash_till sequence DIR STEP...\n";
    return 2;
  }
  const std::string operation = argv[1];
  gKillAt = std::atol(argv[2]);
  std::string receipt;
  if (argc > 3) receipt = ReadAll(argv[3]);

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
