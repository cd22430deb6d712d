// The COM port and the serial handler over a pseudo-terminal pair: the port opens the terminal
// end, the test drives the other end and reads the terminal's settings back.
#include <dlfcn.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

#include "base/error.h"
#include "base/temp_directory.h"
#include "io/connection.h"
#include "handler_log.h"
#include "io/serial_handler.h"
#include "support/pseudo_terminal.h"
#include "support/watchdog.h"

// Every terminal setting the code under test hands to the system passes through here on its way
// to the C library, so a test can see what was asked of a terminal, also what a pseudo-terminal
// does not keep (it always reports 8 data bits without parity).
namespace {
std::mutex g_settings_mutex;
std::vector<std::pair<int, termios>> g_settings;
}  // namespace

extern "C" int tcsetattr(int fd, int action, const termios* settings) {
  using Real = int (*)(int, int, const termios*);
  static Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "tcsetattr"));
  {
    std::lock_guard<std::mutex> lock(g_settings_mutex);
    g_settings.emplace_back(fd, *settings);
  }
  return real(fd, action, settings);
}

namespace dodu::testing {
namespace {

// The settings handed to terminals other than the test's own.
std::vector<termios> SettingsGivenTo(const std::function<bool(int)>& is_port) {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  std::vector<termios> given;
  for (const auto& [fd, settings] : g_settings) {
    if (is_port(fd)) given.push_back(settings);
  }
  return given;
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(no error)";
}

class SerialTest : public ::testing::Test {
 protected:
  SerialTest() : port_env_("QV_COM9", line_.TerminalPath()) {
    std::lock_guard<std::mutex> lock(g_settings_mutex);
    g_settings.clear();
  }

  kConnection Connection(int32_t speed = 19200, int32_t data_bits = 7, qvParity parity = qvParity::Even,
                         int32_t stop_bits = 1) {
    kConnection c;
    c.fConnectionType = qvConnectionType::Serial;
    c.fSerialPort = "COM9";
    c.fSpeed = speed;
    c.fDataBits = data_bits;
    c.fParity = parity;
    c.fStopBits = stop_bits;
    c.ReadTimeOut(300);
    return c;
  }

  std::unique_ptr<kIOHandler_Serial> Connected(const kConnection& c) {
    auto handler = std::make_unique<kIOHandler_Serial>(&c, dir_ / "logs", "SER");
    EXPECT_TRUE(handler->Connect());
    return handler;
  }

  // The settings the port's own descriptor was given (not the test's descriptors).
  std::vector<termios> PortSettings() {
    const int own = line_.TerminalDescriptor();
    return SettingsGivenTo([own](int fd) { return fd != own; });
  }

  termios Terminal() {
    termios now{};
    EXPECT_EQ(tcgetattr(line_.TerminalDescriptor(), &now), 0);
    return now;
  }

  // Bytes sent to the terminal end reach its input queue a moment later.
  static bool Eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
  }

