// The HTTP client against a real server on a loopback port.
#include <gtest/gtest.h>

#include <chrono>

#include "io/http_client.h"
#include "support/closed_port.h"
#include "support/http_test_server.h"
#include "support/watchdog.h"

namespace dodu {
namespace {

using testing::HttpTestServer;
using testing::Watchdog;

class HttpClientTest : public ::testing::Test {
 protected:
  HttpClientTest() { client_.SetConnectTimeout(2000); }

  HttpTestServer server_;
  HttpClient client_;
};

TEST_F(HttpClientTest, BasicCredentialsGoWithTheFirstRequest) {
  server_.RequireBasic("till", "s3cr\xC3\xA9t");
  client_.SetCredentials(HttpAuthentication::Basic, "till", "s3cr\xC3\xA9t");
  HttpResponse response = client_.Post(server_.Url("/fp"), "<a/>", "text/xml");
  EXPECT_EQ(response.status, 200);
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("Authorization"), "Basic dGlsbDpzM2Nyw6l0");  // base64 of till:s3crét in UTF-8
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/fp");
  EXPECT_EQ(requests[0].body, "<a/>");
}

TEST_F(HttpClientTest, BasicDoesNotAnswerAChallenge) {
  server_.RequireBasic("till", "right");
  client_.SetCredentials(HttpAuthentication::Basic, "till", "wrong");
  try {
    client_.Post(server_.Url(), "x", "");
    FAIL() << "a refused request must raise";
  } catch (const HttpError& e) {
    EXPECT_EQ(e.Status(), 401);
    EXPECT_EQ(std::string(e.what()), "HTTP/1.1 401 Unauthorized");
  }
  EXPECT_EQ(server_.Requests().size(), 1u);
}

TEST_F(HttpClientTest, DigestAnswersTheChallengeInsideTheClient) {
  server_.RequireDigest("till", "pw", "fiscal");
  client_.SetCredentials(HttpAuthentication::Digest, "till", "pw");
  server_.Enqueue(HttpTestServer::Answer::Status(201, "Created", "done"));
  HttpResponse response = client_.Post(server_.Url("/fp?x=1"), "<doc>payload</doc>", "text/xml");
  EXPECT_EQ(response.status, 201);
  EXPECT_EQ(response.body, "done");
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("Authorization"), "");
  EXPECT_EQ(requests[0].status, 401);
  EXPECT_EQ(requests[1].Header("Authorization").rfind("Digest ", 0), 0u) << requests[1].Header("Authorization");
  EXPECT_EQ(requests[1].status, 201);
  EXPECT_EQ(requests[1].body, "<doc>payload</doc>");
}

TEST_F(HttpClientTest, DigestWithAWrongPasswordEndsIn401) {
  server_.RequireDigest("till", "pw");
  client_.SetCredentials(HttpAuthentication::Digest, "till", "nope");
  try {
    client_.Post(server_.Url(), "x", "");
    FAIL() << "a refused request must raise";
  } catch (const HttpError& e) {
    EXPECT_EQ(e.Status(), 401);
  }
  for (const auto& request : server_.Requests()) EXPECT_EQ(request.status, 401);
}

TEST_F(HttpClientTest, NoSchemeSendsNoCredentials) {
  client_.SetCredentials(HttpAuthentication::None, "till", "pw");
  client_.Post(server_.Url(), "x", "");
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].HeaderCount("Authorization"), 0u);
}

TEST_F(HttpClientTest, KeepsTheConnectionBetweenRequestsUntilDisconnected) {
  EXPECT_FALSE(client_.Connected());
  client_.Post(server_.Url(), "1", "");
  EXPECT_TRUE(client_.Connected());
  client_.Post(server_.Url(), "2", "");
  client_.Disconnect();
  EXPECT_FALSE(client_.Connected());
  client_.Post(server_.Url(), "3", "");
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].connection, requests[1].connection);
  EXPECT_NE(requests[1].connection, requests[2].connection);
  EXPECT_EQ(server_.ConnectionsAccepted(), 2);
}

TEST_F(HttpClientTest, ServerClosingTheConnectionLeavesTheClientUnconnected) {
  HttpTestServer::Answer closing;
  closing.close = true;
  server_.Enqueue(closing);
  client_.Post(server_.Url(), "1", "");
  EXPECT_FALSE(client_.Connected());
  client_.Post(server_.Url(), "2", "");
  EXPECT_EQ(server_.ConnectionsAccepted(), 2);
}

TEST_F(HttpClientTest, CustomHeadersAreAddedOrReplacedAndStay) {
  client_.SetHeader("Authorization", "Bearer one");
  client_.SetHeader("X-Till", "7");
  client_.SetHeader("authorization", "Bearer two");
  ASSERT_EQ(client_.Headers().size(), 2u);
  client_.Post(server_.Url(), "a", "");
  client_.Post(server_.Url(), "b", "");
  for (const auto& request : server_.Requests()) {
    EXPECT_EQ(request.HeaderCount("Authorization"), 1u);
    EXPECT_EQ(request.Header("Authorization"), "Bearer two");
    EXPECT_EQ(request.Header("X-Till"), "7");
  }
}

