#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/error.h"

namespace dodu {

// How a request proves who sends it.
//   None:   no credentials go out, whatever user and password are set.
//   Basic:  basic credentials go with every request, before any challenge; a challenge is not
//           answered (the 401 is the result).
//   Digest: the request goes without credentials; the server's digest challenge is answered
//           inside the client by repeating the request.
enum class HttpAuthentication { None, Basic, Digest };

// A failed request: the network failed, or the server answered with a status outside 200..299.
// Status() is the status the client holds: -1 when no status line arrived, and a success status
// when the answer broke off after its status line.
class HttpError : public Error {
 public:
  HttpError(const std::string& message, int status) : Error(message), status_(status) {}
  int Status() const { return status_; }

 private:
  int status_;
};

struct HttpResponse {
  int status = -1;
  std::string body;          // the bytes as received
  std::string content_type;  // the answer's Content-Type header, "" when none
};

// An HTTP client for one caller at a time. It keeps its connection open between requests where
// the server allows it; custom headers stay on the client for every later request.
class HttpClient {
 public:
  // The largest answer body taken unless SetMaxAnswerBytes says otherwise: far above any
  // device's or service's answer, far below what would strain a till's memory or its log.
  static constexpr size_t kDefaultMaxAnswerBytes = 4 * 1024 * 1024;
  // Limits used when none is set: no request waits without end.
  static constexpr int kDefaultConnectTimeoutMs = 60000;
  static constexpr int kDefaultTimeoutMs = 120000;
  // A request that moves no byte for this long (or for its whole limit, when shorter) ends.
  static constexpr int kStallTimeoutMs = 30000;

  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // 0 or less: kDefaultConnectTimeoutMs.
  void SetConnectTimeout(int milliseconds);
  // Limit of a whole request, connecting included; 0 or less: kDefaultTimeoutMs. A request that
  // runs out of time raises HttpError saying so.
  void SetTimeout(int milliseconds);
  // An answer body longer than this raises HttpError; 0: kDefaultMaxAnswerBytes.
  void SetMaxAnswerBytes(size_t bytes);
  size_t MaxAnswerBytes() const { return max_answer_bytes_; }
  // Whether a redirect of the server is followed (at most kMaxRedirects, http and https only,
  // credentials never sent to another host); off unless asked for.
  static constexpr int kMaxRedirects = 5;
  void SetFollowRedirects(bool follow) { follow_redirects_ = follow; }
  void SetCredentials(HttpAuthentication scheme, const std::string& user, const std::string& password);
  // Adds the header, or replaces the value of the one of that name (names compared without
  // letter case). A custom Content-Type wins over the content type of Post. Raises for a name
  // that is not an HTTP token and for a value with a line break or NUL, which would smuggle
  // further header lines into the request.
  void SetHeader(const std::string& name, const std::string& value);
  const std::vector<std::pair<std::string, std::string>>& Headers() const { return headers_; }

  // POSTs the body to the URL (a URL without scheme is taken as http://). An empty content type
  // sends no Content-Type header. Raises HttpError unless the final status is in 200..299.
  HttpResponse Post(const std::string& url, const std::string& body, const std::string& content_type);
  // POSTs the fields as an application/x-www-form-urlencoded form; raises as Post.
  HttpResponse PostForm(const std::string& url, const std::vector<std::pair<std::string, std::string>>& fields);

  // Whether a kept-alive connection of an earlier request is still open; no network traffic.
  bool Connected() const;
  // Closes the kept-alive connection, if any.
  void Disconnect();

 private:
  struct Session;  // the platform's own state

  // The whole-request limit in force and the answer's bound, as the platform's request uses them.
  int EffectiveConnectTimeoutMs() const;
  int EffectiveTimeoutMs() const;
  int StallTimeoutMs() const;
  std::string TooLargeMessage() const;
  std::string TimedOutMessage(const std::string& url) const;

  int connect_timeout_ms_ = 0;
  int timeout_ms_ = 0;
  size_t max_answer_bytes_ = kDefaultMaxAnswerBytes;
  bool follow_redirects_ = false;
  HttpAuthentication scheme_ = HttpAuthentication::None;
  std::string user_;
  std::string password_;
  std::vector<std::pair<std::string, std::string>> headers_;
  std::unique_ptr<Session> session_;
};

// The fields as an application/x-www-form-urlencoded text (UTF-8 bytes, space as "+").
std::string FormUrlEncode(const std::vector<std::pair<std::string, std::string>>& fields);

// Raises unless the name is an HTTP token and the value holds no CR, LF or NUL.
void CheckHeaderField(const std::string& name, const std::string& value);

// The headers a request carries: the content type (when not empty), then the custom headers, a
// custom header replacing the content type of the same name. Every one is checked as above.
std::vector<std::pair<std::string, std::string>> RequestHeaders(
    const std::vector<std::pair<std::string, std::string>>& custom, const std::string& content_type);

}  // namespace dodu
