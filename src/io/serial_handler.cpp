#include "io/serial_handler.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/text_encoding.h"
#include "io/connection.h"
#include "driver/device_handler.h"
#include "io/tcp_handler.h"

namespace dodu {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kByteTimeoutMs = 100;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

uint32_t PortNumber(const std::string& name) {
  // "COM3" gives 3, "COM12" gives 12.
  return static_cast<uint32_t>(ParseIntegerText(name.size() > 3 ? name.substr(3, 3) : std::string()));
}

TParity PortParity(qvParity parity) {
  switch (parity) {
    case qvParity::None:
      return ptNone;
    case qvParity::Odd:
      return ptOdd;
    case qvParity::Even:
      return ptEven;
  }
  throw TComPortException("Parity invalid");
}

TStopBits PortStopBits(int32_t stop_bits) {
  if (stop_bits == 1) return sbOne;
  if (stop_bits == 2) return sbTwo;
  throw TComPortException("Stop Bits " + std::to_string(stop_bits) + " invalid");
}

const char* ParityName(TParity parity) {
  static const char* const kNames[] = {"none", "odd", "even", "mark", "space"};
  return kNames[parity];
}

const char* StopBitsName(TStopBits stop_bits) {
  static const char* const kNames[] = {"1", "1.5", "2"};
  return kNames[stop_bits];
}

}  // namespace

kIOHandler_Serial::kIOHandler_Serial(const kConnection* aConnection, const std::string& aDirectory,
                                     const std::string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  const kConnection settings = aConnection != nullptr ? *aConnection : kConnection();
  const uint32_t number = PortNumber(settings.fSerialPort);
  const TParity parity = PortParity(settings.fParity);
  const TStopBits stop_bits = PortStopBits(settings.fStopBits);
  fComPort = std::make_unique<TComPort>(number, static_cast<uint32_t>(settings.fSpeed),
                                        static_cast<uint8_t>(settings.fDataBits), stop_bits, parity);
}

// The port closes before the base writes its closing log line.
kIOHandler_Serial::~kIOHandler_Serial() { fComPort.reset(); }

bool kIOHandler_Serial::Connect() {
  kIOHandler::Connect();
  Debug(let_info, "Serial Driver Version: " + TComPort::DriverVersion());
  Debug(let_info, "SerialPort=COM" + std::to_string(fComPort->ComNumber()));
  Debug(let_info, "Speed=" + std::to_string(fComPort->BaudRate()));
  Debug(let_info, std::string("Parity=") + ParityName(fComPort->Parity()));
  Debug(let_info, "DataBits=" + std::to_string(fComPort->DataBits()));
  Debug(let_info, std::string("StopBits=") + StopBitsName(fComPort->StopBits()));
  fComPort->Open();
  return fComPort->ComIsOpen();
}

bool kIOHandler_Serial::Disconnect() {
  fComPort->Close();
  return !fComPort->ComIsOpen();
}

bool kIOHandler_Serial::Write(const std::string& aMessage) {
  WriteLog(let_info, "Write", aMessage);
  fComPort->WriteText(Utf8ToCp1252(aMessage));
  return true;
}

std::string kIOHandler_Serial::ReadAll() { throw Error("ReadAll Unsupported"); }

int kIOHandler_Serial::ReadByte(char& byte, uint32_t& error_code) {
  const auto start = Clock::now();
  const int got = fComPort->Read(&byte, 1, error_code, kByteTimeoutMs);
  // A failed read returns at once; waiting out its time keeps a broken line from spinning.
  if (got < 0) std::this_thread::sleep_until(start + std::chrono::milliseconds(kByteTimeoutMs));
  return got;
}

std::string kIOHandler_Serial::ReadChars(int aCharsNum) {
  std::string bytes;
  const auto start = Clock::now();
  bool timed_out = false;
  while (!timed_out && static_cast<int>(bytes.size()) != aCharsNum) {
    char byte = 0;
    uint32_t error_code = 0;
    if (ReadByte(byte, error_code) == 1) bytes += byte;
    timed_out = MillisecondsSince(start) > fReadTimeout;
  }
  WriteLog(timed_out ? let_error : let_info, timed_out ? "Read Timeout" : "Read", BytesAsText(bytes));
  return BytesAsText(bytes);
}

std::string kIOHandler_Serial::ReadUpTo(const std::vector<uint8_t>& aChars) {
  if (fLogger) {
    std::string waiting, dumps;
    for (size_t i = 0; i < aChars.size(); ++i) {
      std::string character = BytesAsText(std::string(1, static_cast<char>(aChars[i])));
      waiting += (i > 0 ? "," : "") + character;
      dumps += (i > 0 ? "," : "") + HexText(character);
    }
    Debug(let_info, "Waiting for:" + waiting + (fHexLog ? " [" + dumps + "]" : ""));
  }
  std::string bytes;
  const auto start = Clock::now();
  bool timed_out = false;
  bool overflow = false;
  for (;;) {
    char byte = 0;
    uint32_t error_code = 0;
    const int got = ReadByte(byte, error_code);
    if (got < 0) WriteLog(let_error, "Read Error", std::to_string(error_code));
    if (got == 1) {
      bytes += byte;
      if (std::find(aChars.begin(), aChars.end(), static_cast<uint8_t>(byte)) != aChars.end()) break;
    }
    // Checked after every byte too: a line that never pauses must not hold the read forever.
    if (MillisecondsSince(start) > fReadTimeout) {
      timed_out = true;
      break;
    }
    if (bytes.size() >= kMaxReadUpToBytes) {
      overflow = true;
      break;
    }
  }
  // Either way the text ends without a terminator, as after a timeout.
  if (overflow) {
    WriteLog(let_error, "Read Limit",
             "no terminator in the first " + std::to_string(kMaxReadUpToBytes) + " bytes: " + BytesAsText(bytes));
  } else {
    WriteLog(timed_out ? let_error : let_info, timed_out ? "Read Timeout" : "Read", BytesAsText(bytes));
  }
  return BytesAsText(bytes);
}

}  // namespace dodu
