#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "io/com_port.h"
#include "platform/process.h"

namespace dodu {

namespace {

using Clock = std::chrono::steady_clock;

int Fd(intptr_t handle) { return static_cast<int>(handle); }

bool SpeedCode(uint32_t baud, speed_t& code) {
  static const std::pair<uint32_t, speed_t> kSpeeds[] = {
      {50, B50},         {75, B75},           {110, B110},         {134, B134},         {150, B150},
      {200, B200},       {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
      {2400, B2400},     {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
      {57600, B57600},   {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
      {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
      {2000000, B2000000},
  };
  for (const auto& [rate, value] : kSpeeds) {
    if (rate == baud) {
      code = value;
      return true;
    }
  }
  return false;
}

tcflag_t SizeFlag(uint8_t data) {
  switch (data) {
    case 5:
      return CS5;
    case 6:
      return CS6;
    case 7:
      return CS7;
    default:
      return CS8;
  }
}

int MillisecondsUntil(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

std::string TComPort::DeviceName() const {
  const std::string configured = EnvironmentVariable(("QV_COM" + std::to_string(fComNumber)).c_str());
  if (!configured.empty()) return configured;
  return "/dev/ttyS" + std::to_string(static_cast<int64_t>(fComNumber) - 1);
}

void TComPort::Open() {
  if (fIsOpen) return;
  const std::string n = std::to_string(fComNumber);
  // Not blocking while it opens: a line without carrier would hold the open forever.
  int fd = open(DeviceName().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  int code = errno;
  // Exclusive as a Windows port is: the lock also holds against root, which TIOCEXCL does not.
  if (fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) {
    code = errno == EWOULDBLOCK ? EBUSY : errno;
    close(fd);
    fd = -1;
  }
  if (fd < 0) {
    if (code == ENOENT || code == ENODEV || code == ENXIO) {
      throw TComPortException("COM" + n + " is not a valid COM port.");
    }
    throw TComPortException("Cannot open COM" + n + " (error #" + std::to_string(code) + ").");
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  fComHandle = fd;
  try {
    termios raw{};
    if (tcgetattr(fd, &raw) != 0) throw TComPortException("GetCommState failed!");
    cfmakeraw(&raw);
    raw.c_cflag |= CLOCAL | CREAD;
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &raw) != 0) throw TComPortException("SetCommState failed!");
    SetLineParameters(fBaudRate, fDataBits, fStopBits, fParity);
  } catch (...) {
    close(fd);
    fComHandle = -1;
    throw;
  }
  ioctl(fd, TIOCEXCL);
  fIsOpen = true;
  fCurrentComTimeout = kNoTimeout;
}

void TComPort::SetLineParameters(uint32_t baud, uint8_t data, TStopBits stop, TParity pty) {
  const int fd = Fd(fComHandle);
  termios state{};
  if (fd < 0 || tcgetattr(fd, &state) != 0) throw TComPortException("GetCommState failed!");
  speed_t speed;
  // Linux has no 1.5 stop bits.
  if (!SpeedCode(baud, speed) || data < 5 || data > 8 || stop == sbOneHalf || pty < ptNone || pty > ptSpace) {
    throw TComPortException("SetCommState failed!");
  }
  cfsetispeed(&state, speed);
  cfsetospeed(&state, speed);
  state.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
  state.c_cflag |= SizeFlag(data);
  if (stop == sbTwo) state.c_cflag |= CSTOPB;
  switch (pty) {
    case ptOdd:
      state.c_cflag |= PARENB | PARODD;
      break;
    case ptEven:
      state.c_cflag |= PARENB;
      break;
    case ptMark:
      state.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case ptSpace:
      state.c_cflag |= PARENB | CMSPAR;
      break;
    case ptNone:
      break;
  }
  if (tcsetattr(fd, TCSANOW, &state) != 0) throw TComPortException("SetCommState failed!");
  fBaudRate = baud;
  fDataBits = data;
  fStopBits = stop;
  fParity = pty;
}

void TComPort::Close() {
  if (!fIsOpen) return;
  tcflush(Fd(fComHandle), TCIOFLUSH);
  // The exclusive mark stays on the terminal while anyone else holds it open.
  ioctl(Fd(fComHandle), TIOCNXCL);
  close(Fd(fComHandle));
  fComHandle = -1;
  fIsOpen = false;
}

void TComPort::SetReadTimeouts(uint32_t) {
  // The terminal keeps the gap between two bytes (VTIME, in tenths of a second); Read keeps the
  // whole-read limit, which a terminal has no setting for.
  termios state{};
  if (tcgetattr(Fd(fComHandle), &state) != 0) throw TComPortException("GetCommTimeouts failed.");
  state.c_cc[VMIN] = 0;
  state.c_cc[VTIME] = 1;
  if (tcsetattr(Fd(fComHandle), TCSANOW, &state) != 0) throw TComPortException("SetCommTimeouts failed.");
}

int TComPort::Read(char* buffer, int nbytes, uint32_t& ErrorCode, uint32_t timeout) {
  if (!fIsOpen) throw TComPortException("Cannot read because COM port is not open.");
  if (timeout != 0 && timeout != fCurrentComTimeout) {
    SetReadTimeouts(timeout);
    fCurrentComTimeout = timeout;
  }
  if (nbytes <= 0) return 0;
  const int fd = Fd(fComHandle);
  // Without a timeout ever set, a read takes what has arrived and does not wait.
  const uint32_t total = fCurrentComTimeout == kNoTimeout ? 0 : fCurrentComTimeout;
  const auto deadline = Clock::now() + std::chrono::milliseconds(total);
  int got = 0;
  bool hung_up = false;
  for (;;) {
    if (got == 0) {
      pollfd ready{fd, POLLIN, 0};
      int events = poll(&ready, 1, MillisecondsUntil(deadline));
      if (events < 0 && errno == EINTR) continue;
      if (events == 0) break;
      if (events < 0) {
        ErrorCode = static_cast<uint32_t>(errno);
        return -1;
      }
      hung_up = (ready.revents & (POLLHUP | POLLERR)) != 0;
    }
    ssize_t n = read(fd, buffer + got, static_cast<size_t>(nbytes - got));
    if (n < 0) {
      if (errno == EINTR) continue;
      ErrorCode = static_cast<uint32_t>(errno);
      return -1;
    }
    if (n == 0 && got == 0 && hung_up) {
      // The line is gone (its other end closed): no byte will come.
      ErrorCode = EIO;
      return -1;
    }
    if (n == 0) break;  // 100 ms without a further byte
    got += static_cast<int>(n);
    if (got >= nbytes || Clock::now() >= deadline) break;
  }
  return got;
}

bool TComPort::WriteText(const std::string& S) {
  if (!fIsOpen) throw TComPortException("Cannot write because COM port is not open.");
  size_t written = 0;
  while (written < S.size()) {
    ssize_t n = write(Fd(fComHandle), S.data() + written, S.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw TComPortException("Write to com port failed.");
    if (n == 0) break;
    written += static_cast<size_t>(n);
  }
  return written == S.size();
}

uint32_t TComPort::GetBytesPending() {
  int pending = 0;
  if (!fIsOpen || ioctl(Fd(fComHandle), FIONREAD, &pending) != 0 || pending < 0) return 0;
  return static_cast<uint32_t>(pending);
}

void TComPort::ClearBuffers() {
  if (!fIsOpen) return;
  if (tcflush(Fd(fComHandle), TCIOFLUSH) != 0) throw TComPortException("PurgeComm failed!");
}

void TComPort::SetDTR(bool assert) {
  if (!fIsOpen) throw TComPortException("SetRTS failed because COM port not open.");
  int line = TIOCM_DTR;
  if (ioctl(Fd(fComHandle), assert ? TIOCMBIS : TIOCMBIC, &line) != 0) throw TComPortException("SetDTR failed!");
}

void TComPort::SetRTS(bool assert) {
  if (!fIsOpen) throw TComPortException("SetRTS failed because COM port not open.");
  int line = TIOCM_RTS;
  if (ioctl(Fd(fComHandle), assert ? TIOCMBIS : TIOCMBIC, &line) != 0) throw TComPortException("SetRTS failed!");
}

}  // namespace dodu
