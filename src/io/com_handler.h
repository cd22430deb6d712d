#pragma once

#include "io/io_handler.h"

namespace dodu {

// The handler of a device driven through COM automation by the code that owns it: it keeps no
// state and performs no input or output; every operation answers at once.
class kIOHandler_Com : public kIOHandler {
 public:
  using kIOHandler::kIOHandler;

  bool GetConnected() override { return true; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  bool Write(const std::string&) override { return false; }  // nothing is written through it
  std::string ReadUpTo(const std::vector<uint8_t>&) override { return std::string(); }
  std::string ReadChars(int) override { return std::string(); }
  std::string ReadAll() override;           // raises "ReadAll Unsupported"
  std::string DecodeError(int) override { return std::string(); }
  bool InputBufferContainsData() override;  // raises "InputBufferContainsData Unsupported"
  void SetParameter(const std::string&, const std::string&) override {}
  std::string ClassName() const override { return "kIOHandler_Com"; }
};

}  // namespace dodu
