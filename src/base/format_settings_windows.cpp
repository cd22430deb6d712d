// The regional formats of a locale, read from Windows' locale data.
#include "base/format_settings.h"

#include <windows.h>

#include <string>

#include "base/text_encoding.h"

namespace dodu {

namespace {

// "pt_PT.UTF-8" (the form the environment variables use) becomes "pt-PT"; Windows names pass.
std::wstring WindowsLocaleName(const std::string& name) {
  std::string result = name.substr(0, name.find_first_of(".@"));
  for (char& c : result)
    if (c == '_') c = '-';
  const std::u16string units = Utf8ToUtf16(result);
  return std::wstring(units.begin(), units.end());
}

std::string LocaleText(const std::wstring& locale, LCTYPE type) {
  wchar_t buffer[128] = {};
  if (GetLocaleInfoEx(locale.c_str(), type, buffer, 128) <= 0) return std::string();
  const std::wstring text(buffer);
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

// Turns a Windows date or time picture ("dd/MM/yyyy", "HH:mm:ss") into the runtime pattern and
// its separator; a picture the patterns cannot express gives an empty pattern.
void ConvertPicture(const std::string& picture, bool is_date, std::string& pattern, std::string& separator) {
  std::string out;
  std::string sep;
  for (size_t i = 0; i < picture.size(); ++i) {
    const char c = picture[i];
    size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    switch (c) {
      case 'd': if (run > 2) { pattern.clear(); return; } out += "dd"; break;
      case 'M': if (run > 2) { pattern.clear(); return; } out += "mm"; break;
      case 'y': out += run >= 3 ? "yyyy" : "yy"; break;
      case 'H': case 'h': out += "hh"; break;
      case 'm': out += "nn"; break;
      case 's': out += "ss"; break;
      case 't': break;  // the AM/PM marker: the patterns keep a 24-hour clock
      case '.': case '/': case '-': case ':':
        if (sep.empty()) sep = std::string(1, c);
        out += std::string(run, c == sep[0] ? (is_date ? '/' : ':') : c);
        break;
      case ' ': out += std::string(run, c); break;
      default: pattern.clear(); return;
    }
    i += run - 1;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  pattern = out;
  separator = sep;
}

}  // namespace

FormatSettings ReadFormatSettingsFromLocale(const char* numeric_locale, const char* time_locale) {
  FormatSettings settings;
  if (!IsPlainLocaleName(numeric_locale)) {
    const std::wstring locale = WindowsLocaleName(numeric_locale);
    const std::string decimal = LocaleText(locale, LOCALE_SDECIMAL);
    const std::string thousands = LocaleText(locale, LOCALE_STHOUSAND);
    if (!decimal.empty()) settings.decimalSeparator = decimal;
    if (!thousands.empty()) settings.thousandSeparator = thousands;
    if (settings.thousandSeparator == settings.decimalSeparator)
      settings.thousandSeparator = settings.decimalSeparator == "," ? "." : ",";
  }
  if (!IsPlainLocaleName(time_locale)) {
    const std::wstring locale = WindowsLocaleName(time_locale);
    std::string pattern, separator;
    ConvertPicture(LocaleText(locale, LOCALE_SSHORTDATE), true, pattern, separator);
    if (!pattern.empty() && !separator.empty()) {
      settings.shortDateFormat = pattern;
      settings.dateSeparator = separator;
    }
    ConvertPicture(LocaleText(locale, LOCALE_STIMEFORMAT), false, pattern, separator);
    if (!pattern.empty() && !separator.empty()) {
      settings.longTimeFormat = pattern;
      settings.timeSeparator = separator;
    }
  }
  return settings;
}

std::string SystemLocaleName() {
  wchar_t buffer[LOCALE_NAME_MAX_LENGTH] = {};
  if (GetUserDefaultLocaleName(buffer, LOCALE_NAME_MAX_LENGTH) <= 0) return "C";
  const std::wstring name(buffer);
  return Utf16ToUtf8(std::u16string(name.begin(), name.end()));
}

}  // namespace dodu
