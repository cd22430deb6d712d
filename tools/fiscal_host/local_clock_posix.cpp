#include "fiscal_host/local_clock.h"

namespace dodu::host {

std::tm LocalFields(std::time_t value) {
  std::tm fields{};
  localtime_r(&value, &fields);
  return fields;
}

std::optional<std::time_t> FromLocalFields(const std::tm& fields) {
  std::tm copy = fields;
  copy.tm_isdst = -1;
  const std::time_t value = std::mktime(&copy);
  if (value == static_cast<std::time_t>(-1)) return std::nullopt;
  return value;
}

}  // namespace dodu::host
