#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/amount.h"
#include "base/date_time.h"

namespace dodu {

// XML texts of dates, date-times, amounts and booleans.
std::string DateToXmlText(DateTime value);                                // 2024-03-05
std::string DateTimeToXmlText(bool with_milliseconds, DateTime value);    // 2024-03-05T14:30:00[.123]
DateTime XmlTextToDate(std::string_view text);      // raises "Date Format invalid: [text]"
DateTime XmlTextToDateTime(std::string_view text);  // raises "DateTime Format invalid: [text]"
std::string CurrencyToXmlText(Amount value);        // 12.5, 10, 0, -3.25
std::string BoolToXmlText(bool value);              // True / False

// Whether the text reads as a floating-point number in the system's number format.
bool IsNumericText(std::string_view text);

// Fixed-width number text: the last `width` characters, zero-filled on the left; a negative
// value puts its minus sign first, and with_sign puts "+" or "-" there.
std::string ZeroPadded(Amount value, int width, int decimals = 0, std::string_view separator = ".",
                       bool with_sign = false);
std::string ZeroPadded(int64_t value, int width);
// The GS1 check digit of a digit text; raises for a text that is not numeric.
std::string GTINCheckDigit(std::string_view code);
// Field `number` (from 1) of a text separated by `separator`; with to_end, that field and all
// that follows it, separators included.
std::string GetField(std::string_view text, int number, char separator, bool to_end = false);

template <typename T>
T NullToDefault(const std::optional<T>& value, const T& fallback) {
  return value.has_value() ? *value : fallback;
}

// A whole decimal 32-bit integer: digits with an optional minus sign, nothing else.
bool TryParseInt32(std::string_view text, int32_t& value);

// SQL texts.
std::string SqlQuoted(std::string_view text);                             // 'O''Brien'
std::string SqlDateText(DateTime value);                                  // '20240305'
std::string SqlDateTimeText(bool with_milliseconds, DateTime value);      // '2024-03-05T14:30:00[.123]'
std::string SqlCurrencyText(Amount value);
std::string SqlIntegerText(int64_t value);

// Texts in the system's short date and long time formats; the time is left out when the value
// is exactly midnight.
std::string DateToText(DateTime value);
std::string DateTimeToText(DateTime value);

int64_t TimeOfDayMs(DateTime value);

// The host process and its machine.
std::string ExePath();        // directory of the host executable, ending with a separator
std::string ExeBaseName();
std::string IniFileName(bool without_computer_name);
std::string WindowsDirectory();  // the system settings directory: /etc/
std::string ComputerName();      // $COMPUTERNAME, else the host name
std::string UserName();          // $USERNAME, else the login name
std::string LocalIPAddress();

// Command-line switches: the first argument after the program name that, in lower case, starts
// with name + ":" or name + "=", or equals name. Whole: the argument as it stands; else the value
// after the separator. Empty when there is none.
std::string FindParam(std::string_view name, bool whole);
std::string GetParamValue(std::string_view name);
// The "/ENV" switch up to its first "|", else the first [section] of the settings file that is
// not one of the store application's own.
std::string GetEnvironmentName(const std::string& file_name);

}  // namespace dodu
