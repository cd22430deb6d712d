#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

#include "platform/tcp_socket.h"
#include "platform/wide_text.h"

namespace dodu::tcp_socket {

namespace {

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

}  // namespace

bool Resolve(const std::string& host, uint16_t port, std::vector<Address>& addresses, std::string& reason) {
  StartSockets();
  struct addrinfo hints {};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  struct addrinfo* found = nullptr;
  const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (rc != 0) {
    reason = SocketReason(rc);
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
  const SOCKET fd = socket(address.family, address.type, address.protocol);
  if (fd == INVALID_SOCKET) {
    attempt.outcome = Outcome::NoSocket;
    attempt.reason = SocketReason(WSAGetLastError());
    return attempt;
  }
  u_long non_blocking = 1;
  ioctlsocket(fd, FIONBIO, &non_blocking);
  int result = connect(fd, reinterpret_cast<const sockaddr*>(address.bytes.data()), static_cast<int>(address.bytes.size()));
  int error = result == 0 ? 0 : WSAGetLastError();
  if (result != 0 && error == WSAEWOULDBLOCK) {
    WSAPOLLFD p{fd, POLLOUT, 0};
    const int ready = WSAPoll(&p, 1, timeout_ms);
    if (ready <= 0) {
      attempt.outcome = ready == 0 ? Outcome::TimedOut : Outcome::Failed;
      attempt.reason = ready == 0 ? std::string() : SocketReason(WSAGetLastError());
      closesocket(fd);
      return attempt;
    }
    error = 0;
    int length = sizeof error;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    result = error == 0 ? 0 : -1;
  }
  if (result != 0) {
    attempt.outcome = error == WSAECONNREFUSED ? Outcome::Refused : Outcome::Failed;
    attempt.reason = SocketReason(error);
    closesocket(fd);
    return attempt;
  }
  attempt.outcome = Outcome::Connected;
  attempt.socket = static_cast<intptr_t>(fd);
  return attempt;
}

void Close(intptr_t socket) { closesocket(AsSocket(socket)); }

Wait WaitReadable(intptr_t socket, int timeout_ms, std::string& reason) {
  WSAPOLLFD p{AsSocket(socket), POLLIN, 0};
  const int ready = WSAPoll(&p, 1, timeout_ms);
  if (ready < 0) {
    reason = SocketReason(WSAGetLastError());
    return Wait::Failed;
  }
  return ready == 0 ? Wait::TimedOut : Wait::Ready;
}

void WaitWritable(intptr_t socket, int timeout_ms) {
  WSAPOLLFD p{AsSocket(socket), POLLOUT, 0};
  WSAPoll(&p, 1, timeout_ms);
}

long Receive(intptr_t socket, char* buffer, size_t size, std::string& reason) {
  const int n = recv(AsSocket(socket), buffer, static_cast<int>(size), 0);
  if (n >= 0) return n;
  const int code = WSAGetLastError();
  if (code == WSAEWOULDBLOCK) return kAgain;
  reason = SocketReason(code);
  return kFailed;
}

long Send(intptr_t socket, const char* data, size_t size, std::string& reason) {
  const int n = send(AsSocket(socket), data, static_cast<int>(size), 0);
  if (n >= 0) return n;
  const int code = WSAGetLastError();
  if (code == WSAEWOULDBLOCK) return kAgain;
  reason = SocketReason(code);
  return kFailed;
}

bool PeerOpen(intptr_t socket) {
  WSAPOLLFD p{AsSocket(socket), POLLIN, 0};
  if (WSAPoll(&p, 1, 0) < 0) return false;
  if ((p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
  if ((p.revents & POLLIN) != 0) {
    char probe;
    const int n = recv(AsSocket(socket), &probe, 1, MSG_PEEK);
    return n > 0 || (n < 0 && WSAGetLastError() == WSAEWOULDBLOCK);
  }
  return true;
}

}  // namespace dodu::tcp_socket
