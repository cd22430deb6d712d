#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/tcp_socket.h"

namespace dodu::tcp_socket {

namespace {

int Fd(intptr_t socket) { return static_cast<int>(socket); }

}  // namespace

bool Resolve(const std::string& host, uint16_t port, std::vector<Address>& addresses, std::string& reason) {
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo* found = nullptr;
  const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (rc != 0) {
    reason = gai_strerror(rc);
    return false;
  }
  for (const struct addrinfo* a = found; a != nullptr; a = a->ai_next) {
    addresses.push_back({a->ai_family, a->ai_socktype, a->ai_protocol,
                         std::string(reinterpret_cast<const char*>(a->ai_addr), a->ai_addrlen)});
  }
  freeaddrinfo(found);
  return true;
}

Attempt Connect(const Address& address, int timeout_ms) {
  Attempt attempt;
  const int fd = socket(address.family, address.type | SOCK_CLOEXEC | SOCK_NONBLOCK, address.protocol);
  if (fd < 0) {
    attempt.outcome = Outcome::NoSocket;
    attempt.reason = std::strerror(errno);
    return attempt;
  }
  int result = connect(fd, reinterpret_cast<const sockaddr*>(address.bytes.data()),
                       static_cast<socklen_t>(address.bytes.size()));
  if (result != 0 && errno == EINPROGRESS) {
    struct pollfd p {fd, POLLOUT, 0};
    int ready;
    do {
      ready = poll(&p, 1, timeout_ms);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
      attempt.outcome = ready == 0 ? Outcome::TimedOut : Outcome::Failed;
      attempt.reason = ready == 0 ? std::string() : std::strerror(errno);
      close(fd);
      return attempt;
    }
    int error = 0;
    socklen_t length = sizeof error;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
    result = error == 0 ? 0 : -1;
    errno = error;
  }
  if (result != 0) {
    attempt.outcome = errno == ECONNREFUSED ? Outcome::Refused : Outcome::Failed;
    attempt.reason = std::strerror(errno);
    close(fd);
    return attempt;
  }
  attempt.outcome = Outcome::Connected;
  attempt.socket = fd;
  return attempt;
}

void Close(intptr_t socket) { close(Fd(socket)); }

Wait WaitReadable(intptr_t socket, int timeout_ms, std::string& reason) {
  struct pollfd p {Fd(socket), POLLIN, 0};
  const int ready = poll(&p, 1, timeout_ms);
  if (ready < 0 && errno == EINTR) return Wait::Interrupted;
  if (ready < 0) {
    reason = std::strerror(errno);
    return Wait::Failed;
  }
  return ready == 0 ? Wait::TimedOut : Wait::Ready;
}

void WaitWritable(intptr_t socket, int timeout_ms) {
  struct pollfd p {Fd(socket), POLLOUT, 0};
  poll(&p, 1, timeout_ms);
}

long Receive(intptr_t socket, char* buffer, size_t size, std::string& reason) {
  const ssize_t n = recv(Fd(socket), buffer, size, 0);
  if (n >= 0) return static_cast<long>(n);
  if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) return kAgain;
  reason = std::strerror(errno);
  return kFailed;
}

long Send(intptr_t socket, const char* data, size_t size, std::string& reason) {
  const ssize_t n = send(Fd(socket), data, size, MSG_NOSIGNAL);
  if (n >= 0) return static_cast<long>(n);
  if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) return kAgain;
  reason = std::strerror(errno);
  return kFailed;
}

bool PeerOpen(intptr_t socket) {
  struct pollfd p {Fd(socket), POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return false;
  if ((p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
  if ((p.revents & POLLIN) != 0) {
    char probe;
    const ssize_t n = recv(Fd(socket), &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    return n > 0 || (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK));
  }
  return true;
}

}  // namespace dodu::tcp_socket
