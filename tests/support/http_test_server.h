#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace dodu::testing {

// A real HTTP/1.1 server on a loopback port, for the tests of HTTP clients. It keeps connections
// alive, checks basic (RFC 7617) and digest (RFC 7616, MD5, qop=auth) credentials the standard
// way, records every request it reads, and answers with the answers programmed for it, in order
// (200 OK with an empty body when none is left). It stops when destroyed.
class HttpTestServer {
 public:
  struct Request {
    std::string method;
    std::string target;  // as in the request line: "/path?query"
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    int connection = 0;  // 1 for the first connection accepted, 2 for the next ...
    int status = 0;      // the status the server answered

    // The value of the first header of that name (without letter case); "" when none.
    std::string Header(const std::string& name) const;
    size_t HeaderCount(const std::string& name) const;
  };

  struct Answer {
    int status = 200;
    std::string reason = "OK";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    bool close = false;  // close the connection after this answer
    // Sends only this many bytes of the body, though its whole length is announced, then closes:
    // an answer that breaks off after its status line.
    size_t cut_body_after = static_cast<size_t>(-1);
    // Reads the request and sends nothing at all, holding the connection until the server stops:
    // a server that accepts and never answers.
    bool silent = false;
    // Sends the body in chunks without announcing its length, so a client learns the size only
    // by receiving it.
    bool chunked = false;

    static Answer Status(int status, std::string reason, std::string body = std::string()) {
      Answer answer;
      answer.status = status;
      answer.reason = std::move(reason);
      answer.body = std::move(body);
      return answer;
    }
  };

  HttpTestServer();
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  uint16_t Port() const { return port_; }
  // "http://127.0.0.1:port" + path.
  std::string Url(const std::string& path = "/") const;

  // Requests without the required credentials are answered 401 with the scheme's challenge, and
  // consume no programmed answer.
  void RequireBasic(const std::string& user, const std::string& password, const std::string& realm = "dodu");
  void RequireDigest(const std::string& user, const std::string& password, const std::string& realm = "dodu");
  void RequireNothing();

  void Enqueue(Answer answer);
  std::vector<Request> Requests() const;
  int ConnectionsAccepted() const;

 private:
  enum class Scheme { None, Basic, Digest };

  void AcceptLoop();
  void Serve(int fd, int connection);
  // The challenge header of a request lacking credentials; "" when it may pass.
  std::string Challenge(const Request& request);

  int listener_ = -1;
  int wake_[2] = {-1, -1};
  uint16_t port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;

  mutable std::mutex mutex_;
  std::vector<std::thread> connections_;
  std::vector<Request> requests_;
  std::vector<Answer> answers_;
  std::vector<std::string> nonces_;
  int accepted_ = 0;
  Scheme scheme_ = Scheme::None;
  std::string user_, password_, realm_;
};

}  // namespace dodu::testing
