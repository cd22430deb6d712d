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

}  // namespace dodu::host
