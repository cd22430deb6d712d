#include "fiscal_host/local_clock.h"

#include <cstdio>

namespace dodu::host {

namespace {

std::tm Local(std::time_t value) {
  std::tm fields{};
  localtime_r(&value, &fields);
  return fields;
}

}  // namespace

std::time_t Now() { return std::time(nullptr); }

std::time_t StartOfDay(std::time_t value) {
  std::tm fields = Local(value);
  fields.tm_hour = fields.tm_min = fields.tm_sec = 0;
  fields.tm_isdst = -1;
  return std::mktime(&fields);
}

int YearOf(std::time_t value) { return Local(value).tm_year + 1900; }

std::string XmlDateTimeText(std::time_t value) {
  const std::tm fields = Local(value);
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
  fields.tm_isdst = -1;
  const std::time_t value = std::mktime(&fields);
  if (value == static_cast<std::time_t>(-1)) return std::nullopt;
  return value;
}

}  // namespace dodu::host
