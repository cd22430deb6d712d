#include "io/http_client.h"

#include <algorithm>
#include <string_view>

#include "base/ascii_text.h"

namespace dodu {

namespace {

bool SameHeaderName(const std::string& a, const std::string& b) { return AsciiLower(a) == AsciiLower(b); }

void PutHeader(std::vector<std::pair<std::string, std::string>>& headers, const std::string& name,
               const std::string& value) {
  auto found = std::find_if(headers.begin(), headers.end(), [&](const auto& h) { return SameHeaderName(h.first, name); });
  if (found != headers.end()) {
    found->second = value;
  } else {
    headers.emplace_back(name, value);
  }
}

}  // namespace

void HttpClient::SetConnectTimeout(int milliseconds) { connect_timeout_ms_ = milliseconds > 0 ? milliseconds : 0; }

void HttpClient::SetTimeout(int milliseconds) { timeout_ms_ = milliseconds > 0 ? milliseconds : 0; }

void HttpClient::SetMaxAnswerBytes(size_t bytes) { max_answer_bytes_ = bytes > 0 ? bytes : kDefaultMaxAnswerBytes; }

int HttpClient::EffectiveConnectTimeoutMs() const {
  const int connect = connect_timeout_ms_ > 0 ? connect_timeout_ms_ : kDefaultConnectTimeoutMs;
  return std::min(connect, EffectiveTimeoutMs());
}

int HttpClient::EffectiveTimeoutMs() const { return timeout_ms_ > 0 ? timeout_ms_ : kDefaultTimeoutMs; }

int HttpClient::StallTimeoutMs() const { return std::min(EffectiveTimeoutMs(), kStallTimeoutMs); }

std::string HttpClient::TooLargeMessage() const {
  return "The HTTP answer is larger than the limit of " + std::to_string(max_answer_bytes_) + " bytes";
}

std::string HttpClient::TimedOutMessage(const std::string& url) const {
  return "The HTTP request to " + url + " timed out: no complete answer within " +
         std::to_string(EffectiveTimeoutMs()) + " ms";
}

void HttpClient::SetCredentials(HttpAuthentication scheme, const std::string& user, const std::string& password) {
  scheme_ = scheme;
  user_ = user;
  password_ = password;
}

void HttpClient::SetHeader(const std::string& name, const std::string& value) {
  CheckHeaderField(name, value);
  PutHeader(headers_, name, value);
}

void CheckHeaderField(const std::string& name, const std::string& value) {
  static constexpr std::string_view kTokenMarks = "!#$%&'*+-.^_`|~";
  const bool token = !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
           kTokenMarks.find(c) != std::string_view::npos;
  });
  if (!token) throw Error("Invalid HTTP header name \"" + name + "\"");
  if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
    throw Error("Invalid value of the HTTP header " + name + ": line breaks and NUL are not allowed");
}

HttpResponse HttpClient::PostForm(const std::string& url,
                                  const std::vector<std::pair<std::string, std::string>>& fields) {
  return Post(url, FormUrlEncode(fields), "application/x-www-form-urlencoded");
}

std::string FormUrlEncode(const std::vector<std::pair<std::string, std::string>>& fields) {
  static const char kHex[] = "0123456789ABCDEF";
  auto encode = [](const std::string& text, std::string& out) {
    for (unsigned char c : text) {
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
          c == '_' || c == '*') {
        out += static_cast<char>(c);
      } else if (c == ' ') {
        out += '+';
      } else {
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
      }
    }
  };
  std::string form;
  for (const auto& [name, value] : fields) {
    if (!form.empty()) form += '&';
    encode(name, form);
    form += '=';
    encode(value, form);
  }
  return form;
}

std::vector<std::pair<std::string, std::string>> RequestHeaders(
    const std::vector<std::pair<std::string, std::string>>& custom, const std::string& content_type) {
  std::vector<std::pair<std::string, std::string>> headers;
  if (!content_type.empty()) headers.emplace_back("Content-Type", content_type);
  for (const auto& [name, value] : custom) PutHeader(headers, name, value);
  for (const auto& [name, value] : headers) CheckHeaderField(name, value);
  return headers;
}

}  // namespace dodu
