// The HTTP handler against a real server on a loopback port.
#include <gtest/gtest.h>

#include <chrono>

#include "base/error.h"
#include "base/temp_directory.h"
#include "io/connection.h"
#include "handler_log.h"
#include "io/http_handler.h"
#include "support/closed_port.h"
#include "support/http_test_server.h"
#include "support/watchdog.h"

namespace dodu::testing {
namespace {

class HttpHandlerTest : public ::testing::Test {
 protected:
  std::unique_ptr<kIOHandler_HTTP> Handler(qvHTTPAuthType auth = qvHTTPAuthType::at_None, const std::string& user = "",
                                           const std::string& password = "", std::string url = "") {
    kConnection connection;
    connection.fConnectionType = qvConnectionType::HTTP;
    connection.fURL = url.empty() ? server_.Url("/fiscal") : url;
    connection.fAuthType = auth;
    connection.fUser = user;
    connection.fPassword = password;
    connection.ConnectTimeOut(2000);
    auto handler = std::make_unique<kIOHandler_HTTP>(&connection, dir_ / "logs", "HTTP_T");
    handler->Connect();
    return handler;
  }

  TempDirectory dir_;
  HttpTestServer server_;
};

TEST_F(HttpHandlerTest, UrlIsTheConnectionsUrlElseAddressAndPort) {
  struct Case {
    std::string url, address;
    int32_t port;
    std::string expected;
  };
  const Case cases[] = {
      {"", "10.0.0.5", 8080, "10.0.0.5:8080"},
      {"", "10.0.0.5", 0, "10.0.0.5"},
      {"", "fp.local", -1, "fp.local"},
      {"https://fp/api", "10.0.0.5", 8080, "https://fp/api"},
  };
  for (const Case& c : cases) {
    kConnection connection;
    connection.fURL = c.url;
    connection.fAddress = c.address;
    connection.fPort = c.port;
    kIOHandler_HTTP handler(&connection, dir_ / "logs", "URL_" + std::to_string(&c - cases));
    EXPECT_EQ(handler.URL(), c.expected);
    EXPECT_TRUE(handler.Connect());
    EXPECT_NE(LogText(handler).find(" - kIOHandler_HTTP\r\n"), std::string::npos);
    EXPECT_NE(LogText(handler).find(" - URL=" + c.expected + "\r\n"), std::string::npos) << LogText(handler);
  }
  EXPECT_EQ(kIOHandler_HTTP(nullptr, "", "").URL(), "");
}

TEST_F(HttpHandlerTest, BasicCredentialsGoWithTheFirstRequest) {
  server_.RequireBasic("ana", "pw");
  server_.Enqueue(HttpTestServer::Answer::Status(200, "OK", "<ok/>"));
  auto handler = Handler(qvHTTPAuthType::at_Basic, "ana", "pw");
  EXPECT_TRUE(handler->Write("<doc/>"));
  EXPECT_EQ(handler->ResponseCode(), 200);
  EXPECT_EQ(handler->Response(), "<ok/>");
  EXPECT_FALSE(handler->ErrorFound());
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/fiscal");
  EXPECT_EQ(requests[0].Header("Authorization"), "Basic YW5hOnB3");
  EXPECT_EQ(requests[0].body, "<doc/>");
}

TEST_F(HttpHandlerTest, DigestAnswersTheServersChallenge) {
  server_.RequireDigest("ana", "pw");
  auto handler = Handler(qvHTTPAuthType::at_Digest, "ana", "pw");
  EXPECT_TRUE(handler->Write("<doc/>"));
  EXPECT_EQ(handler->ResponseCode(), 200);
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].HeaderCount("Authorization"), 0u);  // no basic credentials up front
  EXPECT_EQ(requests[1].Header("Authorization").rfind("Digest ", 0), 0u);
  EXPECT_EQ(requests[1].body, "<doc/>");
}

TEST_F(HttpHandlerTest, BearerReachesTheServerOnlyThroughAHeader) {
  auto handler = Handler(qvHTTPAuthType::at_Bearer, "ana", "pw");
  EXPECT_TRUE(handler->Write("a"));
  handler->SetParameter("Authorization", "Bearer t0ken");
  EXPECT_TRUE(handler->Write("b"));
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].HeaderCount("Authorization"), 0u);
  EXPECT_EQ(requests[1].HeaderCount("Authorization"), 1u);
  EXPECT_EQ(requests[1].Header("Authorization"), "Bearer t0ken");
}

