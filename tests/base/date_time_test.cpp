#include <gtest/gtest.h>

#include <limits>

#include "base/date_time.h"
#include "base/error.h"
#include "base/format_settings.h"

namespace dodu {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime({y, mo, d, h, mi, s, ms});
}

TEST(DateTimeTest, CountsDaysFrom30December1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30).value, 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1).value, 2);
  EXPECT_EQ(EncodeDate(2024, 3, 5).value, 45356);
  EXPECT_DOUBLE_EQ(At(2024, 3, 5, 12).value, 45356.5);
  // Before the epoch the time of day still counts forward from midnight of that day.
  EXPECT_DOUBLE_EQ(At(1899, 12, 29, 12).value, -1.5);
}

TEST(DateTimeTest, DecodesWhatItEncodes) {
  for (DateTimeFields f : {DateTimeFields{2024, 3, 5, 14, 30, 0, 123}, DateTimeFields{2024, 2, 29, 23, 59, 59, 999},
                           DateTimeFields{1899, 12, 29, 12, 0, 0, 1}, DateTimeFields{1, 1, 1, 0, 0, 0, 0},
                           DateTimeFields{9999, 12, 31, 23, 59, 59, 999}}) {
    DateTimeFields back = DecodeDateTime(EncodeDateTime(f));
    EXPECT_EQ(back.year, f.year);
    EXPECT_EQ(back.month, f.month);
    EXPECT_EQ(back.day, f.day);
    EXPECT_EQ(back.hour, f.hour);
    EXPECT_EQ(back.minute, f.minute);
    EXPECT_EQ(back.second, f.second);
    EXPECT_EQ(back.millisecond, f.millisecond) << f.year << "-" << f.month << "-" << f.day;
  }
  // Half a millisecond before midnight rounds into the next day.
  DateTimeFields next = DecodeDateTime(DateTime(EncodeDate(2024, 3, 5).value + (86400000 - 0.4) / 86400000.0));
  EXPECT_EQ(next.day, 6);
  EXPECT_EQ(next.hour, 0);
}

TEST(DateTimeTest, RejectsImpossibleDatesAndTimes) {
  DateTime out;
  EXPECT_FALSE(TryEncodeDateTime({2024, 2, 30, 0, 0, 0, 0}, out));
  EXPECT_FALSE(TryEncodeDateTime({2023, 2, 29, 0, 0, 0, 0}, out));
  EXPECT_FALSE(TryEncodeDateTime({1900, 2, 29, 0, 0, 0, 0}, out));
  EXPECT_TRUE(TryEncodeDateTime({2000, 2, 29, 0, 0, 0, 0}, out));
  EXPECT_FALSE(TryEncodeDateTime({2024, 13, 1, 0, 0, 0, 0}, out));
  EXPECT_FALSE(TryEncodeDateTime({2024, 1, 1, 24, 0, 0, 0}, out));
  EXPECT_FALSE(TryEncodeDateTime({2024, 1, 1, 0, 60, 0, 0}, out));
  EXPECT_FALSE(TryEncodeDateTime({2024, 1, 1, 0, 0, 0, 1000}, out));
  EXPECT_FALSE(TryEncodeDateTime({0, 1, 1, 0, 0, 0, 0}, out));
  EXPECT_THROW(EncodeDate(2024, 4, 31), Error);
}

TEST(DateTimeTest, ValuesBeyondTheCalendarRaiseOnDecoding) {
  for (double bad : {1e300, -1e300, 2958466.0, -693594.5, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()})
    EXPECT_THROW(DecodeDateTime(DateTime(bad)), Error) << bad;
  EXPECT_EQ(DecodeDateTime(DateTime(2958465.5)).year, 9999);
  EXPECT_EQ(DecodeDateTime(DateTime(-693593.5)).year, 1);
}

TEST(DateTimeTest, FormatsPatternsWithTheSettingsSeparators) {
  FormatSettings settings;
  settings.dateSeparator = ".";
  settings.timeSeparator = "-";
  const DateTime value = At(2024, 3, 5, 14, 7, 9, 23);
  struct Case {
    const char* pattern;
    const char* text;
  } cases[] = {
      {"yyyy-mm-dd hh:mm:ss:zzz", "2024-03-05 14-07-09-023"},  // "mm" after an hour means minutes
      {"dd/mm/yyyy", "05.03.2024"},
      {"yyyymmddhhnnsszzz", "20240305140709023"},
      {"yyyy'-'mm'-'dd'T'hh':'nn':'ss", "2024-03-05T14:07:09"},
      {"d/m/yy h:n:s", "5.3.24 14-7-9"},
      {"\"at\" hh", "at 14"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.pattern, value, settings), c.text) << c.pattern;
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", DateTime(), settings), "1899-12-30");
}

TEST(DateTimeTest, NowIsTodayAtItsTimeOfDay) {
  DateTime today = Today();
  DateTime now = Now();
  EXPECT_GE(now.value, today.value);
  EXPECT_LT(now.value - today.value, 1.0 + 1e-6);  // midnight may pass between the two readings
  EXPECT_EQ(DateOf(At(2024, 3, 5, 23, 59)).value, 45356);
  EXPECT_EQ(IncDays(EncodeDate(2024, 2, 28), 1).value, EncodeDate(2024, 2, 29).value);
}

}  // namespace
}  // namespace dodu