  TempDirectory dir_;
  PseudoTerminal line_;
  ScopedEnvironment port_env_;
};

TEST_F(SerialTest, LineSettingsOfTheExampleReachTheTerminal) {
  auto handler = Connected(Connection(19200, 7, qvParity::Even, 1));
  EXPECT_TRUE(handler->GetConnected());
  const TComPort& port = handler->ComPort();
  EXPECT_EQ(port.ComNumber(), 9u);
  EXPECT_EQ(port.DeviceName(), line_.TerminalPath());
  EXPECT_EQ(port.BaudRate(), 19200u);
  EXPECT_EQ(port.DataBits(), 7);
  EXPECT_EQ(port.Parity(), ptEven);
  EXPECT_EQ(port.StopBits(), sbOne);

  // Read back from the terminal: what a pseudo-terminal keeps.
  const termios now = Terminal();
  EXPECT_EQ(cfgetospeed(&now), static_cast<speed_t>(B19200));
  EXPECT_EQ(cfgetispeed(&now), static_cast<speed_t>(B19200));
  EXPECT_EQ(now.c_cflag & (CSTOPB | PARODD | CMSPAR), 0u);
  EXPECT_EQ(now.c_lflag & (ICANON | ECHO), 0u);  // raw, as a Windows port always is
  // What the port asked for: 7 data bits and even parity too.
  const std::vector<termios> given = PortSettings();
  ASSERT_FALSE(given.empty());
  EXPECT_EQ(given.back().c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
  EXPECT_EQ(given.back().c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), static_cast<tcflag_t>(PARENB));
  EXPECT_EQ(cfgetospeed(&given.back()), static_cast<speed_t>(B19200));

  const std::string log = LogText(*handler);
  EXPECT_NE(log.find(" - kIOHandler_Serial\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" - ReadTimeout=300\r\n - Serial Driver Version: 1.0\r\n - SerialPort=COM9\r\n - Speed=19200\r\n"
                     " - Parity=even\r\n - DataBits=7\r\n - StopBits=1\r\n"),
            std::string::npos)
      << log;
}

TEST_F(SerialTest, ParityAndStopBitsBecomeThePortsCodes) {
  struct Case {
    qvParity parity;
    int32_t stop_bits;
    TParity port_parity;
    TStopBits port_stop_bits;
    tcflag_t flags;  // parity and stop flags asked of the terminal
    const char* parity_line;
    const char* stop_line;
  };
  const Case cases[] = {
      {qvParity::None, 1, ptNone, sbOne, 0, "Parity=none", "StopBits=1"},
      {qvParity::Odd, 1, ptOdd, sbOne, PARENB | PARODD, "Parity=odd", "StopBits=1"},
      {qvParity::Even, 2, ptEven, sbTwo, PARENB | CSTOPB, "Parity=even", "StopBits=2"},
      {qvParity::Odd, 2, ptOdd, sbTwo, PARENB | PARODD | CSTOPB, "Parity=odd", "StopBits=2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parity_line + std::string(" ") + c.stop_line);
    auto handler = Connected(Connection(9600, 8, c.parity, c.stop_bits));
    EXPECT_EQ(handler->ComPort().Parity(), c.port_parity);
    EXPECT_EQ(handler->ComPort().StopBits(), c.port_stop_bits);
    EXPECT_EQ(PortSettings().back().c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), c.flags);
    // The terminal keeps the odd flag and the stop bits.
    EXPECT_EQ(Terminal().c_cflag & (PARODD | CSTOPB), c.flags & (PARODD | CSTOPB));
    const std::string log = LogText(*handler);
    EXPECT_NE(log.find(std::string(" - ") + c.parity_line + "\r\n"), std::string::npos);
    EXPECT_NE(log.find(std::string(" - ") + c.stop_line + "\r\n"), std::string::npos);
    EXPECT_TRUE(handler->Disconnect());
    EXPECT_FALSE(handler->GetConnected());
  }
  // The two enumerations order odd and even differently.
  EXPECT_EQ(static_cast<int>(ptEven), 2);
  EXPECT_EQ(static_cast<int>(ptOdd), 1);
  EXPECT_EQ(static_cast<int>(qvParity::Even), 1);
}

TEST_F(SerialTest, SettingsThePortCannotTakeAreRefused) {
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { kConnection c = Connection(9600, 8, qvParity::None, 0); kIOHandler_Serial h(&c, "", ""); },
       "Stop Bits 0 invalid"},
      {[&] { kConnection c = Connection(9600, 8, qvParity::None, 3); kIOHandler_Serial h(&c, "", ""); },
       "Stop Bits 3 invalid"},
      {[&] { kConnection c = Connection(); c.fSerialPort = "COMX"; kIOHandler_Serial h(&c, "", ""); },
       "'X' is not a valid integer value"},
      {[&] { kConnection c = Connection(); c.fSerialPort = "COM"; kIOHandler_Serial h(&c, "", ""); },
       "'' is not a valid integer value"},
      {[&] { kConnection c = Connection(); c.fParity = static_cast<qvParity>(7); kIOHandler_Serial h(&c, "", ""); },
       "Parity invalid"},
      {[&] { TComPort p(9, 9600, 8, sbOneHalf, ptNone); p.Open(); }, "SetCommState failed!"},
      {[&] { TComPort p(9, 12345, 8, sbOne, ptNone); p.Open(); }, "SetCommState failed!"},
      {[&] { TComPort p(9, 9600, 9, sbOne, ptNone); p.Open(); }, "SetCommState failed!"},
      {[&] { TComPort p(9); p.SetLineParameters(9600, 8, sbOne, ptNone); }, "GetCommState failed!"},
  };
  for (const auto& [action, message] : cases) EXPECT_EQ(ErrorOf(action), message);
}

