#include "pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace dodu::testing {

PseudoTerminal::PseudoTerminal() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
    throw std::runtime_error("PseudoTerminal: no pseudo-terminal");
  }
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("PseudoTerminal: no terminal name");
  path_ = name;
  observer_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (observer_ < 0) throw std::runtime_error("PseudoTerminal: cannot open " + path_);
  termios raw{};
  tcgetattr(master_, &raw);
  cfmakeraw(&raw);
  tcsetattr(master_, TCSANOW, &raw);
}

PseudoTerminal::~PseudoTerminal() {
  StopStreaming();
  if (observer_ >= 0) close(observer_);
  HangUp();
}

void PseudoTerminal::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = write(master_, bytes.data() + sent, bytes.size() - sent);
    if (n <= 0) throw std::runtime_error("PseudoTerminal: cannot send");
    sent += static_cast<size_t>(n);
  }
}

std::string PseudoTerminal::Receive(size_t count) {
  std::string bytes;
  while (bytes.size() < count) {
    pollfd ready{master_, POLLIN, 0};
    if (poll(&ready, 1, 5000) <= 0) break;
    char chunk[256];
    ssize_t n = read(master_, chunk, sizeof chunk);
    if (n <= 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
  }
  return bytes;
}

void PseudoTerminal::StartStreaming(char byte, std::chrono::milliseconds pause) {
  StopStreaming();
  streaming_ = true;
  // Not blocking while it streams: a full line must not hold the sender past a stop.
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  streamer_ = std::thread([this, byte, pause] {
    const std::string chunk(pause.count() > 0 ? 1 : 256, byte);
    while (streaming_) {
      if (pause.count() > 0) std::this_thread::sleep_for(pause);
      // Waits for room a short while at a time, so a stop is seen even when nobody reads.
      pollfd room{master_, POLLOUT, 0};
      if (poll(&room, 1, 20) <= 0) continue;
      if (write(master_, chunk.data(), chunk.size()) < 0 && errno != EAGAIN && errno != EINTR) return;
    }
  });
}

void PseudoTerminal::StopStreaming() {
  streaming_ = false;
  if (!streamer_.joinable()) return;
  streamer_.join();
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) & ~O_NONBLOCK);
}

void PseudoTerminal::HangUp() {
  StopStreaming();
  if (master_ >= 0) close(master_);
  master_ = -1;
}

}  // namespace dodu::testing
