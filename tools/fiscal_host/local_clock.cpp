#include "fiscal_host/local_clock.h"

#include <cstdio>

#include "platform/local_time.h"

namespace dodu::host {

// The conversions are the driver's own (platform/local_time), so host and driver agree.

std::time_t Now() { return std::time(nullptr); }

std::time_t StartOfDay(std::time_t value) {
  std::tm fields = LocalTimeOf(value);
  fields.tm_hour = fields.tm_min = fields.tm_sec = 0;
  return MomentOfLocalTime(fields).value_or(static_cast<std::time_t>(-1));
}

int YearOf(std::time_t value) { return LocalTimeOf(value).tm_year + 1900; }

std::string XmlDateTimeText(std::time_t value) {
  const std::tm fields = LocalTimeOf(value);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &fields);
  return text;
}

std::optional<std::time_t> ParseXmlDateTime(const std::string& text) {
  std::tm fields{};
  char separator = 0;
  int consumed = 0;
  if (text.size() < 19 ||
      std::sscanf(text.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &fields.tm_year, &fields.tm_mon, &fields.tm_mday,
                  &separator, &fields.tm_hour, &fields.tm_min, &fields.tm_sec, &consumed) != 7 ||
      consumed != 19) {
    return std::nullopt;
  }
  fields.tm_year -= 1900;
  fields.tm_mon -= 1;
  return MomentOfLocalTime(fields);
}

}  // namespace dodu::host