TEST_F(SerialTest, PortNumberIsTakenFromTheName) {
  const std::pair<std::string, uint32_t> cases[] = {{"COM1", 1}, {"COM3", 3}, {"COM12", 12}, {"com255", 255}};
  for (const auto& [name, number] : cases) {
    kConnection c = Connection();
    c.fSerialPort = name;
    EXPECT_EQ(kIOHandler_Serial(&c, "", "").ComPort().ComNumber(), number) << name;
  }
}

TEST_F(SerialTest, MarkAndSpaceParityReachTheTerminal) {
  TComPort port(9, 4800, 8, sbOne, ptMark);
  port.Open();
  EXPECT_EQ(Terminal().c_cflag & (PARODD | CMSPAR), static_cast<tcflag_t>(PARODD | CMSPAR));
  port.SetLineParameters(4800, 8, sbOne, ptSpace);
  EXPECT_EQ(Terminal().c_cflag & (PARODD | CMSPAR), static_cast<tcflag_t>(CMSPAR));
  EXPECT_EQ(port.Parity(), ptSpace);
  const termios now = Terminal();
  EXPECT_EQ(cfgetospeed(&now), static_cast<speed_t>(B4800));
}

TEST_F(SerialTest, ReadUpToStopsAtCrOrLfAndKeepsIt) {
  auto handler = Connected(Connection());
  line_.Send("AB\rCD\nEF");
  EXPECT_EQ(handler->ReadUpTo({13, 10}), "AB\r");
  EXPECT_EQ(handler->ReadUpTo({13, 10}), "CD\n");
  EXPECT_EQ(handler->ReadUpTo({13, 10}), "EF");  // no terminator: the read timeout ends it
  const std::string log = LogText(*handler);
  EXPECT_NE(log.find(" - Waiting for:\r,\n\r\n - Read:AB\r\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" - Read:CD\n\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" - ERROR - Read Timeout:EF\r\n"), std::string::npos) << log;
}

// A device that keeps sending without the terminator: bytes 2 ms apart never leave the 100 ms
// gap a single read waits for, so only a deadline checked after every byte ends the read.
TEST_F(SerialTest, ReadUpToEndsAtTheReadTimeoutWhileBytesKeepComing) {
  kConnection c = Connection();
  c.ReadTimeOut(500);
  auto handler = Connected(c);
  line_.StartStreaming('x', std::chrono::milliseconds(2));
  std::string read;
  {
    Watchdog watchdog(std::chrono::seconds(60), "ReadUpTo on a line that never pauses (read timeout 500 ms)");
    read = handler->ReadUpTo({13});
  }
  line_.StopStreaming();
  ASSERT_FALSE(read.empty());
  EXPECT_EQ(read.find_first_not_of('x'), std::string::npos);  // no terminator came
  EXPECT_LT(read.size(), kIOHandler_Serial::kMaxReadUpToBytes);
  EXPECT_NE(LogText(*handler).find(" - ERROR - Read Timeout:xx"), std::string::npos);
}

// A line that sends as fast as it can, with a read timeout too long to matter: the read stops
// at kMaxReadUpToBytes (64 KiB) without a terminator, and the log says why.
TEST_F(SerialTest, ReadUpToTakesAtMostItsLimitWithoutATerminator) {
  static_assert(kIOHandler_Serial::kMaxReadUpToBytes == 64 * 1024);
  kConnection c = Connection();
  c.ReadTimeOut(120000);
  auto handler = Connected(c);
  line_.StartStreaming('y');
  std::string read;
  {
    Watchdog watchdog(std::chrono::seconds(100), "ReadUpTo on a line that sends without end (limit 64 KiB)");
    read = handler->ReadUpTo({13, 10});
  }
  line_.StopStreaming();
  EXPECT_EQ(read, std::string(kIOHandler_Serial::kMaxReadUpToBytes, 'y'));
  const std::string log = LogText(*handler);
  EXPECT_NE(log.find(" - ERROR - Read Limit:no terminator in the first 65536 bytes: yyy"), std::string::npos);
  EXPECT_EQ(log.find("Read Timeout"), std::string::npos);
}

TEST_F(SerialTest, ReadUpToLogsTheTerminatorsInHexWithHexLog) {
  auto handler = Connected(Connection());
  handler->SetHexLog(true);
  line_.Send("\x02Z\x03");
  EXPECT_EQ(handler->ReadUpTo({3}), "\x02Z\x03");
  EXPECT_NE(LogText(*handler).find(" - Waiting for:\x03 [03]\r\n - Read:\x02Z\x03 [02 5a 03]\r\n"), std::string::npos)
      << LogText(*handler);
}

