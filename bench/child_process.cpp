#include "child_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <stdexcept>

namespace dodu::bench {

namespace {

void WriteAll(int aFd, const std::string& aText) {
  size_t written = 0;
  while (written < aText.size()) {
    ssize_t n = write(aFd, aText.data() + written, aText.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    written += static_cast<size_t>(n);
  }
}

std::string ReadAll(int aFd) {
  std::string text;
  char buffer[4096];
  for (;;) {
    ssize_t n = read(aFd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace

std::vector<std::string> RunInChildren(const std::vector<std::function<std::string()>>& aWork) {
  struct Child {
    pid_t pid;
    int fd;
  };
  std::vector<Child> children;
  std::fflush(nullptr);
  for (const auto& work : aWork) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
      close(fds[0]);
      int status = 0;
      std::string answer;
      try {
        answer = "ok\n" + work();
      } catch (const std::exception& e) {
        answer = std::string("error\n") + e.what();
        status = 1;
      }
      WriteAll(fds[1], answer);
      close(fds[1]);
      std::fflush(nullptr);
      // No exit handlers: the library's threads and the parent's objects belong to the parent.
      _exit(status);
    }
    close(fds[1]);
    children.push_back({pid, fds[0]});
  }
  std::vector<std::string> answers;
  std::string failure;
  for (const Child& child : children) {
    std::string answer = ReadAll(child.fd);
    close(child.fd);
    int status = 0;
    waitpid(child.pid, &status, 0);
    if (answer.rfind("ok\n", 0) == 0) {
      answers.push_back(answer.substr(3));
    } else {
      if (failure.empty())
        failure = answer.rfind("error\n", 0) == 0 ? answer.substr(6) : "a child process ended without an answer";
      answers.emplace_back();
    }
  }
  if (!failure.empty()) throw std::runtime_error(failure);
  return answers;
}

}  // namespace dodu::bench
