#pragma once

#include <string>

namespace dodu {

// The days a SAF-T file covers: whole days of one calendar year, from and to included.
struct SaftPeriod {
  int year = 0;
  std::string from;        // yyyy-mm-dd
  std::string to;          // yyyy-mm-dd
  std::string dayAfterTo;  // yyyy-mm-dd, the first day no longer covered
};

// Raises an Error that says what is wrong: a text that is no yyyy-mm-dd date, an impossible
// date, an end before the start, or a period that reaches into another year.
SaftPeriod ParseSaftPeriod(const std::string& aFrom, const std::string& aTo);

}  // namespace dodu
