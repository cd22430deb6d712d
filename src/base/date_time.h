#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace dodu {

struct FormatSettings;

// Days since 1899-12-30 00:00 with the time of day as the fraction; 0 means "not set".
// A date is the same value without a fraction.
struct DateTime {
  double value = 0;

  constexpr DateTime() = default;
  constexpr explicit DateTime(double days) : value(days) {}
  constexpr bool IsZero() const { return value == 0; }
  constexpr auto operator<=>(const DateTime&) const = default;
};

struct DateTimeFields {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

bool IsValidDate(int year, int month, int day);
bool TryEncodeDateTime(const DateTimeFields& fields, DateTime& out);
DateTime EncodeDate(int year, int month, int day);  // raises on an impossible date
DateTime EncodeDateTime(const DateTimeFields& fields);  // raises on an impossible date or time
// To the nearest millisecond; a time that rounds up to midnight moves to the next day. Raises
// for a value outside the years 1 to 9999.
DateTimeFields DecodeDateTime(DateTime value);

DateTime Now();    // local time
DateTime Today();  // local date
DateTime DateOf(DateTime value);
DateTime IncDays(DateTime value, int days);

// Patterns in the manner of a desktop runtime: yyyy yy mm m dd d hh h nn n ss s zzz z,
// "mm" right after an hour means minutes, "/" and ":" stand for the settings' date and time
// separators, text in single or double quotes is copied as it stands.
std::string FormatDateTime(std::string_view pattern, DateTime value, const FormatSettings& settings);
std::string FormatDateTime(std::string_view pattern, DateTime value);  // with the process settings

}  // namespace dodu
