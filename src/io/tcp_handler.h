#pragma once

#include <memory>

#include "io/io_handler.h"
#include "io/tcp_client.h"

namespace dodu {

// The I/O handler of a TCP connection. Texts read carry one character per byte received, the
// character code being the byte value.
class kIOHandler_TCP : public kIOHandler {
 public:
  kIOHandler_TCP(const kConnection* aConnection, const std::string& aDirectory, const std::string& aFileName);
  ~kIOHandler_TCP() override;

  bool GetConnected() override;
  bool Connect() override;
  bool Disconnect() override;
  void ClearBuffers() override;
  bool Write(const std::string& aMessage) override;
  std::string ReadUpTo(const std::vector<uint8_t>& aChars) override;
  std::string ReadChars(int aCharsNum) override;
  std::string ReadAll() override;
  std::string DecodeError(int aErrorCode) override;
  bool InputBufferContainsData() override;
  void SetParameter(const std::string& aName, const std::string& aValue) override;
  std::string ClassName() const override { return "kIOHandler_TCP"; }

  bool WriteBytes(const std::string& aBytes);
  std::string ReadBytes(int aCount);
  std::string ReadBytesUpTo(const std::vector<uint8_t>& aChars);
  std::string ReadAllBytes();

  TcpClient& TCPClient() { return *fTCPClient; }

 private:
  std::string ReadUntilTerminator(const std::vector<uint8_t>& aChars, bool raise_errors);

  std::unique_ptr<TcpClient> fTCPClient;
};

// Bytes as 8-bit text: each byte becomes the character of that code.
std::string BytesAsText(const std::string& bytes);
// 8-bit text to bytes: characters 0..255 as one byte each, others "?"; with a code page of 1252
// Windows-1252, with 65001 UTF-8.
std::string TextAsBytes(const std::string& text, int32_t code_page);

}  // namespace dodu
