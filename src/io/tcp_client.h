#pragma once

#include <cstdint>
#include <string>

#include "base/error.h"

namespace dodu {

// Raised when a read waits longer than the per-read timeout.
class TcpTimeoutError : public Error {
 public:
  using Error::Error;
};

// Raised when the other side has closed the connection.
class TcpClosedError : public Error {
 public:
  using Error::Error;
};

// A blocking TCP client over the system's sockets with a connect timeout, a per-read timeout and an
// input buffer of bytes received but not yet read.
class TcpClient {
 public:
  TcpClient(std::string host, uint16_t port, int connect_timeout_ms);
  ~TcpClient();
  TcpClient(const TcpClient&) = delete;
  TcpClient& operator=(const TcpClient&) = delete;

  void Connect();  // raises with a reason a person understands
  void Disconnect();
  bool Connected() const;

  void SetReadTimeout(int milliseconds) { read_timeout_ms_ = milliseconds; }
  int ReadTimeout() const { return read_timeout_ms_; }

  uint8_t ReadByte();                     // waits at most the per-read timeout
  std::string ReadBytes(size_t count);    // exactly count bytes, each wait bounded as above
  void WriteBytes(const std::string& bytes);
  void ClearInputBuffer() { buffer_.clear(); }
  size_t InputBufferSize() const { return buffer_.size(); }

  const std::string& Host() const { return host_; }
  uint16_t Port() const { return port_; }

 private:
  void FillBuffer();
  std::string Endpoint() const;  // host:port, as errors name it

  std::string host_;
  uint16_t port_;
  int connect_timeout_ms_;
  int read_timeout_ms_ = 0;
  intptr_t fd_ = -1;  // the socket; -1 when not connected
  std::string buffer_;
};

}  // namespace dodu
