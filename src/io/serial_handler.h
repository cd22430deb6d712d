#pragma once

#include <memory>

#include "io/com_port.h"
#include "io/io_handler.h"

namespace dodu {

// The I/O handler of a serial connection: a COM port built from the connection settings, every
// exchange logged, reads made of single-byte reads. Texts read carry one character per byte.
class kIOHandler_Serial : public kIOHandler {
 public:
  // The most ReadUpTo takes while waiting for a terminator: a device's answer is a few hundred
  // bytes, so a line that sends this much without one is broken or hostile.
  static constexpr size_t kMaxReadUpToBytes = 64 * 1024;

  // Raises when the port name gives no number, or for a parity or stop-bit count the port lacks.
  kIOHandler_Serial(const kConnection* aConnection, const std::string& aDirectory, const std::string& aFileName);
  ~kIOHandler_Serial() override;

  bool GetConnected() override { return fComPort->ComIsOpen(); }
  bool Connect() override;  // the port's open errors reach the caller
  bool Disconnect() override;
  void ClearBuffers() override { fComPort->ClearBuffers(); }
  bool Write(const std::string& aMessage) override;
  // Up to and including the first terminator; stops without one when the read timeout has
  // passed (also while bytes keep coming) or kMaxReadUpToBytes came, logging which.
  std::string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::string ReadChars(int aCharsNum) override;
  std::string ReadAll() override;  // raises "ReadAll Unsupported"
  std::string DecodeError(int) override { return std::string(); }
  bool InputBufferContainsData() override { return fComPort->GetBytesPending() > 0; }
  void SetParameter(const std::string&, const std::string&) override {}
  std::string ClassName() const override { return "kIOHandler_Serial"; }

  TComPort& ComPort() { return *fComPort; }

 private:
  // One byte within the 100 ms a single read waits: 1 when it came, 0 when none did, -1 when the
  // read failed (the port's error flags in error_code).
  int ReadByte(char& byte, uint32_t& error_code);

  std::unique_ptr<TComPort> fComPort;
};

}  // namespace dodu
