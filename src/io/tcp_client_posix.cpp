#include "io/tcp_client.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace dodu {

namespace {

std::string Endpoint(const std::string& host, uint16_t port) { return host + ":" + std::to_string(port); }

int Remaining(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

void TcpClient::Connect() {
  Disconnect();
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo* addresses = nullptr;
  int rc = getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &addresses);
  if (rc != 0) throw Error("Cannot resolve host " + host_ + ": " + gai_strerror(rc));
  std::string failure = "Cannot connect to " + Endpoint(host_, port_);
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(connect_timeout_ms_ > 0 ? connect_timeout_ms_ : 0);
  for (struct addrinfo* a = addresses; a != nullptr; a = a->ai_next) {
    int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) {
      failure = "Cannot create a socket: " + std::string(std::strerror(errno));
      continue;
    }
    int result = connect(fd, a->ai_addr, a->ai_addrlen);
    if (result != 0 && errno == EINPROGRESS) {
      struct pollfd p {fd, POLLOUT, 0};
      int ready;
      do {
        ready = poll(&p, 1, Remaining(deadline));
      } while (ready < 0 && errno == EINTR);
      if (ready < 0) {
        failure = "Cannot connect to " + Endpoint(host_, port_) + ": " + std::strerror(errno);
        close(fd);
        continue;
      }
      if (ready == 0) {
        close(fd);
        failure = "Connection to " + Endpoint(host_, port_) + " timed out after " +
                  std::to_string(connect_timeout_ms_) + " ms";
        continue;
      }
      int error = 0;
      socklen_t length = sizeof error;
      getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
      result = error == 0 ? 0 : -1;
      errno = error;
    }
    if (result != 0) {
      failure = errno == ECONNREFUSED
                    ? "Connection to " + Endpoint(host_, port_) + " refused: nothing listens there"
                    : "Cannot connect to " + Endpoint(host_, port_) + ": " + std::strerror(errno);
      close(fd);
      continue;
    }
    fd_ = fd;
    break;
  }
  freeaddrinfo(addresses);
  if (fd_ == -1) throw Error(failure);
}

void TcpClient::Disconnect() {
  if (fd_ != -1) {
    close(static_cast<int>(fd_));
    fd_ = -1;
  }
  buffer_.clear();
}

bool TcpClient::Connected() const {
  if (fd_ == -1) return false;
  // A peer that has closed shows as readable with nothing to read.
  struct pollfd p {static_cast<int>(fd_), POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return false;
  if ((p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
  if ((p.revents & POLLIN) != 0) {
    char probe;
    ssize_t n = recv(static_cast<int>(fd_), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    return n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
  }
  return true;
}

void TcpClient::FillBuffer() {
  if (fd_ == -1) throw Error("Not connected to " + Endpoint(host_, port_));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(read_timeout_ms_);
  for (;;) {
    struct pollfd p {static_cast<int>(fd_), POLLIN, 0};
    int ready = poll(&p, 1, Remaining(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) throw Error("Read from " + Endpoint(host_, port_) + " failed: " + std::strerror(errno));
    if (ready == 0)
      throw TcpTimeoutError("Read timed out: nothing received from " + Endpoint(host_, port_) + " within " +
                            std::to_string(read_timeout_ms_) + " ms");
    char chunk[4096];
    ssize_t n = recv(static_cast<int>(fd_), chunk, sizeof chunk, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n < 0) throw Error("Read from " + Endpoint(host_, port_) + " failed: " + std::strerror(errno));
    if (n == 0) throw TcpClosedError("Connection closed by the peer " + Endpoint(host_, port_));
    buffer_.append(chunk, static_cast<size_t>(n));
    return;
  }
}

void TcpClient::WriteBytes(const std::string& bytes) {
  if (fd_ == -1) throw Error("Not connected to " + Endpoint(host_, port_));
  size_t sent = 0;
  while (sent < bytes.size()) {
    ssize_t n = send(static_cast<int>(fd_), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd p {static_cast<int>(fd_), POLLOUT, 0};
      poll(&p, 1, 1000);
      continue;
    }
    if (n < 0) throw Error("Write to " + Endpoint(host_, port_) + " failed: " + std::strerror(errno));
    sent += static_cast<size_t>(n);
  }
}

}  // namespace dodu
