#include "support/unavailable_here.h"

namespace dodu::testing {

std::string WhyUnavailable(SystemFeature feature) {
  switch (feature) {
    case SystemFeature::kElfExportTable:
      return "the library is a DLL: its export table (names and ordinals) is checked with objdump -p by the build";
    case SystemFeature::kOpenFileListing:
      return "Windows has no listing of a process's open files by path (/proc/self/fd on Linux)";
  }
  return "unknown system feature";
}

}  // namespace dodu::testing