TEST_F(HttpHandlerTest, NoAuthenticationSendsNoCredentialsAndA401Fails) {
  server_.RequireBasic("ana", "pw");
  auto handler = Handler(qvHTTPAuthType::at_None, "ana", "pw");
  EXPECT_FALSE(handler->Write("x"));
  EXPECT_EQ(handler->ResponseCode(), 401);
  EXPECT_EQ(handler->ErrorCode(), 401);
  EXPECT_EQ(handler->ErrorMessage(), "HTTP/1.1 401 Unauthorized Unauthorized");
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].HeaderCount("Authorization"), 0u);
}

TEST_F(HttpHandlerTest, A404KeepsThePreviousResponse) {
  server_.Enqueue(HttpTestServer::Answer::Status(200, "OK", "first answer"));
  server_.Enqueue(HttpTestServer::Answer::Status(404, "Not Found", "missing page"));
  auto handler = Handler();
  ASSERT_TRUE(handler->Write("one"));
  EXPECT_FALSE(handler->Write("two"));
  EXPECT_EQ(handler->ResponseCode(), 404);
  EXPECT_EQ(handler->Response(), "first answer");
  EXPECT_TRUE(handler->ErrorFound());
  EXPECT_EQ(handler->ErrorCode(), 404);
  EXPECT_EQ(handler->ErrorMessage(), "HTTP/1.1 404 Not Found Not Found");
  const std::string log = LogText(*handler);
  EXPECT_NE(log.find(" - Write [3]:two\r\n - ERROR - Post Error:HTTP/1.1 404 Not Found\r\n"
                     " - ERROR - Post Error:404 Not Found\r\n - Read:ResponseCode:404\r\nfirst answer\r\n"),
            std::string::npos)
      << log;
}

TEST_F(HttpHandlerTest, AnUnreachableServerGivesMinusOneAndUnknown) {
  ClosedPort closed;
  auto handler = Handler(qvHTTPAuthType::at_None, "", "", "http://127.0.0.1:" + std::to_string(closed.Port()) + "/");
  EXPECT_FALSE(handler->Write("x"));
  EXPECT_EQ(handler->ResponseCode(), -1);
  EXPECT_EQ(handler->ErrorCode(), -1);
  const std::string message = handler->ErrorMessage();
  ASSERT_GT(message.size(), 8u);
  EXPECT_EQ(message.substr(message.size() - 8), " Unknown") << message;
  EXPECT_EQ(handler->Response(), "");
  EXPECT_NE(LogText(*handler).find(" - ERROR - Post Error:-1 Unknown\r\n"), std::string::npos);
}

TEST_F(HttpHandlerTest, AFailureAfterASuccessStatusGives999) {
  HttpTestServer::Answer broken = HttpTestServer::Answer::Status(200, "OK", std::string(50, 'x'));
  broken.cut_body_after = 5;
  server_.Enqueue(broken);
  auto handler = Handler();
  EXPECT_FALSE(handler->Write("x"));
  EXPECT_EQ(handler->ResponseCode(), 999);
  EXPECT_EQ(handler->ErrorCode(), 999);
  EXPECT_FALSE(handler->ErrorMessage().empty());
  EXPECT_EQ(handler->ErrorMessage().find(" OK"), std::string::npos);  // no status text added
  EXPECT_EQ(handler->Response(), "");
}

// Against a server that accepts and never answers, a Write with both timeouts at 1000 ms
// returns false within the two together and names the timeout; nothing escapes it.
TEST_F(HttpHandlerTest, AWriteNobodyAnswersEndsAtTheConnectAndReadTimeouts) {
  HttpTestServer::Answer silent;
  silent.silent = true;
  server_.Enqueue(silent);
  kConnection connection;
  connection.fConnectionType = qvConnectionType::HTTP;
  connection.fURL = server_.Url("/fiscal");
  connection.ConnectTimeOut(1000);
  connection.ReadTimeOut(1000);
  kIOHandler_HTTP handler(&connection, dir_ / "logs", "HTTP_T");
  handler.Connect();
  {
    Watchdog watchdog(std::chrono::seconds(60), "an HTTP Write to a server that never answers (1000 + 1000 ms)");
    EXPECT_FALSE(handler.Write("<ping/>"));
  }
  EXPECT_EQ(handler.ResponseCode(), -1);
  EXPECT_TRUE(handler.ErrorFound());
  EXPECT_NE(handler.ErrorMessage().find("timed out: no complete answer within 2000 ms"), std::string::npos)
      << handler.ErrorMessage();
  EXPECT_NE(LogText(handler).find(" - ERROR - Post Error:The HTTP request to "), std::string::npos);
}

