#include "support/child_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace dodu::testing {

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const Variables& extra_environment, bool keep_output) {
  // Everything the child needs is prepared before the fork: after it only exec and _exit.
  std::vector<std::string> variables;
  for (char** variable = environ; *variable != nullptr; ++variable) variables.emplace_back(*variable);
  for (const auto& [name, value] : extra_environment) variables.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& variable : variables) envp.push_back(variable.data());
  envp.push_back(nullptr);
  std::string path = program.string();
  std::vector<std::string> words = arguments;
  std::vector<char*> argv = {path.data()};
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  int output[2] = {-1, -1};
  if (keep_output && pipe2(output, O_CLOEXEC) != 0) {
    fFailure = std::string("pipe: ") + std::strerror(errno);
    return;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    if (keep_output) {
      dup2(output[1], STDOUT_FILENO);
      dup2(output[1], STDERR_FILENO);
    }
    // A name without a directory is looked for on PATH.
    execvpe(path.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  if (pid < 0) fFailure = std::string("fork: ") + std::strerror(errno);
  if (keep_output) {
    close(output[1]);
    if (pid > 0) fOutputPipe = output[0];
    else close(output[0]);
  }
  fProcess = pid;
}

ChildProcess::~ChildProcess() { Wait(); }

bool ChildProcess::Started() const { return fProcess > 0; }

ProcessExit ChildProcess::Wait() {
  if (fWaited) return fExit;
  fWaited = true;
  if (!Started()) {
    fExit.text = "not started: " + fFailure;
    return fExit;
  }
  if (fOutputPipe >= 0) {
    char buffer[4096];
    for (ssize_t n; (n = read(static_cast<int>(fOutputPipe), buffer, sizeof buffer)) != 0;) {
      if (n > 0) fOutput.append(buffer, static_cast<size_t>(n));
      else if (errno != EINTR) break;
    }
    close(static_cast<int>(fOutputPipe));
    fOutputPipe = -1;
  }
  int status = 0;
  while (waitpid(static_cast<pid_t>(fProcess), &status, 0) < 0) {
    if (errno != EINTR) {
      fExit.text = std::string("waitpid: ") + std::strerror(errno);
      return fExit;
    }
  }
  if (WIFEXITED(status)) {
    fExit.exited = true;
    fExit.code = WEXITSTATUS(status);
    fExit.text = "exit status " + std::to_string(fExit.code);
  } else if (WIFSIGNALED(status)) {
    fExit.text = "killed by signal " + std::to_string(WTERMSIG(status));
  } else {
    fExit.text = "wait status " + std::to_string(status);
  }
  return fExit;
}

std::filesystem::path ThisProgram() { return std::filesystem::read_symlink("/proc/self/exe"); }

}  // namespace dodu::testing
