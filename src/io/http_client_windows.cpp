#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>

#include "base/ascii_text.h"
#include "base/text_encoding.h"
#include "io/http_client.h"

namespace dodu {

namespace {

std::wstring Wide(const std::string& text) {
  std::u16string units = Utf8ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(const std::wstring& text) { return Utf16ToUtf8(std::u16string(text.begin(), text.end())); }

// The system's text of a WinHTTP or Win32 error code.
std::string SystemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
  HMODULE winhttp = GetModuleHandleW(L"winhttp.dll");
  if (winhttp != nullptr) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  DWORD length = FormatMessageW(flags, winhttp, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length > 0 ? std::wstring(buffer, length) : std::wstring();
  if (buffer != nullptr) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) text.pop_back();
  std::string message = text.empty() ? "HTTP request failed" : Narrow(text);
  return message + " (error " + std::to_string(code) + ")";
}

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET handle = nullptr) : handle_(handle) {}
  ~InternetHandle() { Reset(); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  void Reset(HINTERNET handle = nullptr) {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
    handle_ = handle;
  }
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};

HINTERNET OpenSession() {
  HINTERNET session = WinHttpOpen(L"DODU_PT_10", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  if (session == nullptr) throw Error("Cannot create an HTTP client: " + SystemMessage(GetLastError()));
  return session;
}

std::wstring QueryText(HINTERNET request, DWORD what) {
  DWORD size = 0;
  WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return std::wstring();
  std::wstring text(size / sizeof(wchar_t), L'\0');
  if (!WinHttpQueryHeaders(request, what, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size, WINHTTP_NO_HEADER_INDEX)) {
    return std::wstring();
  }
  text.resize(size / sizeof(wchar_t));
  return text;
}

int QueryStatus(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                           &status, &size, WINHTTP_NO_HEADER_INDEX)) {
    return -1;
  }
  return static_cast<int>(status);
}

}  // namespace

struct HttpClient::Session {
  InternetHandle session;
  // WinHTTP pools the connections of a session without telling whether one is open: the client
  // counts as connected after an answer that did not close its connection.
  bool kept_alive = false;
};

HttpClient::HttpClient() : session_(std::make_unique<Session>()) { session_->session.Reset(OpenSession()); }

HttpClient::~HttpClient() = default;