TEST_F(HttpClientTest, ContentTypeIsSentOnlyWhenGivenAndACustomOneWins) {
  client_.Post(server_.Url(), "a", "");
  client_.Post(server_.Url(), "b", "text/xml; charset=utf-8");
  client_.SetHeader("Content-Type", "application/json");
  client_.Post(server_.Url(), "c", "text/xml");
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].HeaderCount("Content-Type"), 0u);
  EXPECT_EQ(requests[1].Header("Content-Type"), "text/xml; charset=utf-8");
  EXPECT_EQ(requests[2].HeaderCount("Content-Type"), 1u);
  EXPECT_EQ(requests[2].Header("Content-Type"), "application/json");
}

TEST_F(HttpClientTest, AnswerBodyAndContentTypeComeBackAsReceived) {
  const std::string body("caf\xC3\xA9\0end", 9);
  HttpTestServer::Answer answer = HttpTestServer::Answer::Status(200, "OK", body);
  answer.headers = {{"Content-Type", "text/plain; charset=utf-8"}};
  server_.Enqueue(answer);
  HttpResponse response = client_.Post(server_.Url(), "q", "");
  EXPECT_EQ(response.body, body);
  EXPECT_EQ(response.content_type, "text/plain; charset=utf-8");
}

TEST_F(HttpClientTest, StatusOutsideSuccessRaisesWithTheStatusLine) {
  server_.Enqueue(HttpTestServer::Answer::Status(404, "Not Found", "no such page"));
  try {
    client_.Post(server_.Url("/missing"), "x", "");
    FAIL() << "a 404 must raise";
  } catch (const HttpError& e) {
    EXPECT_EQ(e.Status(), 404);
    EXPECT_EQ(std::string(e.what()), "HTTP/1.1 404 Not Found");
  }
}

TEST_F(HttpClientTest, NoStatusLineGivesMinusOne) {
  testing::ClosedPort closed;
  try {
    client_.Post("http://127.0.0.1:" + std::to_string(closed.Port()) + "/", "x", "");
    FAIL() << "an unreachable server must raise";
  } catch (const HttpError& e) {
    EXPECT_EQ(e.Status(), -1);
    EXPECT_FALSE(std::string(e.what()).empty());
  }
}

TEST_F(HttpClientTest, AnswerBreakingOffAfterItsStatusLineKeepsTheStatus) {
  HttpTestServer::Answer broken = HttpTestServer::Answer::Status(200, "OK", std::string(100, 'x'));
  broken.cut_body_after = 10;
  server_.Enqueue(broken);
  try {
    client_.Post(server_.Url(), "x", "");
    FAIL() << "a broken answer must raise";
  } catch (const HttpError& e) {
    EXPECT_EQ(e.Status(), 200);
  }
}

TEST_F(HttpClientTest, FormPostCarriesTheEncodedFields) {
  HttpResponse response = client_.PostForm(server_.Url("/svc"), {{"xml", "<a b=\"1\">é &amp;</a>"}});
  EXPECT_EQ(response.status, 200);
  auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(requests[0].body, "xml=%3Ca+b%3D%221%22%3E%C3%A9+%26amp%3B%3C%2Fa%3E");
}

// A server that accepts the request and never answers: the whole request is bounded by the
// client's limit and ends with a timeout error that says so.
TEST_F(HttpClientTest, ARequestNeverAnsweredEndsWithATimeoutError) {
  HttpTestServer::Answer silent;
  silent.silent = true;
  server_.Enqueue(silent);
  client_.SetTimeout(1000);
  Watchdog watchdog(std::chrono::seconds(60), "a POST to a server that never answers (limit 1000 ms)");
  try {
    client_.Post(server_.Url("/fp"), "x", "text/plain");
    FAIL() << "a request nobody answers must raise";
  } catch (const HttpError& e) {
    EXPECT_EQ(e.Status(), -1);
    EXPECT_NE(std::string(e.what()).find("timed out: no complete answer within 1000 ms"), std::string::npos)
        << e.what();
  }
  EXPECT_EQ(server_.Requests().size(), 1u);
}

TEST_F(HttpClientTest, WithoutLimitsSetTheDefaultsHold) {
  EXPECT_EQ(client_.MaxAnswerBytes(), HttpClient::kDefaultMaxAnswerBytes);
  EXPECT_EQ(HttpClient::kDefaultMaxAnswerBytes, 4u * 1024 * 1024);
  client_.SetMaxAnswerBytes(0);  // no "unlimited": 0 means the default
  EXPECT_EQ(client_.MaxAnswerBytes(), HttpClient::kDefaultMaxAnswerBytes);
  // The default refuses an answer one byte past 4 MiB, announced or not.
  for (bool chunked : {false, true}) {
    HttpTestServer::Answer big = HttpTestServer::Answer::Status(200, "OK", std::string(4 * 1024 * 1024 + 1, 'b'));
    big.chunked = chunked;
    server_.Enqueue(big);
    try {
      client_.Post(server_.Url(), "x", "");
      FAIL() << "an answer past the default limit must raise (chunked " << chunked << ")";
    } catch (const HttpError& e) {
      EXPECT_EQ(std::string(e.what()), "The HTTP answer is larger than the limit of 4194304 bytes");
      EXPECT_EQ(e.Status(), 200);
    }
  }
}

