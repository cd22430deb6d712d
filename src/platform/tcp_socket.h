#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dodu::tcp_socket {

// What the TCP client needs of the system's sockets, one implementation per system. A socket is
// the system's descriptor or handle; kNoSocket stands for none. Reasons are the system's words.

inline constexpr intptr_t kNoSocket = -1;

// One resolved address of a host, in the system's own form.
struct Address {
  int family = 0;
  int type = 0;
  int protocol = 0;
  std::string bytes;
};

// The addresses of host:port in the resolver's order; false with the reason when there are none.
bool Resolve(const std::string& host, uint16_t port, std::vector<Address>& addresses, std::string& reason);

enum class Outcome { Connected, NoSocket, Refused, TimedOut, Failed };
struct Attempt {
  Outcome outcome = Outcome::Failed;
  intptr_t socket = kNoSocket;  // the connected socket (Connected only)
  std::string reason;           // NoSocket and Failed
};
// A new non-blocking socket connected to the address, waiting at most timeout_ms.
Attempt Connect(const Address& address, int timeout_ms);

void Close(intptr_t socket);

enum class Wait { Ready, TimedOut, Interrupted, Failed };
// Waits at most timeout_ms for bytes (or the peer's close) to read.
Wait WaitReadable(intptr_t socket, int timeout_ms, std::string& reason);
// Waits at most timeout_ms for room to send.
void WaitWritable(intptr_t socket, int timeout_ms);

// Results of Receive and Send besides a count of bytes: nothing now (try again) and failure.
inline constexpr long kAgain = -1;
inline constexpr long kFailed = -2;
// Bytes received (0: the peer has closed), kAgain or kFailed with the reason.
long Receive(intptr_t socket, char* buffer, size_t size, std::string& reason);
// Bytes sent, kAgain or kFailed with the reason. Never raises a signal.
long Send(intptr_t socket, const char* data, size_t size, std::string& reason);

// Whether the peer still holds the connection, without waiting: a peer that has closed shows as
// readable with nothing to read.
bool PeerOpen(intptr_t socket);

}  // namespace dodu::tcp_socket
