#include "platform/local_time.h"

#include <windows.h>

#include <cstdint>

namespace dodu {

// Windows' own time-zone rules, not the C runtime's (which follows TZ when it is set), so the
// driver and its host always agree on the local time.
std::tm LocalTimeOf(std::time_t moment) {
  const uint64_t ticks = (static_cast<uint64_t>(moment) + 11644473600ull) * 10000000ull;  // since 1601
  FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME universal{}, local{};
  std::tm fields{};
  if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
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

}  // namespace dodu
