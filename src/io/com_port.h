#pragma once

#include <cstdint>
#include <string>

#include "base/error.h"

namespace dodu {

// Ordinals are the serial-port codes of the platform.
enum TParity { ptNone = 0, ptOdd = 1, ptEven = 2, ptMark = 3, ptSpace = 4 };
enum TStopBits { sbOne = 0, sbOneHalf = 1, sbTwo = 2 };

// An error of a serial port.
class TComPortException : public Error {
 public:
  using Error::Error;
};

// One serial port, COMn. On Windows the device \\.\COMn; elsewhere the device named by the
// environment variable QV_COMn, else /dev/ttyS(n-1). The port opens in raw (binary) mode, the
// only mode a Windows port knows.
class TComPort {
 public:
  explicit TComPort(uint32_t ncom);
  TComPort(uint32_t ncom, uint32_t baud);
  TComPort(uint32_t ncom, uint32_t baud, uint8_t data, TStopBits stop, TParity parity);
  ~TComPort();  // closes the port if it is open
  TComPort(const TComPort&) = delete;
  TComPort& operator=(const TComPort&) = delete;

  void Open();
  void Close();
  // Reads up to nbytes within timeout ms (0: the timeout last set), a gap of 100 ms after a byte
  // ending the read early. Answers the number read, 0 when the time passed without data, or -1
  // when the read failed, with the port's error flags in ErrorCode.
  int Read(char* buffer, int nbytes, uint32_t& ErrorCode, uint32_t timeout);
  // Writes the 8-bit text; true when every byte was written.
  bool WriteText(const std::string& S);
  void SetLineParameters(uint32_t baud, uint8_t data, TStopBits stop, TParity pty);
  uint32_t GetBytesPending();  // 0 when it cannot be told
  void ClearBuffers();
  void SetDTR(bool assert);
  void SetRTS(bool assert);

  uint32_t ComNumber() const { return fComNumber; }
  uint32_t BaudRate() const { return fBaudRate; }
  uint8_t DataBits() const { return fDataBits; }
  TStopBits StopBits() const { return fStopBits; }
  TParity Parity() const { return fParity; }
  bool ComIsOpen() const { return fIsOpen; }
  static std::string DriverVersion() { return "1.0"; }
  // The device this port opens.
  std::string DeviceName() const;

 private:
  static constexpr uint32_t kNoTimeout = 0xFFFFFFFFu;

  // Gives the port the read timeouts of Read: 100 ms between bytes, timeout ms in all.
  void SetReadTimeouts(uint32_t timeout);

  uint32_t fComNumber;
  uint32_t fBaudRate = 9600;
  uint8_t fDataBits = 8;
  TStopBits fStopBits = sbOne;
  TParity fParity = ptNone;
  intptr_t fComHandle = -1;  // a descriptor, or a HANDLE on Windows; -1 when closed
  bool fIsOpen = false;
  uint32_t fCurrentComTimeout = kNoTimeout;
};

}  // namespace dodu
