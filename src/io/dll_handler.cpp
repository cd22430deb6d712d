#include "io/dll_handler.h"

#include "base/error.h"
#include "io/connection.h"

namespace dodu {

namespace {

constexpr const char* kCreateTitle = "kIOHandler_Dll.Create";
constexpr const char* kDestroyTitle = "kIOHandler_Dll.Destroy";

}  // namespace

kIOHandler_Dll::kIOHandler_Dll(const kConnection* aConnection, const std::string& aDirectory,
                               const std::string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  const std::string name = aConnection != nullptr ? aConnection->fLibraryName : std::string();
  WriteLog(let_info, kCreateTitle, "Loading DLL " + name);
  SharedLibraryError error;
  fLibraryHandle = LoadSharedLibrary(name, error);
  if (fLibraryHandle == nullptr) {
    // The base part, already built, writes its stop line as the construction unwinds.
    throw Error("Unable to Load Library " + name + ". " + error.message + " [" + std::to_string(error.code) + "]");
  }
  WriteLog(let_info, kCreateTitle, "DLL Loaded successfully");
}

kIOHandler_Dll::~kIOHandler_Dll() {
  if (fLibraryHandle == nullptr) return;
  WriteLog(let_info, kDestroyTitle, "Unloading DLL");
  UnloadSharedLibrary(fLibraryHandle);
  fLibraryHandle = nullptr;
  WriteLog(let_info, kDestroyTitle, "DLL Unloaded Successfully");
}

std::string kIOHandler_Dll::ReadAll() { throw Error("ReadAll Unsupported"); }

bool kIOHandler_Dll::InputBufferContainsData() { throw Error("InputBufferContainsData Unsupported"); }

void* kIOHandler_Dll::GetAddress(const std::string& aProcName) {
  void* address = SharedLibrarySymbol(fLibraryHandle, aProcName);
  if (address == nullptr) throw Error("Unable to get address for procedure " + aProcName);
  return address;
}

}  // namespace dodu
