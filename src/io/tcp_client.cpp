// The TCP client over the system's sockets (platform/tcp_socket.h).
#include "io/tcp_client.h"

#include <chrono>

#include "platform/tcp_socket.h"

namespace dodu {

namespace {

using Clock = std::chrono::steady_clock;

int Remaining(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

TcpClient::TcpClient(std::string host, uint16_t port, int connect_timeout_ms)
    : host_(std::move(host)), port_(port), connect_timeout_ms_(connect_timeout_ms) {}

TcpClient::~TcpClient() { Disconnect(); }

std::string TcpClient::Endpoint() const { return host_ + ":" + std::to_string(port_); }

void TcpClient::Connect() {
  Disconnect();
  std::vector<tcp_socket::Address> addresses;
  std::string reason;
  if (!tcp_socket::Resolve(host_, port_, addresses, reason)) throw Error("Cannot resolve host " + host_ + ": " + reason);
  std::string failure = "Cannot connect to " + Endpoint();
  const auto deadline = Clock::now() + std::chrono::milliseconds(connect_timeout_ms_ > 0 ? connect_timeout_ms_ : 0);
  for (const tcp_socket::Address& address : addresses) {
    const tcp_socket::Attempt attempt = tcp_socket::Connect(address, Remaining(deadline));
    switch (attempt.outcome) {
      case tcp_socket::Outcome::Connected:
        fd_ = attempt.socket;
        return;
      case tcp_socket::Outcome::NoSocket:
        failure = "Cannot create a socket: " + attempt.reason;
        break;
      case tcp_socket::Outcome::Refused:
        failure = "Connection to " + Endpoint() + " refused: nothing listens there";
        break;
      case tcp_socket::Outcome::TimedOut:
        failure = "Connection to " + Endpoint() + " timed out after " + std::to_string(connect_timeout_ms_) + " ms";
        break;
      case tcp_socket::Outcome::Failed:
        failure = "Cannot connect to " + Endpoint() + ": " + attempt.reason;
        break;
    }
  }
  throw Error(failure);
}

void TcpClient::Disconnect() {
  if (fd_ != tcp_socket::kNoSocket) {
    tcp_socket::Close(fd_);
    fd_ = tcp_socket::kNoSocket;
  }
  buffer_.clear();
}

bool TcpClient::Connected() const { return fd_ != tcp_socket::kNoSocket && tcp_socket::PeerOpen(fd_); }

uint8_t TcpClient::ReadByte() {
  if (buffer_.empty()) FillBuffer();
  uint8_t byte = static_cast<uint8_t>(buffer_.front());
  buffer_.erase(0, 1);
  return byte;
}

std::string TcpClient::ReadBytes(size_t count) {
  while (buffer_.size() < count) FillBuffer();
  std::string bytes = buffer_.substr(0, count);
  buffer_.erase(0, count);
  return bytes;
}

void TcpClient::FillBuffer() {
  if (fd_ == tcp_socket::kNoSocket) throw Error("Not connected to " + Endpoint());
  const auto deadline = Clock::now() + std::chrono::milliseconds(read_timeout_ms_);
  for (;;) {
    std::string reason;
    switch (tcp_socket::WaitReadable(fd_, Remaining(deadline), reason)) {
      case tcp_socket::Wait::Interrupted:
        continue;
      case tcp_socket::Wait::Failed:
        throw Error("Read from " + Endpoint() + " failed: " + reason);
      case tcp_socket::Wait::TimedOut:
        throw TcpTimeoutError("Read timed out: nothing received from " + Endpoint() + " within " +
                              std::to_string(read_timeout_ms_) + " ms");
      case tcp_socket::Wait::Ready:
        break;
    }
    char chunk[4096];
    const long n = tcp_socket::Receive(fd_, chunk, sizeof chunk, reason);
    if (n == tcp_socket::kAgain) continue;
    if (n == tcp_socket::kFailed) throw Error("Read from " + Endpoint() + " failed: " + reason);
    if (n == 0) throw TcpClosedError("Connection closed by the peer " + Endpoint());
    buffer_.append(chunk, static_cast<size_t>(n));
    return;
  }
}

void TcpClient::WriteBytes(const std::string& bytes) {
  if (fd_ == tcp_socket::kNoSocket) throw Error("Not connected to " + Endpoint());
  size_t sent = 0;
  while (sent < bytes.size()) {
    std::string reason;
    const long n = tcp_socket::Send(fd_, bytes.data() + sent, bytes.size() - sent, reason);
    if (n == tcp_socket::kAgain) {
      tcp_socket::WaitWritable(fd_, 1000);
      continue;
    }
    if (n == tcp_socket::kFailed) throw Error("Write to " + Endpoint() + " failed: " + reason);
    sent += static_cast<size_t>(n);
  }
}

}  // namespace dodu
