#include "base/conversions.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "base/ascii_text.h"
#include "base/error.h"
#include "base/format_settings.h"
#include "platform/files.h"
#include "platform/process.h"

namespace dodu {

namespace {

// Digits only, at least one; false for anything else.
bool ParseDigits(std::string_view text, int& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// Characters first..first+count-1 counted from 1, as much of them as the text holds.
std::string_view Chars(std::string_view text, size_t first, size_t count) {
  if (first - 1 >= text.size()) return {};
  return text.substr(first - 1, count);
}



}  // namespace

std::string DateToXmlText(DateTime value) { return FormatDateTime("yyyy'-'mm'-'dd", value); }

std::string DateTimeToXmlText(bool with_milliseconds, DateTime value) {
  return FormatDateTime(with_milliseconds ? "yyyy'-'mm'-'dd'T'hh':'nn':'ss'.'zzz" : "yyyy'-'mm'-'dd'T'hh':'nn':'ss",
                        value);
}

DateTime XmlTextToDate(std::string_view text) {
  int year, month, day;
  DateTime result;
  if (!ParseDigits(Chars(text, 1, 4), year) || !ParseDigits(Chars(text, 6, 2), month) ||
      !ParseDigits(Chars(text, 9, 2), day) || !TryEncodeDateTime({year, month, day, 0, 0, 0, 0}, result))
    throw Error("Date Format invalid: [" + std::string(text) + "]");
  return result;
}

DateTime XmlTextToDateTime(std::string_view text) {
  DateTimeFields f;
  DateTime result;
  if (!ParseDigits(Chars(text, 1, 4), f.year) || !ParseDigits(Chars(text, 6, 2), f.month) ||
      !ParseDigits(Chars(text, 9, 2), f.day) || !ParseDigits(Chars(text, 12, 2), f.hour) ||
      !ParseDigits(Chars(text, 15, 2), f.minute) || !ParseDigits(Chars(text, 18, 2), f.second))
    throw Error("DateTime Format invalid: [" + std::string(text) + "]");
  if (!ParseDigits(Chars(text, 21, 3), f.millisecond)) f.millisecond = 0;
  if (!TryEncodeDateTime(f, result)) throw Error("DateTime Format invalid: [" + std::string(text) + "]");
  return result;
}

std::string CurrencyToXmlText(Amount value) { return value.ToText(); }

std::string BoolToXmlText(bool value) { return value ? "True" : "False"; }

bool IsNumericText(std::string_view text) {
  const std::string& decimal = GetFormatSettings().decimalSeparator;
  std::string body = Trimmed(text);
  size_t i = 0;
  if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
  size_t digits = 0;
  while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
  if (!decimal.empty() && body.compare(i, decimal.size(), decimal) == 0) {
    i += decimal.size();
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    size_t exponent_digits = 0;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == body.size();
}

namespace {

// The last `width` characters of the digits with zeros in front; a minus sign takes the first
// place rather than landing among the digits ("-000042", not "0000-42").
std::string PadDigits(std::string text, int width, bool negative, bool with_sign, bool non_negative) {
  if (width < 0) width = 0;
  std::string padded = std::string(static_cast<size_t>(width), '0') + text;
  std::string result = padded.substr(padded.size() - static_cast<size_t>(width));
  if (result.empty()) return result;
  if (with_sign) result[0] = non_negative ? '+' : '-';
  else if (negative) result[0] = '-';
  return result;
}

}  // namespace

std::string ZeroPadded(Amount value, int width, int decimals, std::string_view separator, bool with_sign) {
  std::string text = value.ToFixed(decimals);  // rounded to the last digit shown
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.erase(0, 1);
  std::string replaced;
  for (char c : text) {
    if (c == '.') replaced.append(separator);
    else replaced += c;
  }
  return PadDigits(std::move(replaced), width, negative, with_sign, value.Raw() >= 0);
}

std::string ZeroPadded(int64_t value, int width) {
  // Not through an amount, which holds whole numbers only up to about 9.2e14.
  std::string text = std::to_string(value);
  const bool negative = value < 0;
  if (negative) text.erase(0, 1);
  return PadDigits(std::move(text), width, negative, false, !negative);
}

std::string GTINCheckDigit(std::string_view code) {
  const std::string message = "To calculate a GTIN Check Digit input string must be numeric [" + std::string(code) + "]";
  if (!IsNumericText(code)) throw Error(message);
  static const std::string kWeights = "13131313131313";
  if (code.size() > kWeights.size()) throw Error(message);
  std::string_view weights = std::string_view(kWeights).substr(kWeights.size() - code.size());
  int sum = 0;
  for (size_t i = 0; i < code.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(code[i]))) throw Error(message);
    sum += (code[i] - '0') * (weights[i] - '0');
  }
  return std::string(1, std::to_string(10 - sum % 10).back());
}

std::string GetField(std::string_view text, int number, char separator, bool to_end) {
  if (number < 1) return {};
  size_t start = 0;
  for (int field = 1; field < number; ++field) {
    size_t next = text.find(separator, start);
    if (next == std::string_view::npos) return {};
    start = next + 1;
  }
  if (to_end) return std::string(text.substr(start));
  size_t end = text.find(separator, start);
  return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

bool TryParseInt32(std::string_view text, int32_t& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return !text.empty() && ec == std::errc() && ptr == end;
}

std::string SqlQuoted(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string SqlDateText(DateTime value) { return SqlQuoted(FormatDateTime("yyyymmdd", value)); }

std::string SqlDateTimeText(bool with_milliseconds, DateTime value) {
  return SqlQuoted(FormatDateTime(
      with_milliseconds ? "yyyy'-'mm'-'dd'T'hh':'nn':'ss'.'zzz" : "yyyy'-'mm'-'dd'T'hh':'nn':'ss", value));
}

std::string SqlCurrencyText(Amount value) { return CurrencyToXmlText(value); }

std::string SqlIntegerText(int64_t value) { return std::to_string(value); }

std::string DateToText(DateTime value) { return FormatDateTime(GetFormatSettings().shortDateFormat, value); }

std::string DateTimeToText(DateTime value) {
  const FormatSettings& settings = GetFormatSettings();
  std::string text = FormatDateTime(settings.shortDateFormat, value, settings);
  if (TimeOfDayMs(value) != 0) text += " " + FormatDateTime(settings.longTimeFormat, value, settings);
  return text;
}

int64_t TimeOfDayMs(DateTime value) {
  DateTimeFields f = DecodeDateTime(value);
  return (f.hour * 3600LL + f.minute * 60LL + f.second) * 1000 + f.millisecond;
}

std::string ExePath() { return HostExecutableDirectory(); }

std::string ExeBaseName() { return HostExecutableBaseName(); }

std::string IniFileName(bool without_computer_name) {
  return without_computer_name ? ExeBaseName() + ".ini" : ExeBaseName() + "_" + ComputerName() + ".ini";
}

std::string WindowsDirectory() { return SystemSettingsDirectory(); }

std::string ComputerName() {
  std::string name = EnvironmentVariable("COMPUTERNAME");
  return name.empty() ? HostName() : name;
}

std::string UserName() {
  std::string name = EnvironmentVariable("USERNAME");
  return name.empty() ? LoginName() : name;
}

std::string LocalIPAddress() { return LocalIPv4Address(); }

std::string FindParam(std::string_view name, bool whole) {
  const std::string key = AsciiLower(name);
  for (const std::string& argument : CommandLineArguments()) {
    const std::string lower = AsciiLower(argument);
    if (lower == key || lower.rfind(key + ":", 0) == 0 || lower.rfind(key + "=", 0) == 0) {
      if (whole) return argument;
      return argument.size() > name.size() ? argument.substr(name.size() + 1) : std::string();
    }
  }
  return {};
}

std::string GetParamValue(std::string_view name) { return FindParam(name, false); }

std::string GetEnvironmentName(const std::string& file_name) {
  std::string name = GetField(GetParamValue("/ENV"), 1, '|');
  if (!name.empty()) return name;
  if (!FileExists(file_name)) return {};
  for (const std::string& raw : ReadFileLines(file_name)) {
    std::string line = Trimmed(raw);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') continue;
    std::string lower = AsciiLower(line);
    if (lower == "[relaydesk]" || lower == "[clipvault]" || lower == "[parametri generali]") continue;
    return line.substr(1, line.size() - 2);
  }
  return {};
}

}  // namespace dodu
