#pragma once

#include <string>

#include <gtest/gtest.h>

namespace dodu::testing {

// What some tests need of the system they run on and not every system has.
enum class SystemFeature {
  kElfExportTable,    // the library is an ELF shared object whose exports nm lists
  kOpenFileListing,   // the files a process holds open, each with its path
  kLibraryStringFunctions,  // the library brings SysAllocStringLen and its kin (no oleaut32)
  kSharedSqlite,      // the library and the test program use one SQLite library of the process
};

// Why tests that need the feature cannot run on this system; "" where they can. Which system
// lacks what is decided here alone.
std::string WhyUnavailable(SystemFeature feature);

}  // namespace dodu::testing

// Skips the current test, with the reason, where the system lacks the feature.
#define DODU_SKIP_WITHOUT(feature)                                                                   \
  if (const std::string why_unavailable = ::dodu::testing::WhyUnavailable(feature); !why_unavailable.empty()) \
  GTEST_SKIP() << why_unavailable
