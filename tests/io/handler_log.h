#pragma once

#include <regex>
#include <string>

#include "base/log_writer.h"
#include "io/io_handler.h"
#include "platform/files.h"

namespace dodu::testing {

// The handler's log as written so far, every time stamp removed: each entry reads
// " - " (or " - ERROR - ") + its text + "\r\n".
inline std::string LogText(const kIOHandler& handler) {
  if (handler.Logger() == nullptr) return std::string();
  handler.Logger()->Flush();
  static const std::regex stamp(R"((^|\n)\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3} - )");
  return std::regex_replace(ReadFileText(handler.GetLogFileName()), stamp, "$1 - ");
}

}  // namespace dodu::testing
