#include "platform/local_time.h"

namespace dodu {

std::tm LocalTimeOf(std::time_t moment) {
  std::tm fields{};
  localtime_r(&moment, &fields);
  return fields;
}

std::optional<std::time_t> MomentOfLocalTime(const std::tm& fields) {
  std::tm copy = fields;
  copy.tm_isdst = -1;
  const std::time_t value = std::mktime(&copy);
  if (value == static_cast<std::time_t>(-1)) return std::nullopt;
  return value;
}

}  // namespace dodu