// The limit holds whether the server announces the length (refused before the body) or sends
// chunks (refused as the body grows past it); an answer of exactly the limit passes.
TEST_F(HttpClientTest, AnAnswerPastItsLimitIsRefused) {
  constexpr size_t kLimit = 64 * 1024;
  client_.SetMaxAnswerBytes(kLimit);
  struct Case {
    size_t size;
    bool chunked;
    bool taken;
  };
  const Case cases[] = {{kLimit, false, true}, {kLimit, true, true}, {kLimit + 1, false, false},
                        {kLimit + 1, true, false}, {10 * kLimit, true, false}};
  for (const Case& c : cases) {
    HttpTestServer::Answer answer = HttpTestServer::Answer::Status(200, "OK", std::string(c.size, 'a'));
    answer.chunked = c.chunked;
    server_.Enqueue(answer);
    try {
      HttpResponse response = client_.Post(server_.Url(), "x", "");
      EXPECT_TRUE(c.taken) << c.size << " chunked " << c.chunked;
      EXPECT_EQ(response.body.size(), c.size);
    } catch (const HttpError& e) {
      EXPECT_FALSE(c.taken) << c.size << " chunked " << c.chunked << ": " << e.what();
      EXPECT_EQ(std::string(e.what()), "The HTTP answer is larger than the limit of 65536 bytes");
    }
  }
}

// A header value with a line break would put further header lines (or a second request) on the
// wire; such names and values are refused before anything is sent.
TEST_F(HttpClientTest, HeaderFieldsThatWouldInjectLinesAreRefused) {
  const std::pair<std::string, std::string> hostile[] = {
      {"X-Till", "1\r\nX-Injected: yes"},
      {"X-Till", "1\nX-Injected: yes"},
      {"X-Till", "1\rX-Injected: yes"},
      {"X-Till", std::string("1\0X-Injected: yes", 17)},
      {"X-Till\r\nX-Injected", "yes"},
      {"X-Till: yes\r\nX-Injected", "yes"},
      {"X Till", "1"},
      {"", "1"},
  };
  for (const auto& [name, value] : hostile) {
    EXPECT_THROW(client_.SetHeader(name, value), Error) << name;
  }
  EXPECT_TRUE(client_.Headers().empty());
  // Through the content type, the other way a caller's text becomes a header.
  EXPECT_THROW(client_.Post(server_.Url(), "x", "text/xml\r\nX-Injected: yes"), Error);
  EXPECT_TRUE(server_.Requests().empty());
  client_.SetHeader("X-Till", "7 \t ok");  // blanks and tabs are fine
  client_.Post(server_.Url(), "x", "");
  const auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("X-Till"), "7 \t ok");
  EXPECT_EQ(requests[0].HeaderCount("X-Injected"), 0u);
}

// A redirect is an answer like any other unless following was asked for.
TEST_F(HttpClientTest, RedirectsAreFollowedOnlyWhenAskedFor) {
  HttpTestServer::Answer moved = HttpTestServer::Answer::Status(302, "Found");
  moved.headers = {{"Location", server_.Url("/elsewhere")}};
  server_.Enqueue(moved);
  try {
    client_.Post(server_.Url("/fp"), "x", "");
    FAIL() << "a redirect not followed must raise";
  } catch (const HttpError& e) {
    EXPECT_EQ(e.Status(), 302);
  }
  ASSERT_EQ(server_.Requests().size(), 1u);

  server_.Enqueue(moved);
  server_.Enqueue(HttpTestServer::Answer::Status(200, "OK", "there"));
  client_.SetFollowRedirects(true);
  HttpResponse response = client_.Post(server_.Url("/fp"), "x", "");
  EXPECT_EQ(response.body, "there");
  const auto requests = server_.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[2].target, "/elsewhere");
}

TEST(FormUrlEncodeTest, Cases) {
  const std::vector<std::pair<std::vector<std::pair<std::string, std::string>>, std::string>> cases = {
      {{}, ""},
      {{{"xml", ""}}, "xml="},
      {{{"a", "1"}, {"b c", "x+y"}}, "a=1&b+c=x%2By"},
      {{{"k", "AZaz09-._*~"}}, "k=AZaz09-._*%7E"},
      {{{"k", "\xE2\x82\xAC\n"}}, "k=%E2%82%AC%0A"},
  };
  for (const auto& [fields, expected] : cases) EXPECT_EQ(FormUrlEncode(fields), expected);
}

}  // namespace
}  // namespace dodu