HttpResponse HttpClient::Post(const std::string& url, const std::string& body, const std::string& content_type) {
  session_->kept_alive = false;
  std::wstring wide_url = Wide(url.find("://") == std::string::npos ? "http://" + url : url);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(wide_url.c_str(), 0, 0, &parts)) throw HttpError(SystemMessage(GetLastError()), -1);
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    throw HttpError("Protocol must be http or https", -1);
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  InternetHandle connection(WinHttpConnect(session_->session.get(), host.c_str(), parts.nPort, 0));
  if (connection.get() == nullptr) throw HttpError(SystemMessage(GetLastError()), -1);
  InternetHandle request(WinHttpOpenRequest(connection.get(), L"POST", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                            WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
  if (request.get() == nullptr) throw HttpError(SystemMessage(GetLastError()), -1);

  // Every wait is bounded: 0 would mean "no limit" to WinHTTP. Each send and receive waits at most
  // the stall time, and the deadline below bounds the request as a whole.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(EffectiveTimeoutMs());
  const int stall = (std::max)(1, StallTimeoutMs());
  if (!WinHttpSetTimeouts(request.get(), stall, (std::max)(1, EffectiveConnectTimeoutMs()), stall, stall)) {
    throw HttpError(SystemMessage(GetLastError()), -1);
  }
  // Redirects are followed only when asked for (WinHTTP follows them by default, credentials
  // and all), and then never from https down to http, which is WinHTTP's own default policy.
  if (follow_redirects_) {
    DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy);
    DWORD most = kMaxRedirects;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &most, sizeof most);
  } else {
    // Either way of saying "never" will do; a request that can say neither is not sent.
    DWORD disable = WINHTTP_DISABLE_REDIRECTS;
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &disable, sizeof disable) &&
        !WinHttpSetOption(request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never)) {
      throw HttpError("Cannot turn off redirects: " + SystemMessage(GetLastError()), -1);
    }
  }
  auto out_of_time = [&] { return std::chrono::steady_clock::now() >= deadline; };
  // A wait that ended with the system's timeout, or past the deadline, is reported as a timeout.
  auto failure = [&](DWORD code, int status_now) {
    if (code == ERROR_WINHTTP_TIMEOUT || out_of_time()) {
      return HttpError(TimedOutMessage(url) + " (" + SystemMessage(code) + ")", status_now);
    }
    return HttpError(SystemMessage(code), status_now);
  };
  for (const auto& [name, value] : RequestHeaders(headers_, content_type)) {
    const std::wstring line = Wide(name + ": " + value);
    WinHttpAddRequestHeaders(request.get(), line.c_str(), static_cast<DWORD>(line.size()),
                             WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE);
  }
  const std::wstring user = Wide(user_);
  const std::wstring password = Wide(password_);
  if (scheme_ == HttpAuthentication::Basic) {
    // Credentials set before the first send go with it.
    WinHttpSetCredentials(request.get(), WINHTTP_AUTH_TARGET_SERVER, WINHTTP_AUTH_SCHEME_BASIC, user.c_str(),
                          password.c_str(), nullptr);
  }

  int status = -1;
  bool answered_challenge = false;
  for (;;) {
    void* data = body.empty() ? WINHTTP_NO_REQUEST_DATA : const_cast<char*>(body.data());
    const DWORD size = static_cast<DWORD>(body.size());
    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, data, size, size, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
      throw failure(GetLastError(), status);
    }
    if (out_of_time()) throw failure(ERROR_WINHTTP_TIMEOUT, status);
    status = QueryStatus(request.get());
    if (status != 401 || scheme_ != HttpAuthentication::Digest || answered_challenge) break;
    DWORD supported = 0, first = 0, target = 0;
    if (!WinHttpQueryAuthSchemes(request.get(), &supported, &first, &target) ||
        (supported & WINHTTP_AUTH_SCHEME_DIGEST) == 0) {
      break;
    }
    WinHttpSetCredentials(request.get(), target, WINHTTP_AUTH_SCHEME_DIGEST, user.c_str(), password.c_str(), nullptr);
    answered_challenge = true;
  }

  HttpResponse response;
  response.status = status;
  response.content_type = Narrow(QueryText(request.get(), WINHTTP_QUERY_CONTENT_TYPE));
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request.get(), &available)) throw failure(GetLastError(), status);
    if (available == 0) break;
    if (available > max_answer_bytes_ - response.body.size()) throw HttpError(TooLargeMessage(), status);
    std::string chunk(available, '\0');
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), chunk.data(), available, &read)) throw failure(GetLastError(), status);
    response.body.append(chunk.data(), read);
    if (out_of_time()) throw failure(ERROR_WINHTTP_TIMEOUT, status);
  }
  if (status < 200 || status > 299) {
    const std::string line = Narrow(QueryText(request.get(), WINHTTP_QUERY_VERSION)) + " " + std::to_string(status) +
                             " " + Narrow(QueryText(request.get(), WINHTTP_QUERY_STATUS_TEXT));
    throw HttpError(line, status);
  }
  session_->kept_alive = AsciiLower(Narrow(QueryText(request.get(), WINHTTP_QUERY_CONNECTION))) != "close";
  return response;
}

bool HttpClient::Connected() const { return session_->kept_alive; }

void HttpClient::Disconnect() {
  // Closing the session ends its pooled connections.
  session_->session.Reset(OpenSession());
  session_->kept_alive = false;
}

}  // namespace dodu
