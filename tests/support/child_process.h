#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace dodu::testing {

// How a child process ended.
struct ProcessExit {
  bool exited = false;  // ended by itself (not killed, and it was started at all)
  int code = -1;        // its exit code when it exited
  std::string text;     // "exit status 3", "killed by signal 9", "not started: <reason>" ...

  bool Succeeded() const { return exited && code == 0; }
};

// A program (a path, or a name looked for on PATH) started with arguments and this process's environment plus extra variables; its
// standard output and standard error are kept when asked for. Waited for when destroyed.
class ChildProcess {
 public:
  using Variables = std::vector<std::pair<std::string, std::string>>;

  ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const Variables& extra_environment = {}, bool keep_output = false);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Whether it started; when not, Wait() says why.
  bool Started() const;
  // Reads its output to the end (when kept) and waits for it to end; later calls answer alike.
  ProcessExit Wait();
  // Its standard output and standard error, interleaved as written; complete after Wait().
  const std::string& Output() const { return fOutput; }

 private:
  std::string fOutput;
  std::string fFailure;  // why it did not start
  bool fWaited = false;
  ProcessExit fExit;
  // The system's process and output pipe: a pid and a descriptor, or two handles.
  long long fProcess = -1;
  long long fOutputPipe = -1;
};

// The running test program's own executable, to start it again.
std::filesystem::path ThisProgram();

}  // namespace dodu::testing
