#pragma once

#include <string>

namespace dodu {

// The regional formats the system uses wherever it writes "the system's" or "the locale's"
// number, date or time form. Read once from the process locale where that defines them.
struct FormatSettings {
  std::string decimalSeparator = ".";
  std::string thousandSeparator = ",";
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  std::string shortDateFormat = "dd/mm/yyyy";
  std::string longTimeFormat = "hh:nn:ss";
};

// The process-wide settings, read on first use from the locale the environment selects
// (LC_ALL, else LC_NUMERIC / LC_TIME, else LANG).
const FormatSettings& GetFormatSettings();
// Replaces the process-wide settings (tests, or a host that knows better than its locale).
// References to earlier settings stay valid (each version is kept), so call it rarely.
void SetFormatSettings(const FormatSettings& settings);
// At library unload, once nothing formats any more: gives back every version's memory (the
// next use would read the locale again).
void ReleaseFormatSettings();
// Settings as read from the given numeric and time locales; defaults wherever a locale is the
// plain C/POSIX one, is not installed, or defines a form the runtime patterns cannot express.
FormatSettings ReadFormatSettingsFromLocale(const char* numeric_locale, const char* time_locale);
// Whether a locale name is the plain C/POSIX one (C.UTF-8 included), whose formats are the defaults.
bool IsPlainLocaleName(const std::string& name);
// The locale used when no LC_ALL, LC_NUMERIC/LC_TIME or LANG names one: "C" on Linux, the
// user's regional settings on Windows.
std::string SystemLocaleName();

}  // namespace dodu
