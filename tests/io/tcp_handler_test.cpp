#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "base/log_writer.h"
#include "io/connection.h"
#include "io/tcp_handler.h"

namespace dodu {
namespace {

namespace fs = std::filesystem;

// A one-connection loopback peer: accepts, runs its script on the socket, closes.
class LoopbackPeer {
 public:
  explicit LoopbackPeer(std::function<void(int)> script) : script_(std::move(script)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(listener_, 1), 0);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      int peer = accept(listener_, nullptr, nullptr);
      if (peer >= 0) {
        script_(peer);
        close(peer);
      }
    });
  }
  ~LoopbackPeer() {
    // A client may have connected and be waiting in the backlog before the thread reached
    // accept: leave the listener open for it. Otherwise nobody comes, and accept is woken.
    pollfd pending{listener_, POLLIN, 0};
    if (poll(&pending, 1, 0) <= 0) shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
  }
  uint16_t Port() const { return port_; }

 private:
  std::function<void(int)> script_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
};

class TcpHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tcp_handler_" + std::to_string(getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::unique_ptr<kIOHandler_TCP> Handler(uint16_t port, int read_timeout_ms = 300) {
    kConnection connection;
    connection.fConnectionType = qvConnectionType::TCP;
    connection.fAddress = "127.0.0.1";
    connection.fPort = port;
    connection.ConnectTimeOut(1000);
    connection.ReadTimeOut(read_timeout_ms);
    return std::make_unique<kIOHandler_TCP>(&connection, dir_.string(), "TCP_1");
  }

  // The log text once the handler (and with it the writer) is gone.
  std::string LogOf(std::unique_ptr<kIOHandler_TCP> handler) {
    std::string file = handler->GetLogFileName();
    handler.reset();
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  fs::path dir_;
};

TEST_F(TcpHandlerTest, ReadUpToStopsAtTheTerminatorAndLogsTheRead) {
  LoopbackPeer peer([](int s) {
    const char bytes[] = {2, 'A', 3, 'Z'};
    send(s, bytes, sizeof bytes, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  });
  auto handler = Handler(peer.Port());
  ASSERT_TRUE(handler->Connect());
  std::string read = handler->ReadUpTo({3});
  EXPECT_EQ(read, std::string("\x02" "A" "\x03"));
  EXPECT_TRUE(handler->InputBufferContainsData());  // the Z after the terminator waits
  handler->ClearBuffers();
  EXPECT_FALSE(handler->InputBufferContainsData());
  std::string log = LogOf(std::move(handler));
  EXPECT_NE(log.find(" - Waiting for:\x03"), std::string::npos);
  EXPECT_NE(log.find(" - Read:\x02" "A" "\x03\r\n"), std::string::npos);
  EXPECT_NE(log.find(" - kIOHandler_TCP\r\n"), std::string::npos);
  EXPECT_NE(log.find(" - Port=" + std::to_string(peer.Port())), std::string::npos);
}

TEST_F(TcpHandlerTest, ReadUpToOnASilentPeerEndsWithTheReadTimeout) {
  LoopbackPeer peer([](int) { std::this_thread::sleep_for(std::chrono::milliseconds(800)); });
  auto handler = Handler(peer.Port(), 200);
  ASSERT_TRUE(handler->Connect());
  EXPECT_EQ(handler->ReadUpTo({3}), "");
  EXPECT_THROW(handler->ReadBytesUpTo({3}), TcpTimeoutError);
  std::string log = LogOf(std::move(handler));
  EXPECT_NE(log.find(" - ERROR - ReadUpTo Unexpected error:Read timed out"), std::string::npos);
}

TEST_F(TcpHandlerTest, ReadAllReturnsWhatCameBeforeThePeerClosed) {
  LoopbackPeer peer([](int s) { send(s, "0123456789", 10, 0); });
  auto handler = Handler(peer.Port(), 2000);
  ASSERT_TRUE(handler->Connect());
  EXPECT_EQ(handler->ReadAll(), "0123456789");
  std::string log = LogOf(std::move(handler));
  EXPECT_NE(log.find(" - Read:0123456789\r\n"), std::string::npos);
}

TEST_F(TcpHandlerTest, ReadAllStopsAfterTheReadTimeoutOnAPeerThatKeepsSending) {
  // A byte every 20 ms never lets the per-read wait expire; only the overall limit ends the read.
  auto chatty = [](int s) {
    for (int i = 0; i < 150; ++i) {
      if (send(s, "x", 1, MSG_NOSIGNAL) != 1) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  };
  {
    LoopbackPeer peer(chatty);
    auto handler = Handler(peer.Port(), 300);
    ASSERT_TRUE(handler->Connect());
    const std::string text = handler->ReadAll();
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find_first_not_of('x'), std::string::npos);
    handler->Disconnect();
    std::string log = LogOf(std::move(handler));
    EXPECT_NE(log.find(" - ERROR - Read Timeout:" + text + "\r\n"), std::string::npos) << log;
  }
  {
    LoopbackPeer peer(chatty);
    auto handler = Handler(peer.Port(), 300);
    ASSERT_TRUE(handler->Connect());
    EXPECT_EQ(handler->ReadAllBytes(), "");  // the bytes read so far are dropped
    handler->Disconnect();
    std::string log = LogOf(std::move(handler));
    EXPECT_NE(log.find(" - ERROR - Read Timeout:\r\n"), std::string::npos) << log;
  }
}

TEST_F(TcpHandlerTest, ReadCharsReadsExactlyTheCountAsEightBitText) {
  LoopbackPeer peer([](int s) {
    const unsigned char bytes[] = {'a', 233, 'b'};
    send(s, bytes, sizeof bytes, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  });
  auto handler = Handler(peer.Port());
  ASSERT_TRUE(handler->Connect());
  EXPECT_EQ(handler->ReadChars(2), "a\u00e9");  // byte 233 reads as the character of code 233
  EXPECT_EQ(handler->ReadChars(5), "");         // only one byte left: the read fails and says so
  std::string log = LogOf(std::move(handler));
  EXPECT_NE(log.find(" - ERROR - ReadChars Unexpected error:"), std::string::npos);
}

TEST_F(TcpHandlerTest, WriteSendsEightBitText) {
  std::string received;
  {
    LoopbackPeer peer([&](int s) {
      char buffer[64];
      ssize_t n;
      while ((n = recv(s, buffer, sizeof buffer, 0)) > 0) received.append(buffer, n);
    });
    auto handler = Handler(peer.Port());
    ASSERT_TRUE(handler->Connect());
    EXPECT_TRUE(handler->Write("caf\u00e9 \u20ac"));  // the euro sign has no 8-bit code here
    handler->SetCodePage(1252);
    EXPECT_TRUE(handler->Write("\u20ac"));
    EXPECT_TRUE(handler->Disconnect());
  }
  EXPECT_EQ(received, std::string("caf\xe9 ?\x80"));
}

TEST_F(TcpHandlerTest, ConnectToAClosedPortFailsAndLogsWhy) {
  uint16_t port;
  {
    LoopbackPeer peer([](int) {});
    port = peer.Port();
    // Connect once so the peer's accept returns and the port closes with it.
    auto handler = Handler(port);
    handler->Connect();
  }
  auto handler = Handler(port);
  EXPECT_FALSE(handler->Connect());
  EXPECT_FALSE(handler->Connected());
  std::string log = LogOf(std::move(handler));
  EXPECT_NE(log.find(" - ERROR - Connect Error:Connection to 127.0.0.1:" + std::to_string(port) + " refused"),
            std::string::npos);
}

}  // namespace
}  // namespace dodu
