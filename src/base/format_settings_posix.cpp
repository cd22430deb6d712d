// The regional formats of a locale, read from the C library's locale data.
#include "base/format_settings.h"

#include <langinfo.h>
#include <locale.h>

#include <string>

namespace dodu {

namespace {

// Turns a strftime date or time format into the runtime pattern and its separator.
void ConvertPattern(const std::string& format, bool is_date, std::string& pattern, std::string& separator) {
  std::string out;
  std::string sep;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c == '%' && i + 1 < format.size()) {
      char spec = format[++i];
      if (spec == 'E' || spec == 'O' || spec == '-') {
        if (i + 1 >= format.size()) break;
        spec = format[++i];
      }
      switch (spec) {
        case 'd': case 'e': out += "dd"; break;
        case 'm': out += "mm"; break;
        case 'Y': out += "yyyy"; break;
        case 'y': out += "yy"; break;
        case 'H': case 'k': out += "hh"; break;
        case 'M': out += "nn"; break;
        case 'S': out += "ss"; break;
        case 'T': out += "hh:nn:ss"; if (sep.empty()) sep = ":"; break;
        case 'D': out += "mm/dd/yy"; if (sep.empty()) sep = "/"; break;
        case 'F': out += "yyyy-mm-dd"; if (sep.empty()) sep = "-"; break;
        default: pattern.clear(); return;  // a form the runtime patterns cannot express
      }
    } else if (c == '.' || c == '/' || c == '-' || c == ':') {
      if (sep.empty()) sep = std::string(1, c);
      out += c == sep[0] ? (is_date ? '/' : ':') : c;
    } else {
      out += c;
    }
  }
  pattern = out;
  separator = sep;
}

}  // namespace

FormatSettings ReadFormatSettingsFromLocale(const char* numeric_locale, const char* time_locale) {
  FormatSettings settings;
  if (!IsPlainLocaleName(numeric_locale)) {
    if (locale_t loc = newlocale(LC_NUMERIC_MASK, numeric_locale, static_cast<locale_t>(0))) {
      std::string decimal = nl_langinfo_l(RADIXCHAR, loc);
      std::string thousands = nl_langinfo_l(THOUSEP, loc);
      freelocale(loc);
      if (!decimal.empty()) settings.decimalSeparator = decimal;
      if (!thousands.empty()) settings.thousandSeparator = thousands;
      if (settings.thousandSeparator == settings.decimalSeparator)
        settings.thousandSeparator = settings.decimalSeparator == "," ? "." : ",";
    }
  }
  if (!IsPlainLocaleName(time_locale)) {
    if (locale_t loc = newlocale(LC_TIME_MASK, time_locale, static_cast<locale_t>(0))) {
      std::string date_format = nl_langinfo_l(D_FMT, loc);
      std::string time_format = nl_langinfo_l(T_FMT, loc);
      freelocale(loc);
      std::string pattern, separator;
      ConvertPattern(date_format, true, pattern, separator);
      if (!pattern.empty() && !separator.empty()) {
        settings.shortDateFormat = pattern;
        settings.dateSeparator = separator;
      }
      ConvertPattern(time_format, false, pattern, separator);
      if (!pattern.empty() && !separator.empty()) {
        settings.longTimeFormat = pattern;
        settings.timeSeparator = separator;
      }
    }
  }
  return settings;
}

std::string SystemLocaleName() { return "C"; }

}  // namespace dodu
