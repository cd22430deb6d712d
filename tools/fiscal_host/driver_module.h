#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dodu::host {

// DODU_PT_10 as this system loads it: the six exports, called with the system's calling
// convention, and the functions that make and release the owned strings they take and give
// (Windows' own on Windows, the library's own elsewhere). The strings are opaque here.
class DriverModule {
 public:
  using Text = void*;  // an owned string; null stands for none
  enum class Operation { kReceipt, kReprintReceipt, kZReport, kXReport, kGetStatus };

  // Raises std::runtime_error with the loader's reason, or naming a missing export.
  explicit DriverModule(const std::string& path);
  // The library stays loaded until the process ends: its processors live that long.
  ~DriverModule();
  DriverModule(const DriverModule&) = delete;
  DriverModule& operator=(const DriverModule&) = delete;

  // Null when the string cannot be allocated.
  Text NewText(std::u16string_view units) const;
  std::u16string ReadText(Text text) const;
  void FreeText(Text text) const;

  int32_t Open(Text request, int32_t* handle, Text* error) const;
  int32_t Call(Operation operation, Text request, Text* output, Text* error) const;

 private:
  struct Entries;
  std::unique_ptr<Entries> fEntries;
};

// The library a till of this system loads when no other is named.
std::string DefaultDriverPath();

// The system's part (driver_module_posix.cpp, driver_module_windows.cpp); DriverModule does the
// rest the same way everywhere.
namespace driver_library {
// Loads the library; raises std::runtime_error with the loader's reason.
void* Load(const std::string& path);
// The address of an export; null when there is none of that name.
void* Symbol(void* library, const char* name);
// The functions that make, measure and release owned strings: the system's own where it has
// them, else the library's exports (null when missing).
struct OwnedStrings {
  void* alloc = nullptr;
  void* free = nullptr;
  void* length = nullptr;
};
OwnedStrings OwnedStringFunctions(void* library);
}  // namespace driver_library

}  // namespace dodu::host
