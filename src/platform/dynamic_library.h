#pragma once

#include <string>

namespace dodu {

// A shared library loaded by name or path (through the loading functions of shared_library.h),
// unloaded with the object.
class DynamicLibrary {
 public:
  // Raises an error carrying the system's reason when the library cannot be loaded.
  explicit DynamicLibrary(const std::string& aName);
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // The address of an exported symbol, or null when the library has none of that name.
  void* Symbol(const std::string& aName) const;
  const std::string& Name() const { return fName; }

 private:
  std::string fName;
  void* fHandle = nullptr;
};

}  // namespace dodu
