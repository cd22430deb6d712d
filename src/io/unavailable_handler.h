#pragma once

#include "io/io_handler.h"

namespace dodu {

// Stands in for the handler of a connection type this build does not carry (serial, HTTP,
// library, COM): it keeps the log and error channel of its processor, and every
// device operation reports that the connection type is not available.
class kIOHandler_Unavailable : public kIOHandler {
 public:
  kIOHandler_Unavailable(const kConnection* aConnection, const std::string& aDirectory,
                         const std::string& aFileName, std::string aClassName, std::string aConnectionType);

  bool GetConnected() override { return false; }
  bool Connect() override;  // logs and records the error, answers false
  bool Disconnect() override;
  void ClearBuffers() override;
  bool Write(const std::string& aMessage) override;
  std::string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::string ReadChars(int aCharsNum) override;
  std::string ReadAll() override;
  std::string DecodeError(int aErrorCode) override;
  bool InputBufferContainsData() override;
  void SetParameter(const std::string& aName, const std::string& aValue) override;
  std::string ClassName() const override { return fClassName; }

  std::string UnavailableMessage() const;

 private:
  [[noreturn]] void Raise() const;

  std::string fClassName;
  std::string fConnectionType;
};

}  // namespace dodu
