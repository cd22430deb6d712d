// The parts of the TCP client that are the same on every system.
#include "io/tcp_client.h"

namespace dodu {

TcpClient::TcpClient(std::string host, uint16_t port, int connect_timeout_ms)
    : host_(std::move(host)), port_(port), connect_timeout_ms_(connect_timeout_ms) {}

TcpClient::~TcpClient() { Disconnect(); }

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

}  // namespace dodu
