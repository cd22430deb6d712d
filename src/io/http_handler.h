#pragma once

#include <memory>

#include "io/connection.h"
#include "io/http_client.h"
#include "io/io_handler.h"

namespace dodu {

// The I/O handler of an HTTP connection: each Write POSTs the message, UTF-8 encoded, to the URL
// and keeps the answer in Response and ResponseCode; there is no stream to read.
class kIOHandler_HTTP : public kIOHandler {
 public:
  kIOHandler_HTTP(const kConnection* aConnection, const std::string& aDirectory, const std::string& aFileName);
  ~kIOHandler_HTTP() override;

  bool GetConnected() override;
  bool Connect() override;  // no network traffic: logs the URL and applies the connect timeout
  bool Disconnect() override;
  void ClearBuffers() override {}
  // True when the final status is in 200..299. No error leaves it: a failure ends in
  // ResponseCode, the custom error and the log, and Response keeps the previous answer.
  bool Write(const std::string& aMessage) override;
  std::string ReadUpTo(const std::vector<uint8_t>&) override { return std::string(); }
  std::string ReadChars(int) override { return std::string(); }
  std::string ReadAll() override;                // raises "ReadAll Unsupported"
  std::string DecodeError(int aErrorCode) override;  // the text of an HTTP status
  bool InputBufferContainsData() override;       // raises "InputBufferContainsData Unsupported"
  // Adds the custom request header, or replaces the one of that name, for every later request.
  // Raises for a name that is no HTTP token or a value with a line break.
  void SetParameter(const std::string& aName, const std::string& aValue) override;
  std::string ClassName() const override { return "kIOHandler_HTTP"; }

  const std::string& ContentType() const { return fContentType; }
  void SetContentType(const std::string& value) { fContentType = value; }
  qvHTTPAuthType AuthType() const { return fAuthType; }
  void SetAuthType(qvHTTPAuthType value) { fAuthType = value; }
  const std::string& User() const { return fUser; }
  void SetUser(const std::string& value) { fUser = value; }
  const std::string& Password() const { return fPassword; }
  void SetPassword(const std::string& value) { fPassword = value; }
  const std::string& Response() const { return fResponse; }
  int ResponseCode() const { return fResponseCode; }
  const std::string& URL() const { return fURL; }
  // The largest answer body a Write takes (HttpClient::kDefaultMaxAnswerBytes unless set); a
  // longer answer fails the Write with code 999.
  size_t MaxResponseSize() const { return fHttpClient->MaxAnswerBytes(); }
  void SetMaxResponseSize(size_t bytes) { fHttpClient->SetMaxAnswerBytes(bytes); }

 private:
  void ApplyTimeouts();

  std::unique_ptr<HttpClient> fHttpClient;
  std::string fContentType;
  std::string fURL;
  qvHTTPAuthType fAuthType = qvHTTPAuthType::at_None;
  std::string fUser;
  std::string fPassword;
  std::string fResponse;
  int fResponseCode = 0;
};

}  // namespace dodu
