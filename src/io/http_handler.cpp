#include "io/http_handler.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "base/ascii_text.h"
#include "base/text_encoding.h"

namespace dodu {

namespace {

bool IsSuccess(int status) { return status >= 200 && status <= 299; }

HttpAuthentication SchemeOf(qvHTTPAuthType type) {
  switch (type) {
    case qvHTTPAuthType::at_Basic:
      return HttpAuthentication::Basic;
    case qvHTTPAuthType::at_Digest:
      return HttpAuthentication::Digest;
    case qvHTTPAuthType::at_None:
    case qvHTTPAuthType::at_Bearer:  // a bearer token travels as a header set through SetParameter
      break;
  }
  return HttpAuthentication::None;
}

// The body as text: an answer that declares an 8-bit Western charset is converted; everything
// else is taken as the UTF-8 it is expected to be.
std::string ResponseText(const HttpResponse& response) {
  const std::string type = AsciiLower(response.content_type);
  const size_t charset = type.find("charset=");
  if (charset != std::string::npos) {
    std::string name = Trimmed(type.substr(charset + 8));
    name = name.substr(0, name.find(';'));
    if (!name.empty() && name.front() == '"') name = name.substr(1, name.find('"', 1) - 1);
    if (name == "iso-8859-1" || name == "latin1" || name == "windows-1252" || name == "cp1252") {
      return Cp1252ToUtf8(response.body);
    }
  }
  return response.body;
}

}  // namespace

kIOHandler_HTTP::kIOHandler_HTTP(const kConnection* aConnection, const std::string& aDirectory,
                                 const std::string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName), fHttpClient(std::make_unique<HttpClient>()) {
  if (aConnection != nullptr) {
    if (!aConnection->fURL.empty()) {
      fURL = aConnection->fURL;
    } else {
      fURL = aConnection->fAddress;
      if (aConnection->fPort > 0) fURL += ":" + std::to_string(aConnection->fPort);
    }
    fAuthType = aConnection->fAuthType;
    fUser = aConnection->fUser;
    fPassword = aConnection->fPassword;
  }
  ApplyTimeouts();
}

// Connecting waits at most the connect timeout, and the request as a whole at most the connect
// and the read timeout together, so a server that accepts and never answers cannot hold a Write.
void kIOHandler_HTTP::ApplyTimeouts() {
  fHttpClient->SetConnectTimeout(fConnectTimeout);
  const int64_t whole = int64_t{fConnectTimeout > 0 ? fConnectTimeout : 0} + (fReadTimeout > 0 ? fReadTimeout : 0);
  fHttpClient->SetTimeout(static_cast<int>(std::min<int64_t>(whole, std::numeric_limits<int>::max())));
}

// The client goes before the base writes its closing log line.
kIOHandler_HTTP::~kIOHandler_HTTP() { fHttpClient.reset(); }

bool kIOHandler_HTTP::GetConnected() { return fHttpClient->Connected(); }

bool kIOHandler_HTTP::Connect() {
  kIOHandler::Connect();
  Debug(let_info, "URL=" + fURL);
  ApplyTimeouts();
  return true;
}

bool kIOHandler_HTTP::Disconnect() {
  fHttpClient->Disconnect();
  return !fHttpClient->Connected();
}

std::string kIOHandler_HTTP::ReadAll() { throw Error("ReadAll Unsupported"); }

bool kIOHandler_HTTP::InputBufferContainsData() { throw Error("InputBufferContainsData Unsupported"); }

void kIOHandler_HTTP::SetParameter(const std::string& aName, const std::string& aValue) {
  fHttpClient->SetHeader(aName, aValue);
}

bool kIOHandler_HTTP::Write(const std::string& aMessage) {
  // Texts are UTF-8 inside the system already: the message's bytes are the body.
  const std::string& body = aMessage;
  WriteLog(let_info, "Write [" + std::to_string(body.size()) + "]", aMessage);
  fHttpClient->SetCredentials(SchemeOf(fAuthType), fUser, fPassword);
  ApplyTimeouts();  // the read timeout may have been changed for a while
  try {
    HttpResponse response = fHttpClient->Post(fURL, body, fContentType);
    fResponse = ResponseText(response);
    fResponseCode = response.status;
  } catch (const std::exception& e) {
    const HttpError* http = dynamic_cast<const HttpError*>(&e);
    const int status = http != nullptr ? http->Status() : -1;
    WriteLog(let_error, "Post Error", e.what());
    if (!IsSuccess(status)) {
      fResponseCode = status;
      SetCustomError(status, std::string(e.what()) + " " + DecodeError(status));
      WriteLog(let_error, "Post Error", std::to_string(status) + " " + DecodeError(status));
    } else {
      fResponseCode = 999;
      SetCustomError(999, e.what());
    }
  }
  WriteLog(let_info, "Read", "ResponseCode:" + std::to_string(fResponseCode) + "\r\n" + fResponse);
  return IsSuccess(fResponseCode);
}

std::string kIOHandler_HTTP::DecodeError(int aErrorCode) {
  static const std::pair<int, const char*> kTexts[] = {
      {100, "Continue"},
      {101, "Switching Protocol"},
      {102, "Processing (WebDAV)"},
      {200, "OK"},
      {201, "Created"},
      {202, "Accepted"},
      {203, "Non-Authoritative Information"},
      {204, "No Content"},
      {205, "Reset Content"},
      {206, "Partial Content"},
      {207, "Multi-Status (WebDAV)"},
      {208, "Already Reported (WebDAV)"},
      {226, "IM Used (HTTP Delta encoding)"},
      {300, "Multiple Choice"},
      {301, "Moved Permanently"},
      {302, "Found"},
      {303, "See Other"},
      {304, "Not Modified"},
      {305, "Use Proxy "},
      {306, "unused"},
      {307, "Temporary Redirect"},
      {308, "Permanent Redirect"},
      {400, "Bad Request"},
      {401, "Unauthorized"},
      {402, "Payment Required"},
      {403, "Forbidden"},
      {404, "Not Found"},
      {405, "Method Not Allowed"},
      {406, "Not Acceptable"},
      {407, "Proxy Authentication Required"},
      {408, "Request Timeout"},
      {409, "Conflict"},
      {410, "Gone"},
      {411, "Length Required"},
      {412, "Precondition Failed"},
      {413, "Payload Too Large"},
      {414, "URI Too Long"},
      {415, "Unsupported Media Type"},
      {416, "Requested Range Not Satisfiable"},
      {417, "Expectation Failed"},
      {418, "I'm a teapot"},
      {421, "Misdirected Request"},
      {422, "Unprocessable Entity (WebDAV)"},
      {423, "Locked (WebDAV)"},
      {424, "Failed Dependency (WebDAV)"},
      {426, "Upgrade Required"},
      {428, "Precondition Required"},
      {429, "Too Many Requests"},
      {431, "Request Header Fields Too Large"},
      {451, "Unavailable For Legal Reasons"},
      {500, "Internal Server Error"},
      {501, "Not Implemented"},
      {502, "Bad Gateway"},
      {503, "Service Unavailable"},
      {504, "Gateway Timeout"},
      {505, "HTTP Version Not Supported"},
      {506, "Variant Also Negotiates"},
      {507, "Insufficient Storage"},
      {508, "Loop Detected (WebDAV)"},
      {510, "Not Extended"},
      {511, "Network Authentication Required"},
  };
  for (const auto& [code, text] : kTexts) {
    if (code == aErrorCode) return text;
  }
  return "Unknown";
}

}  // namespace dodu
