#pragma once

#include "io/io_handler.h"
#include "platform/shared_library.h"

namespace dodu {

// The handler of a device driven through a library: it loads the connection's library for its
// whole life and hands out the addresses of the library's procedures. It carries no data.
class kIOHandler_Dll : public kIOHandler {
 public:
  // Raises "Unable to Load Library ..." when the library cannot be loaded.
  kIOHandler_Dll(const kConnection* aConnection, const std::string& aDirectory, const std::string& aFileName);
  ~kIOHandler_Dll() override;  // unloads the library

  bool GetConnected() override { return true; }
  bool Disconnect() override { return true; }  // the library stays loaded
  void ClearBuffers() override {}
  bool Write(const std::string&) override { return true; }
  std::string ReadUpTo(const std::vector<uint8_t>&) override { return std::string(); }
  std::string ReadChars(int) override { return std::string(); }
  std::string ReadAll() override;                 // raises "ReadAll Unsupported"
  std::string DecodeError(int) override { return std::string(); }
  bool InputBufferContainsData() override;        // raises "InputBufferContainsData Unsupported"
  void SetParameter(const std::string&, const std::string&) override {}
  std::string ClassName() const override { return "kIOHandler_Dll"; }

  // The address of the library's export of that name, valid while the handler lives; raises
  // "Unable to get address for procedure " + name when there is none.
  void* GetAddress(const std::string& aProcName);

 private:
  SharedLibraryHandle fLibraryHandle = nullptr;
};

}  // namespace dodu
