#include <curl/curl.h>

#include <mutex>

#include "base/ascii_text.h"
#include "io/http_client.h"

namespace dodu {

namespace {

// What the callbacks collect of one answer. After a challenge or an interim answer the next
// status line starts over, so the final answer is what stays.
struct Answer {
  std::string status_line;
  std::string content_type;
  std::string body;
  size_t max_body = 0;
  bool too_large = false;
};

size_t CollectBody(char* data, size_t size, size_t count, void* user) {
  auto* answer = static_cast<Answer*>(user);
  const size_t bytes = size * count;
  if (bytes > answer->max_body - answer->body.size()) {
    // Taking less than was given makes libcurl end the transfer.
    answer->too_large = true;
    return 0;
  }
  answer->body.append(data, bytes);
  return bytes;
}

size_t CollectHeader(char* data, size_t size, size_t count, void* user) {
  auto* answer = static_cast<Answer*>(user);
  std::string line(data, size * count);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  if (line.rfind("HTTP/", 0) == 0) {
    answer->status_line = line;
    answer->content_type.clear();
    answer->body.clear();
  } else if (AsciiLower(line).rfind("content-type:", 0) == 0) {
    answer->content_type = Trimmed(line.substr(13));
  }
  return size * count;
}

// The header list lives as long as one request.
class HeaderList {
 public:
  ~HeaderList() { curl_slist_free_all(list_); }
  void Add(const std::string& line) {
    curl_slist* grown = curl_slist_append(list_, line.c_str());
    if (grown == nullptr) throw Error("Out of memory building the HTTP request headers");
    list_ = grown;
  }
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

CURL* NewHandle() {
  // Once per process and never undone: other users of libcurl in the host may still need it.
  static std::once_flag global;
  std::call_once(global, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  CURL* handle = curl_easy_init();
  if (handle == nullptr) throw Error("Cannot create an HTTP client: libcurl could not start a session");
  return handle;
}

}  // namespace

struct HttpClient::Session {
  CURL* handle = nullptr;
  ~Session() { curl_easy_cleanup(handle); }
};

HttpClient::HttpClient() : session_(std::make_unique<Session>()) { session_->handle = NewHandle(); }

HttpClient::~HttpClient() = default;

HttpResponse HttpClient::Post(const std::string& url, const std::string& body, const std::string& content_type) {
  CURL* curl = session_->handle;
  curl_easy_reset(curl);  // keeps the live connection

  HeaderList headers;
  bool has_content_type = false;
  for (const auto& [name, value] : RequestHeaders(headers_, content_type)) {
    // "Name;" is libcurl's way of sending a header with an empty value.
    headers.Add(value.empty() ? name + ";" : name + ": " + value);
    if (AsciiLower(name) == "content-type") has_content_type = true;
  }
  if (!has_content_type) headers.Add("Content-Type:");  // no form type of libcurl's own
  headers.Add("Expect:");                               // the body goes at once, never after a pause

  Answer answer;
  answer.max_body = max_answer_bytes_;
  char error[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_DEFAULT_PROTOCOL, "http");
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_POST, 1L);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, CollectHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &answer);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(EffectiveConnectTimeoutMs()));
  curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(EffectiveTimeoutMs()));
  // A transfer that stalls (below one byte a second) ends before the whole limit does.
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>((StallTimeoutMs() + 999) / 1000));
  // An announced length past the limit is refused before any of the body comes.
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(max_answer_bytes_));
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, follow_redirects_ ? 1L : 0L);
  if (follow_redirects_) {
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_UNRESTRICTED_AUTH, 0L);
  }
  if (scheme_ != HttpAuthentication::None) {
    curl_easy_setopt(curl, CURLOPT_HTTPAUTH, scheme_ == HttpAuthentication::Basic ? CURLAUTH_BASIC : CURLAUTH_DIGEST);
    curl_easy_setopt(curl, CURLOPT_USERNAME, user_.c_str());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, password_.c_str());
  }

  const CURLcode result = curl_easy_perform(curl);
  long code = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
  // Nothing of this call may be used once it has returned.
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, nullptr);

  const int status = code > 0 ? static_cast<int>(code) : -1;
  if (answer.too_large || result == CURLE_FILESIZE_EXCEEDED) throw HttpError(TooLargeMessage(), status);
  if (result == CURLE_OPERATION_TIMEDOUT) {
    throw HttpError(TimedOutMessage(url) + " (" + (error[0] != '\0' ? std::string(error) : std::string(curl_easy_strerror(result))) + ")", status);
  }
  if (result != CURLE_OK) {
    throw HttpError(error[0] != '\0' ? std::string(error) : std::string(curl_easy_strerror(result)), status);
  }
  if (status < 200 || status > 299) {
    throw HttpError(answer.status_line.empty() ? "HTTP status " + std::to_string(status) : answer.status_line, status);
  }
  return HttpResponse{status, std::move(answer.body), std::move(answer.content_type)};
}

bool HttpClient::Connected() const {
  curl_socket_t socket = CURL_SOCKET_BAD;
  if (curl_easy_getinfo(session_->handle, CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK) return false;
  return socket != CURL_SOCKET_BAD;
}

void HttpClient::Disconnect() {
  // A session's connections end with it.
  CURL* fresh = NewHandle();
  curl_easy_cleanup(session_->handle);
  session_->handle = fresh;
}

}  // namespace dodu
