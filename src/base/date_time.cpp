#include "base/date_time.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>

#include "base/error.h"
#include "base/format_settings.h"
#include "platform/local_time.h"

namespace dodu {

namespace {

constexpr int64_t kMsPerDay = 86400000;
constexpr int64_t kUnixEpochDays = 25569;  // 1970-01-01 as a day count from 1899-12-30
constexpr double kMinDays = -693593;       // 0001-01-01
constexpr double kMaxDays = 2958465;       // 9999-12-31

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil algorithms).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string Padded(int value, size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

}  // namespace

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

bool TryEncodeDateTime(const DateTimeFields& f, DateTime& out) {
  if (!IsValidDate(f.year, f.month, f.day)) return false;
  if (f.hour < 0 || f.hour > 23 || f.minute < 0 || f.minute > 59 || f.second < 0 || f.second > 59 ||
      f.millisecond < 0 || f.millisecond > 999)
    return false;
  int64_t days = DaysFromCivil(f.year, f.month, f.day) + kUnixEpochDays;
  int64_t ms = ((f.hour * 60LL + f.minute) * 60 + f.second) * 1000 + f.millisecond;
  double fraction = static_cast<double>(ms) / kMsPerDay;
  // Before 1899-12-30 the fraction counts away from zero, as the day part is negative.
  out = DateTime(days >= 0 ? days + fraction : days - fraction);
  return true;
}

DateTime EncodeDate(int year, int month, int day) {
  DateTime out;
  if (!TryEncodeDateTime({year, month, day, 0, 0, 0, 0}, out)) throw Error("Invalid argument to date encode");
  return out;
}

DateTime EncodeDateTime(const DateTimeFields& fields) {
  DateTime out;
  if (!TryEncodeDateTime(fields, out)) throw Error("Invalid argument to date encode");
  return out;
}

DateTimeFields DecodeDateTime(DateTime value) {
  // Outside years 1 to 9999 (or not a number) the day count would not even fit an integer.
  if (!std::isfinite(value.value) || value.value <= kMinDays - 1 || value.value >= kMaxDays + 1)
    throw Error("Invalid date-time value");
  double whole = std::trunc(value.value);
  int64_t days = static_cast<int64_t>(whole);
  int64_t ms = std::llround(std::fabs(value.value - whole) * kMsPerDay);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    days += value.value < 0 ? -1 : 1;
  }
  DateTimeFields f;
  CivilFromDays(days - kUnixEpochDays, f.year, f.month, f.day);
  f.hour = static_cast<int>(ms / 3600000);
  f.minute = static_cast<int>(ms / 60000 % 60);
  f.second = static_cast<int>(ms / 1000 % 60);
  f.millisecond = static_cast<int>(ms % 1000);
  return f;
}

DateTime Now() {
  auto now = std::chrono::system_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  const std::tm local = LocalTimeOf(seconds);
  return EncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                         local.tm_sec > 59 ? 59 : local.tm_sec, static_cast<int>(ms % 1000)});
}

DateTime Today() { return DateOf(Now()); }

DateTime DateOf(DateTime value) { return DateTime(std::trunc(value.value)); }

DateTime IncDays(DateTime value, int days) { return DateTime(value.value + days); }

std::string FormatDateTime(std::string_view pattern, DateTime value, const FormatSettings& settings) {
  const DateTimeFields f = DecodeDateTime(value);
  std::string out;
  bool last_was_hour = false;
  size_t i = 0;
  auto run_of = [&](char c) {
    size_t n = 0;
    while (i + n < pattern.size() && std::tolower(static_cast<unsigned char>(pattern[i + n])) == c) ++n;
    return n;
  };
  while (i < pattern.size()) {
    char c = pattern[i];
    char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '\'' || c == '"') {
      size_t end = pattern.find(c, i + 1);
      if (end == std::string_view::npos) end = pattern.size();
      out.append(pattern.substr(i + 1, end - i - 1));
      i = end + 1;
      continue;
    }
    if (c == '/') {
      out += settings.dateSeparator;
      ++i;
      continue;
    }
    if (c == ':') {
      out += settings.timeSeparator;
      ++i;
      continue;
    }
    size_t n = run_of(lower);
    bool hour_token = false;
    switch (lower) {
      case 'y':
        out += n <= 2 ? Padded(f.year % 100, 2) : Padded(f.year, 4);
        break;
      case 'm':
        if (last_was_hour) {
          out += n >= 2 ? Padded(f.minute, 2) : std::to_string(f.minute);
        } else {
          out += n >= 2 ? Padded(f.month, 2) : std::to_string(f.month);
        }
        n = n > 2 ? 2 : n;
        break;
      case 'd':
        out += n >= 2 ? Padded(f.day, 2) : std::to_string(f.day);
        n = n > 2 ? 2 : n;
        break;
      case 'h':
        out += n >= 2 ? Padded(f.hour, 2) : std::to_string(f.hour);
        n = n > 2 ? 2 : n;
        hour_token = true;
        break;
      case 'n':
        out += n >= 2 ? Padded(f.minute, 2) : std::to_string(f.minute);
        n = n > 2 ? 2 : n;
        break;
      case 's':
        out += n >= 2 ? Padded(f.second, 2) : std::to_string(f.second);
        n = n > 2 ? 2 : n;
        break;
      case 'z':
        out += n >= 3 ? Padded(f.millisecond, 3) : std::to_string(f.millisecond);
        n = n > 3 ? 3 : n;
        break;
      default:
        out += c;
        n = 1;
        break;
    }
    // "mm" after an hour stays minutes across literal separators, as desktop runtimes do.
    if (hour_token) {
      last_was_hour = true;
    } else if (lower == 'y' || lower == 'd' || lower == 'n' || lower == 's' || lower == 'z' || lower == 'm') {
      last_was_hour = false;
    }
    i += n;
  }
  return out;
}

std::string FormatDateTime(std::string_view pattern, DateTime value) {
  return FormatDateTime(pattern, value, GetFormatSettings());
}

}  // namespace dodu