// A temporary read timeout bounds the Writes made while it holds.
TEST_F(HttpHandlerTest, ATemporaryReadTimeoutBoundsTheRequest) {
  HttpTestServer::Answer silent;
  silent.silent = true;
  server_.Enqueue(silent);
  auto handler = Handler();  // connect 2000 ms, read 1000 ms
  handler->SetTemporaryReadTimeout(500);
  EXPECT_FALSE(handler->Write("x"));
  EXPECT_NE(handler->ErrorMessage().find("within 2500 ms"), std::string::npos) << handler->ErrorMessage();
}

// An answer past the handler's limit fails the Write (999, as any failure after a success
// status) and leaves the previous response; the default limit is the client's 4 MiB.
TEST_F(HttpHandlerTest, AnAnswerPastTheLimitFailsTheWrite) {
  auto handler = Handler();
  EXPECT_EQ(handler->MaxResponseSize(), HttpClient::kDefaultMaxAnswerBytes);
  handler->SetMaxResponseSize(1000);
  server_.Enqueue(HttpTestServer::Answer::Status(200, "OK", std::string(1000, 'a')));
  EXPECT_TRUE(handler->Write("first"));
  server_.Enqueue(HttpTestServer::Answer::Status(200, "OK", std::string(1001, 'b')));
  EXPECT_FALSE(handler->Write("second"));
  EXPECT_EQ(handler->ResponseCode(), 999);
  EXPECT_EQ(handler->ErrorMessage(), "The HTTP answer is larger than the limit of 1000 bytes");
  EXPECT_EQ(handler->Response(), std::string(1000, 'a'));
}

// A large answer within the limit is kept whole, but its log line keeps a bounded excerpt
// (256 KiB) and says how long the message was, so one answer cannot fill the disk.
TEST_F(HttpHandlerTest, TheLogKeepsABoundedExcerptOfALargeAnswer) {
  static_assert(tQV_LogWriter::kMaxLoggedMessageBytes == 256 * 1024);
  const std::string body(3 * 1024 * 1024, 'z');
  server_.Enqueue(HttpTestServer::Answer::Status(200, "OK", body));
  auto handler = Handler();
  ASSERT_TRUE(handler->Write(std::string(600 * 1024, 'w')));
  EXPECT_EQ(handler->Response(), body);
  const std::string log = LogText(*handler);
  EXPECT_LT(log.size(), 3 * tQV_LogWriter::kMaxLoggedMessageBytes);
  const std::string write_text = "Write [614400]:" + std::string(600 * 1024, 'w');
  EXPECT_NE(log.find(" ... [cut: " + std::to_string(write_text.size()) + " bytes in all]"), std::string::npos);
  const std::string read_text = "Read:ResponseCode:200\r\n" + body;
  EXPECT_NE(log.find(" ... [cut: " + std::to_string(read_text.size()) + " bytes in all]"), std::string::npos);

  // With the hex dump on, the dump is of the kept part only and the line stays bounded.
  server_.Enqueue(HttpTestServer::Answer::Status(200, "OK", "ok"));
  handler->SetHexLog(true);
  ASSERT_TRUE(handler->Write(std::string(1024 * 1024, 'h')));
  EXPECT_LT(LogText(*handler).size(), 5 * tQV_LogWriter::kMaxLoggedMessageBytes);
}

// SetParameter refuses a header that would add lines to the request; later requests carry no
// trace of it.
TEST_F(HttpHandlerTest, SetParameterRefusesLineBreaks) {
  auto handler = Handler();
  EXPECT_THROW(handler->SetParameter("Authorization", "Bearer t0k\r\nX-Injected: yes"), Error);
  EXPECT_THROW(handler->SetParameter("X-A\nX-Injected", "yes"), Error);
  EXPECT_TRUE(handler->Write("x"));
  const auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].HeaderCount("X-Injected"), 0u);
  EXPECT_EQ(requests[0].HeaderCount("Authorization"), 0u);
}

TEST_F(HttpHandlerTest, SetParameterTwiceKeepsOneHeaderWithTheSecondValue) {
  auto handler = Handler();
  handler->SetParameter("X-Till", "1");
  handler->SetParameter("X-Till", "2");
  handler->Write("a");
  handler->Write("b");
  for (const auto& request : server_.Requests()) {
    EXPECT_EQ(request.HeaderCount("X-Till"), 1u);
    EXPECT_EQ(request.Header("X-Till"), "2");
  }
}

