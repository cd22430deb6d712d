#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

namespace dodu::testing {

// A CUPS scheduler of the test's own, in a private directory and listening only on a private
// socket, with two queues whose device writes each job into a file:
// - "Receipt", a raw queue;
// - "Slip", an 80 x 200 mm page at 203 dpi with margins of 5 mm left and right and 10 mm top
//   and bottom, taking PWG raster.
// The process's CUPS client is pointed at it. It stops with the object.
class PrivateCupsServer {
 public:
  explicit PrivateCupsServer(const std::filesystem::path& aDirectory);
  ~PrivateCupsServer();
  PrivateCupsServer(const PrivateCupsServer&) = delete;
  PrivateCupsServer& operator=(const PrivateCupsServer&) = delete;

  // Starts the scheduler; on failure answers false with the reason.
  bool Start(std::string& aReason);

  // The bytes of the next job printed on the queue, waiting for it; the job's title and
  // options in aJobInfo. Throws when no job arrives.
  std::string TakeOutput(const std::string& aQueue, std::string* aJobInfo = nullptr);
  // The scheduler's access log: one line per request, with the resource it named.
  std::string AccessLog() const;
  std::filesystem::path OutputFile(const std::string& aQueue) const { return fDirectory / ("out-" + aQueue); }

 private:
  void WriteConfiguration() const;

  std::filesystem::path fDirectory;
  pid_t fPid = -1;
};

}  // namespace dodu::testing
