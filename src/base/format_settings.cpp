#include "base/format_settings.h"

#include "base/no_destructor.h"

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


// The locale name the environment selects for a category, as setlocale(cat, "") would, else
// the system's own choice.
std::string EnvironmentLocaleName(const char* category_variable) {
  for (const char* name : {"LC_ALL", category_variable, "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return SystemLocaleName();
}

}  // namespace

// C.UTF-8 and C.utf8 only add a character set to C: their dates are C's mm/dd/yy, which is no
// regional choice, so they keep the defaults like C itself.
bool IsPlainLocaleName(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0 || name.rfind("POSIX.", 0) == 0;
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
