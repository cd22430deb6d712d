#include "platform/local_time.h"

#include <windows.h>

#include <chrono>
#include <cstdint>

namespace dodu {

// Windows' own time-zone rules, not the C runtime's (which follows TZ when it is set, with US
// daylight-saving dates), so the driver and its host always agree on the local time.

namespace {

constexpr int64_t kUnixEpochInFileTime = 116444736000000000;  // 1970-01-01 in 100 ns from 1601
constexpr int64_t kFileTimeUnitsPerSecond = 10000000;

bool ToSystemTime(int64_t seconds, SYSTEMTIME& out) {
  const uint64_t units = static_cast<uint64_t>(seconds * kFileTimeUnitsPerSecond + kUnixEpochInFileTime);
  FILETIME file_time{static_cast<DWORD>(units & 0xFFFFFFFFu), static_cast<DWORD>(units >> 32)};
  return FileTimeToSystemTime(&file_time, &out) != 0;
}

}  // namespace

std::tm LocalTimeOf(std::time_t moment) {
  SYSTEMTIME universal{}, local{};
  std::tm fields{};
  if (!ToSystemTime(static_cast<int64_t>(moment), universal) ||
      !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
    localtime_s(&fields, &moment);
    return fields;
  }
  fields.tm_year = local.wYear - 1900;
  fields.tm_mon = local.wMonth - 1;
  fields.tm_mday = local.wDay;
  fields.tm_hour = local.wHour;
  fields.tm_min = local.wMinute;
  fields.tm_sec = local.wSecond;
  fields.tm_wday = local.wDayOfWeek;
  fields.tm_isdst = -1;
  return fields;
}

std::optional<std::time_t> MomentOfLocalTime(const std::tm& fields) {
  using namespace std::chrono;
  // Carry fields that lie outside their ranges over, as mktime does.
  const year_month month_of_year = year_month{year{fields.tm_year + 1900}, January} + months{fields.tm_mon};
  const sys_days day = sys_days{month_of_year / 1} + days{fields.tm_mday - 1};
  const int64_t local_seconds = static_cast<int64_t>(day.time_since_epoch().count()) * 86400 +
                                int64_t{fields.tm_hour} * 3600 + int64_t{fields.tm_min} * 60 + fields.tm_sec;
  SYSTEMTIME local{}, utc{};
  FILETIME utc_file_time{};
  if (!ToSystemTime(local_seconds, local) || !TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
      !SystemTimeToFileTime(&utc, &utc_file_time)) {
    return std::nullopt;
  }
  const int64_t units = static_cast<int64_t>((uint64_t{utc_file_time.dwHighDateTime} << 32) | utc_file_time.dwLowDateTime);
  return static_cast<std::time_t>((units - kUnixEpochInFileTime) / kFileTimeUnitsPerSecond);
}

}  // namespace dodu
