#include "io/tcp_client.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <mutex>

#include "platform/wide_text.h"

namespace dodu {

namespace {

std::string Endpoint(const std::string& host, uint16_t port) { return host + ":" + std::to_string(port); }

// Winsock is started once per process and left running: stopping it from a DLL's unload
// would cut other users of it in the host.
void StartSockets() {
  static std::once_flag started;
  std::call_once(started, [] {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  });
}

std::string SocketReason(int code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  return text.empty() ? "socket error " + std::to_string(code) : NarrowText(text);
}

SOCKET AsSocket(intptr_t value) { return static_cast<SOCKET>(value); }

int Remaining(std::chrono::steady_clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

void TcpClient::Connect() {
  Disconnect();
  StartSockets();
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo* addresses = nullptr;
  int rc = getaddrinfo(host_.c_str(), std::to_string(port_).c_str(), &hints, &addresses);
  if (rc != 0) throw Error("Cannot resolve host " + host_ + ": " + SocketReason(rc));
  std::string failure = "Cannot connect to " + Endpoint(host_, port_);
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(connect_timeout_ms_ > 0 ? connect_timeout_ms_ : 0);
  for (struct addrinfo* a = addresses; a != nullptr; a = a->ai_next) {
    SOCKET fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd == INVALID_SOCKET) {
      failure = "Cannot create a socket: " + SocketReason(WSAGetLastError());
      continue;
    }
    u_long non_blocking = 1;
    ioctlsocket(fd, FIONBIO, &non_blocking);
    int result = connect(fd, a->ai_addr, static_cast<int>(a->ai_addrlen));
    int error = result == 0 ? 0 : WSAGetLastError();
    if (result != 0 && error == WSAEWOULDBLOCK) {
      WSAPOLLFD p{fd, POLLOUT, 0};
      const int ready = WSAPoll(&p, 1, Remaining(deadline));
      if (ready < 0) {
        failure = "Cannot connect to " + Endpoint(host_, port_) + ": " + SocketReason(WSAGetLastError());
        closesocket(fd);
        continue;
      }
      if (ready == 0) {
        closesocket(fd);
        failure = "Connection to " + Endpoint(host_, port_) + " timed out after " +
                  std::to_string(connect_timeout_ms_) + " ms";
        continue;
      }
      error = 0;
      int length = sizeof error;
      getsockopt(fd, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
      result = error == 0 ? 0 : -1;
    }
    if (result != 0) {
      failure = error == WSAECONNREFUSED
                    ? "Connection to " + Endpoint(host_, port_) + " refused: nothing listens there"
                    : "Cannot connect to " + Endpoint(host_, port_) + ": " + SocketReason(error);
      closesocket(fd);
      continue;
    }
    fd_ = static_cast<intptr_t>(fd);
    break;
  }
  freeaddrinfo(addresses);
  if (fd_ == -1) throw Error(failure);
}

void TcpClient::Disconnect() {
  if (fd_ != -1) {
    closesocket(AsSocket(fd_));
    fd_ = -1;
  }
  buffer_.clear();
}

bool TcpClient::Connected() const {
  if (fd_ == -1) return false;
  // A peer that has closed shows as readable with nothing to read.
  WSAPOLLFD p{AsSocket(fd_), POLLIN, 0};
  if (WSAPoll(&p, 1, 0) < 0) return false;
  if ((p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
  if ((p.revents & POLLIN) != 0) {
    char probe;
    const int n = recv(AsSocket(fd_), &probe, 1, MSG_PEEK);
    return n > 0 || (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK);
  }
  return true;
}

void TcpClient::FillBuffer() {
  if (fd_ == -1) throw Error("Not connected to " + Endpoint(host_, port_));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(read_timeout_ms_);
  for (;;) {
    WSAPOLLFD p{AsSocket(fd_), POLLIN, 0};
    const int ready = WSAPoll(&p, 1, Remaining(deadline));
    if (ready < 0) throw Error("Read from " + Endpoint(host_, port_) + " failed: " + SocketReason(WSAGetLastError()));
    if (ready == 0)
      throw TcpTimeoutError("Read timed out: nothing received from " + Endpoint(host_, port_) + " within " +
                            std::to_string(read_timeout_ms_) + " ms");
    char chunk[4096];
    const int n = recv(AsSocket(fd_), chunk, sizeof chunk, 0);
    if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) continue;
    if (n < 0) throw Error("Read from " + Endpoint(host_, port_) + " failed: " + SocketReason(WSAGetLastError()));
    if (n == 0) throw TcpClosedError("Connection closed by the peer " + Endpoint(host_, port_));
    buffer_.append(chunk, static_cast<size_t>(n));
    return;
  }
}

void TcpClient::WriteBytes(const std::string& bytes) {
  if (fd_ == -1) throw Error("Not connected to " + Endpoint(host_, port_));
  size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = send(AsSocket(fd_), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK) {
      WSAPOLLFD p{AsSocket(fd_), POLLOUT, 0};
      WSAPoll(&p, 1, 1000);
      continue;
    }
    if (n < 0) throw Error("Write to " + Endpoint(host_, port_) + " failed: " + SocketReason(WSAGetLastError()));
    sent += static_cast<size_t>(n);
  }
}

}  // namespace dodu
