#pragma once

#include <cstdint>

namespace dodu::testing {

// A loopback port where nothing listens, held for the life of the object so that no other
// program takes it meanwhile: a connection to it is refused at once.
class ClosedPort {
 public:
  ClosedPort();
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;

  uint16_t Port() const { return port_; }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
};

}  // namespace dodu::testing
