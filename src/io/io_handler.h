#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/amount.h"
#include "base/message_type.h"

namespace dodu {

class kConnection;
class tQV_LogWriter;

// The channel to a device, and the log and error channel of the processor that owns it.
class kIOHandler {
 public:
  // Copies the timeouts of the connection (when given). With a directory and a file name the
  // handler keeps a daily log there; otherwise every logging operation does nothing.
  kIOHandler(const kConnection* aConnection, const std::string& aDirectory, const std::string& aFileName);
  virtual ~kIOHandler();
  kIOHandler(const kIOHandler&) = delete;
  kIOHandler& operator=(const kIOHandler&) = delete;

  virtual bool GetConnected() = 0;
  // Logs the settings and answers true; subclasses call it before opening their channel.
  virtual bool Connect();
  virtual bool Disconnect() = 0;
  virtual void ClearBuffers() = 0;
  virtual bool Write(const std::string& aMessage) = 0;
  virtual std::string ReadUpTo(const std::vector<uint8_t>& aChars) = 0;
  virtual std::string ReadChars(int aCharsNum) = 0;
  virtual std::string ReadAll() = 0;
  virtual std::string DecodeError(int aErrorCode) = 0;
  virtual bool InputBufferContainsData() = 0;
  virtual void SetParameter(const std::string& aName, const std::string& aValue) = 0;
  // The class name the log shows on Connect ("kIOHandler_TCP" ...).
  virtual std::string ClassName() const = 0;

  void WriteLog(tQV_MessageType aEntryType, const std::string& aTitle, const std::string& aMessage);
  void Debug(tQV_MessageType aEntryType, const std::string& aMessage);
  void SetCustomError(int32_t aErrorCode, const std::string& aErrorMessage);
  void ResetCustomError();
  std::string GetLogFileName() const;
  // The handler's log writer; null when the handler has no log.
  tQV_LogWriter* Logger() const { return fLogger.get(); }
  // Writes out and closes the log without its closing line: the library is being unloaded and
  // no thread of it may outlive it.
  void CloseLogAtUnload();
  void SetTemporaryReadTimeout(int32_t aNewTimeout);
  void ResetTemporaryReadTimeout();

  bool ErrorFound() const { return fErrorFound; }
  int32_t ErrorCode() const { return fErrorCode; }
  const std::string& ErrorMessage() const { return fErrorMessage; }
  bool Connected() { return GetConnected(); }
  bool HexLog() const { return fHexLog; }
  void SetHexLog(bool value) { fHexLog = value; }
  int32_t ConnectTimeout() const { return fConnectTimeout; }
  int32_t ReadTimeout() const { return fReadTimeout; }
  const std::string& Version() const { return fVersion; }
  void SetVersion(const std::string& value) { fVersion = value; }
  int32_t CodePage() const { return fCodePage; }
  void SetCodePage(int32_t value) { fCodePage = value; }

  // Hexadecimal dump of the UTF-16 code units of a (UTF-8) text: "AB" gives "41 42".
  static std::string HexText(const std::string& aText);
  // Shortest plain decimal with "." and no thousands separator.
  static std::string FormatAmount(Amount aAmount);

 protected:
  void ClearError();

  bool fErrorFound = false;
  int32_t fErrorCode = 0;
  std::string fErrorMessage;
  std::unique_ptr<tQV_LogWriter> fLogger;
  bool fHexLog = false;
  int32_t fConnectTimeout = 0;
  int32_t fReadTimeout = 0;
  int32_t fTemporaryReadTimeout = 0;
  std::string fVersion;
  int32_t fCodePage = 0;
};

}  // namespace dodu
