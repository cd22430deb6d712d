#include "support/unavailable_here.h"

namespace dodu::testing {

std::string WhyUnavailable(SystemFeature feature) {
  switch (feature) {
    case SystemFeature::kElfExportTable:
      return "the library is a DLL: its export table (names and ordinals) is checked with objdump -p by the build";
    case SystemFeature::kOpenFileListing:
      return "Windows has no listing of a process's open files by path (/proc/self/fd on Linux)";
    case SystemFeature::kLibraryStringFunctions:
      return "the library's own string functions exist only on Linux; on Windows the strings are oleaut32's";
    case SystemFeature::kSharedSqlite:
      return "the DLL carries its own SQLite, so a hook set in the test program cannot reach its connections";
  }
  return "unknown system feature";
}

}  // namespace dodu::testing