TEST_F(SerialTest, ReadCharsReturnsWhatCameWhenTheReadTimeoutPasses) {
  auto handler = Connected(Connection());
  line_.Send("abc");
  EXPECT_EQ(handler->ReadChars(5), "abc");
  line_.Send("xyz\xE9");
  EXPECT_EQ(handler->ReadChars(4), "xyz\xC3\xA9");  // one character per byte
  const std::string log = LogText(*handler);
  EXPECT_NE(log.find(" - ERROR - Read Timeout:abc\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" - Read:xyz\xC3\xA9\r\n"), std::string::npos) << log;
}

TEST_F(SerialTest, ASecondReadWithTheSameTimeoutLeavesThePortAlone) {
  TComPort port(9);
  port.Open();
  const size_t after_open = PortSettings().size();
  char byte;
  uint32_t error = 0;
  EXPECT_EQ(port.Read(&byte, 1, error, 150), 0);
  EXPECT_EQ(PortSettings().size(), after_open + 1);
  EXPECT_EQ(Terminal().c_cc[VTIME], 1);  // 100 ms between two bytes
  EXPECT_EQ(Terminal().c_cc[VMIN], 0);

  // Someone else changes the terminal; a read with the same timeout does not set it again.
  termios changed = Terminal();
  changed.c_cc[VTIME] = 7;
  ASSERT_EQ(tcsetattr(line_.TerminalDescriptor(), TCSANOW, &changed), 0);
  line_.Send("Q");
  EXPECT_EQ(port.Read(&byte, 1, error, 150), 1);
  EXPECT_EQ(byte, 'Q');
  EXPECT_EQ(port.Read(&byte, 1, error, 0), 0);  // 0 keeps the timeout as it is
  EXPECT_EQ(PortSettings().size(), after_open + 1);
  EXPECT_EQ(Terminal().c_cc[VTIME], 7);

  EXPECT_EQ(port.Read(&byte, 1, error, 200), 0);  // another timeout: set again
  EXPECT_EQ(PortSettings().size(), after_open + 2);
  EXPECT_EQ(Terminal().c_cc[VTIME], 1);

  port.Close();
  port.Open();  // opening forgets the last timeout
  const size_t after_reopen = PortSettings().size();
  EXPECT_EQ(port.Read(&byte, 1, error, 200), 0);
  EXPECT_EQ(PortSettings().size(), after_reopen + 1);
}

TEST_F(SerialTest, ReadGivesUpToNBytesOfALineThatKeepsSending) {
  TComPort port(9);
  port.Open();
  line_.Send("0123456789");
  ASSERT_TRUE(Eventually([&] { return port.GetBytesPending() == 10; }));
  char buffer[16] = {};
  uint32_t error = 0;
  EXPECT_EQ(port.Read(buffer, 4, error, 500), 4);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(port.Read(buffer, 16, error, 500), 6);  // the rest, then a quiet line ends the read
  EXPECT_EQ(std::string(buffer, 6), "456789");
}

TEST_F(SerialTest, OpenErrorsNameThePort) {
  const std::string missing = dir_ / "no-such-tty";
  {
    ScopedEnvironment env("QV_COM9", missing);
    EXPECT_EQ(ErrorOf([] { TComPort(9).Open(); }), "COM9 is not a valid COM port.");
  }
  TComPort holder(9);
  holder.Open();
  EXPECT_EQ(ErrorOf([] { TComPort(9).Open(); }), "Cannot open COM9 (error #16).");  // EBUSY: held by another
  kConnection c = Connection();
  kIOHandler_Serial handler(&c, dir_ / "logs", "SER");
  EXPECT_EQ(ErrorOf([&] { handler.Connect(); }), "Cannot open COM9 (error #16).");
  EXPECT_FALSE(handler.GetConnected());
  holder.Close();
  EXPECT_TRUE(handler.Connect());
}

TEST_F(SerialTest, OpenOfAPortWithoutAccessGivesTheSystemCode) {
  if (geteuid() == 0) GTEST_SKIP() << "root opens any file: no access error to see";
  const std::string locked = dir_ / "locked-tty";
  std::ofstream(locked).put('x');
  ASSERT_EQ(chmod(locked.c_str(), 0), 0);
  ScopedEnvironment env("QV_COM9", locked);
  EXPECT_EQ(ErrorOf([] { TComPort(9).Open(); }), "Cannot open COM9 (error #13).");  // EACCES
}

TEST_F(SerialTest, DeviceOfAPortWithoutSettingIsTheMatchingTtyS) {
  const std::pair<uint32_t, std::string> cases[] = {{1, "/dev/ttyS0"}, {4, "/dev/ttyS3"}, {12, "/dev/ttyS11"}};
  for (const auto& [number, device] : cases) {
    unsetenv(("QV_COM" + std::to_string(number)).c_str());
    EXPECT_EQ(TComPort(number).DeviceName(), device);
  }
}

TEST_F(SerialTest, WriteSendsTheTextInTheAnsiCodePage) {
  auto handler = Connected(Connection());
  EXPECT_TRUE(handler->Write("caf\xC3\xA9 \xE2\x82\xAC\r"));  // "café €\r"
  EXPECT_EQ(line_.Receive(7), "caf\xE9 \x80\r");
  EXPECT_NE(LogText(*handler).find(" - Write:caf\xC3\xA9 \xE2\x82\xAC\r\r\n"), std::string::npos);
}

TEST_F(SerialTest, InputQueueAndPurge) {
  auto handler = Connected(Connection());
  EXPECT_FALSE(handler->InputBufferContainsData());
  line_.Send("pending");
  EXPECT_TRUE(Eventually([&] { return handler->InputBufferContainsData(); }));
  EXPECT_TRUE(Eventually([&] { return handler->ComPort().GetBytesPending() == 7; }));
  handler->ClearBuffers();
  EXPECT_FALSE(handler->InputBufferContainsData());
  EXPECT_EQ(handler->ReadChars(1), "");
}

TEST_F(SerialTest, AClosedPortRefusesItsOperations) {
  TComPort port(9);
  char byte;
  uint32_t error = 0;
  const std::pair<std::function<void()>, std::string> cases[] = {
      {[&] { port.Read(&byte, 1, error, 100); }, "Cannot read because COM port is not open."},
      {[&] { port.WriteText("x"); }, "Cannot write because COM port is not open."},
      {[&] { port.SetDTR(true); }, "SetRTS failed because COM port not open."},
      {[&] { port.SetRTS(false); }, "SetRTS failed because COM port not open."},
      {[&] { port.ClearBuffers(); }, "(no error)"},
  };
  for (const auto& [action, message] : cases) EXPECT_EQ(ErrorOf(action), message);
  EXPECT_EQ(port.GetBytesPending(), 0u);
  EXPECT_FALSE(port.ComIsOpen());
}

TEST_F(SerialTest, ModemLinesOfALineWithoutThemFail) {
  // A pseudo-terminal has no DTR or RTS: the change is refused, not silently lost.
  TComPort port(9);
  port.Open();
  EXPECT_EQ(ErrorOf([&] { port.SetDTR(true); }), "SetDTR failed!");
  EXPECT_EQ(ErrorOf([&] { port.SetRTS(true); }), "SetRTS failed!");
}

TEST_F(SerialTest, AFailedReadLogsThePortsErrorFlags) {
  auto handler = Connected(Connection());
  line_.Send("x");
  ASSERT_EQ(handler->ReadChars(1), "x");  // the port's read timeout is set while the line is up
  line_.HangUp();
  EXPECT_EQ(handler->ReadUpTo({13}), "");
  const std::string log = LogText(*handler);
  EXPECT_NE(log.find(" - ERROR - Read Error:5\r\n"), std::string::npos) << log;  // EIO: the line is gone
  EXPECT_NE(log.find(" - ERROR - Read Timeout:\r\n"), std::string::npos) << log;
}

TEST_F(SerialTest, StreamOperationsOfTheHandler) {
  auto handler = Connected(Connection());
  EXPECT_EQ(ErrorOf([&] { handler->ReadAll(); }), "ReadAll Unsupported");
  EXPECT_EQ(handler->DecodeError(5), "");
  handler->SetParameter("a", "b");
  EXPECT_TRUE(handler->Disconnect());
  EXPECT_FALSE(handler->Connected());
  EXPECT_TRUE(handler->Disconnect());  // closing a closed port is nothing
}

}  // namespace
}  // namespace dodu::testing
