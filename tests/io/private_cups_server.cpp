#include "private_cups_server.h"

#include <cups/cups.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "support/file_wait.h"

extern char** environ;

namespace dodu::testing {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCupsd = "/usr/sbin/cupsd";
constexpr const char* kCupsServerBin = "/usr/lib/cups";

// Writes each job into the file named by the device URI, whole, once the job is done, and its
// title and options beside it.
constexpr const char* kBackend = R"SH(#!/bin/sh
if [ $# -eq 0 ]; then echo 'direct testfile "Unknown" "Test file"'; exit 0; fi
out="${DEVICE_URI#testfile:}"
printf '%s\n%s\n' "$3" "$5" > "$out.tmp-job"
if [ $# -ge 6 ]; then cat "$6"; else cat; fi > "$out.tmp" || exit 1
mv "$out.tmp-job" "$out.job" && mv "$out.tmp" "$out"
)SH";

constexpr const char* kSlipPpd = R"PPD(*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "SLIP.PPD"
*Manufacturer: "Test"
*Product: "(Slip)"
*ModelName: "Test Slip"
*ShortNickName: "Test Slip"
*NickName: "Test Slip"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*LandscapeOrientation: Plus90
*TTRasterizer: Type42
*cupsVersion: 2.4
*cupsModelNumber: 0
*cupsManualCopies: True
*cupsFilter2: "image/pwg-raster image/pwg-raster 0 -"
*OpenUI *PageSize/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageSize
*DefaultPageSize: X80
*PageSize X80/80 x 200 mm: "<</PageSize[226.77 566.93]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageSize
*OpenUI *PageRegion/Media Size: PickOne
*OrderDependency: 10 AnySetup *PageRegion
*DefaultPageRegion: X80
*PageRegion X80/80 x 200 mm: "<</PageSize[226.77 566.93]/ImagingBBox null>>setpagedevice"
*CloseUI: *PageRegion
*DefaultImageableArea: X80
*ImageableArea X80/80 x 200 mm: "14.17 28.35 212.60 538.58"
*DefaultPaperDimension: X80
*PaperDimension X80/80 x 200 mm: "226.77 566.93"
*OpenUI *Resolution/Resolution: PickOne
*OrderDependency: 10 AnySetup *Resolution
*DefaultResolution: 203dpi
*Resolution 203dpi/203 DPI: "<</HWResolution[203 203]>>setpagedevice"
*CloseUI: *Resolution
)PPD";

void WriteText(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

bool Accepts(const fs::path& socket_path) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socket_path.string().copy(address.sun_path, sizeof address.sun_path - 1);
  const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

}  // namespace

PrivateCupsServer::PrivateCupsServer(const fs::path& aDirectory) : fDirectory(aDirectory) {}

PrivateCupsServer::~PrivateCupsServer() {
  if (fPid > 0) {
    kill(fPid, SIGTERM);
    int status = 0;
    waitpid(fPid, &status, 0);
  }
}

void PrivateCupsServer::WriteConfiguration() const {
  const fs::path& d = fDirectory;
  for (const char* sub : {"spool/temp", "log", "cache", "state", "ppd", "bin/backend"}) fs::create_directories(d / sub);
  // The scheduler, run by root, hands work to its unprivileged user, who must reach the tree.
  chmod(d.c_str(), 0755);
  for (const char* sub : {"filter", "daemon", "cgi-bin", "driver", "monitor", "notifier"}) {
    const fs::path system = fs::path(kCupsServerBin) / sub;
    if (fs::exists(system)) fs::create_directory_symlink(system, d / "bin" / sub);
  }
  WriteText(d / "bin/backend/testfile", kBackend);
  // Owner only: a backend without group or other rights runs as the scheduler's own user.
  chmod((d / "bin/backend/testfile").c_str(), 0700);
  WriteText(d / "cups-files.conf",
            "ServerRoot " + d.string() + "\nServerBin " + (d / "bin").string() + "\nStateDir " +
                (d / "state").string() + "\nCacheDir " + (d / "cache").string() + "\nRequestRoot " +
                (d / "spool").string() + "\nTempDir " + (d / "spool/temp").string() + "\nAccessLog " +
                (d / "log/access_log").string() + "\nErrorLog " + (d / "log/error_log").string() + "\nPageLog " +
                (d / "log/page_log").string() + "\n");
  WriteText(d / "cupsd.conf", "Listen " + (d / "cups.sock").string() +
                                  "\nBrowsing Off\nLogLevel info\n<Policy default>\n<Limit All>\nOrder Allow,Deny\n"
                                  "Allow all\n</Limit>\n</Policy>\n");
  WriteText(d / "printers.conf", "<Printer Receipt>\nDeviceURI testfile:" + OutputFile("Receipt").string() +
                                     "\nState Idle\nAccepting Yes\n</Printer>\n<Printer Slip>\nDeviceURI testfile:" +
                                     OutputFile("Slip").string() + "\nState Idle\nAccepting Yes\n</Printer>\n");
  WriteText(d / "ppd/Slip.ppd", kSlipPpd);
}

bool PrivateCupsServer::Start(std::string& aReason) {
  if (access(kCupsd, X_OK) != 0) {
    aReason = std::string(kCupsd) + " is not installed (package cups)";
    return false;
  }
  WriteConfiguration();
  const std::string conf = (fDirectory / "cupsd.conf").string();
  const std::string files = (fDirectory / "cups-files.conf").string();
  const std::string out = (fDirectory / "log/cupsd.out").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  const char* argv[] = {kCupsd, "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
  const int spawned = posix_spawn(&fPid, kCupsd, &actions, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    fPid = -1;
    aReason = "cannot start cupsd: " + std::string(strerror(spawned));
    return false;
  }
  const fs::path socket_path = fDirectory / "cups.sock";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!Accepts(socket_path)) {
    int status = 0;
    if (waitpid(fPid, &status, WNOHANG) == fPid) {
      fPid = -1;
      aReason = "cupsd stopped at once: " + ReadWholeFile(out) + ReadWholeFile(fDirectory / "log/error_log");
      return false;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      aReason = "cupsd did not open its socket";
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  setenv("CUPS_SERVER", socket_path.c_str(), 1);
  cupsSetServer(socket_path.c_str());
  return true;
}

std::string PrivateCupsServer::AccessLog() const { return ReadWholeFile(fDirectory / "log/access_log"); }

std::string PrivateCupsServer::TakeOutput(const std::string& aQueue, std::string* aJobInfo) {
  const fs::path file = OutputFile(aQueue);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(file)) {
    if (std::chrono::steady_clock::now() > deadline) {
      throw std::runtime_error("no job arrived on " + aQueue + ": " + ReadWholeFile(fDirectory / "log/error_log"));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const fs::path job = file.string() + ".job";
  if (aJobInfo != nullptr) *aJobInfo = ReadWholeFile(job);
  std::string bytes = ReadWholeFile(file);
  fs::remove(file);
  fs::remove(job);
  return bytes;
}

}  // namespace dodu::testing
