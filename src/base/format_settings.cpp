#include "base/format_settings.h"

#include "base/no_destructor.h"

#include <clocale>
#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <mutex>
#include <memory>
#include <vector>

namespace dodu {

namespace {

std::mutex g_settings_mutex;
// Every version ever set stays alive and unchanged, so a reference handed out by
// GetFormatSettings stays valid and is never written while another thread reads it.
// Never destroyed: the log thread and the library's unload hook format dates after the
// process's static objects may have gone at exit.
NoDestructor<std::vector<std::unique_ptr<const FormatSettings>>> g_settings_storage;
std::vector<std::unique_ptr<const FormatSettings>>& g_settings = *g_settings_storage;

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

namespace {

// The locale name the environment selects for a category, as setlocale(cat, "") would.
std::string EnvironmentLocaleName(const char* category_variable) {
  for (const char* name : {"LC_ALL", category_variable, "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "C";
}

// C.UTF-8 and C.utf8 only add a character set to C: their dates are C's mm/dd/yy, which is no
// regional choice, so they keep the defaults like C itself.
bool IsPlainLocale(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0 || name.rfind("POSIX.", 0) == 0;
}

}  // namespace

FormatSettings ReadFormatSettingsFromLocale(const char* numeric_locale, const char* time_locale) {
  FormatSettings settings;
  if (!IsPlainLocale(numeric_locale)) {
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
  if (!IsPlainLocale(time_locale)) {
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

const FormatSettings& GetFormatSettings() {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  if (g_settings.empty()) {
    g_settings.push_back(std::make_unique<const FormatSettings>(ReadFormatSettingsFromLocale(
        EnvironmentLocaleName("LC_NUMERIC").c_str(), EnvironmentLocaleName("LC_TIME").c_str())));
  }
  return *g_settings.back();
}

void SetFormatSettings(const FormatSettings& settings) {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  g_settings.push_back(std::make_unique<const FormatSettings>(settings));
}

void ReleaseFormatSettings() {
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  std::vector<std::unique_ptr<const FormatSettings>>().swap(g_settings);
}

}  // namespace dodu