TEST_F(HttpHandlerTest, NonAsciiBodyGoesAsUtf8AndTheLogCountsBytes) {
  const std::string message = "Ol\xC3\xA1 \xE2\x82\xAC";  // "Olá €": 5 characters, 8 bytes
  auto handler = Handler();
  handler->SetHexLog(true);
  EXPECT_TRUE(handler->Write(message));
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].body, message);
  EXPECT_NE(LogText(*handler).find(" - Write [8]:" + message + " [4f 6c e1 20 20ac]\r\n"), std::string::npos)
      << LogText(*handler);
}

TEST_F(HttpHandlerTest, ContentTypeIsSentOnlyWhenSet) {
  auto handler = Handler();
  handler->Write("a");
  handler->SetContentType("text/xml; charset=utf-8");
  handler->Write("b");
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].HeaderCount("Content-Type"), 0u);
  EXPECT_EQ(requests[1].Header("Content-Type"), "text/xml; charset=utf-8");
}

TEST_F(HttpHandlerTest, ResponseBecomesText) {
  HttpTestServer::Answer latin = HttpTestServer::Answer::Status(200, "OK", "caf\xE9");
  latin.headers = {{"Content-Type", "text/plain; charset=ISO-8859-1"}};
  server_.Enqueue(latin);
  HttpTestServer::Answer utf8 = HttpTestServer::Answer::Status(200, "OK", "caf\xC3\xA9");
  utf8.headers = {{"Content-Type", "text/xml; charset=utf-8"}};
  server_.Enqueue(utf8);
  auto handler = Handler();
  handler->Write("a");
  EXPECT_EQ(handler->Response(), "caf\xC3\xA9");
  handler->Write("b");
  EXPECT_EQ(handler->Response(), "caf\xC3\xA9");
  EXPECT_NE(LogText(*handler).find(" - Read:ResponseCode:200\r\ncaf\xC3\xA9\r\n"), std::string::npos);
}

TEST_F(HttpHandlerTest, KeepsTheConnectionAliveUntilDisconnect) {
  auto handler = Handler();
  EXPECT_FALSE(handler->Connected());  // Connect makes no request
  EXPECT_TRUE(server_.Requests().empty());
  handler->Write("a");
  handler->Write("b");
  EXPECT_TRUE(handler->Connected());
  EXPECT_TRUE(handler->Disconnect());
  EXPECT_FALSE(handler->Connected());
  handler->Write("c");
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].connection, requests[1].connection);
  EXPECT_NE(requests[1].connection, requests[2].connection);
}

TEST_F(HttpHandlerTest, StreamOperationsAnswerNothingOrRaise) {
  auto handler = Handler();
  EXPECT_EQ(handler->ReadUpTo({13}), "");
  EXPECT_EQ(handler->ReadChars(4), "");
  handler->ClearBuffers();
  try {
    handler->ReadAll();
    ADD_FAILURE() << "ReadAll must raise";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "ReadAll Unsupported");
  }
  try {
    handler->InputBufferContainsData();
    ADD_FAILURE() << "InputBufferContainsData must raise";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "InputBufferContainsData Unsupported");
  }
  EXPECT_TRUE(server_.Requests().empty());
}

TEST(HttpDecodeErrorTest, StatusTexts) {
  kIOHandler_HTTP handler(nullptr, "", "");
  const std::pair<int, std::string> cases[] = {
      {100, "Continue"},       {101, "Switching Protocol"},          {200, "OK"},
      {207, "Multi-Status (WebDAV)"}, {208, "Already Reported (WebDAV)"}, {226, "IM Used (HTTP Delta encoding)"},
      {305, "Use Proxy "},     {306, "unused"},                      {308, "Permanent Redirect"},
      {404, "Not Found"},      {418, "I'm a teapot"},                {451, "Unavailable For Legal Reasons"},
      {500, "Internal Server Error"}, {511, "Network Authentication Required"},
      {-1, "Unknown"},         {0, "Unknown"},                       {209, "Unknown"},
      {425, "Unknown"},        {509, "Unknown"},                     {999, "Unknown"},
  };
  for (const auto& [code, text] : cases) EXPECT_EQ(handler.DecodeError(code), text) << code;
}

}  // namespace
}  // namespace dodu::testing
