#include "fiscal_host/work_directory.h"

#include <fstream>
#include <stdexcept>

#include "base/ascii_text.h"
#include "fiscal_host/host_environment.h"
#include "fiscal_host/utf8_path.h"

namespace dodu::host {

namespace fs = std::filesystem;

namespace {

// The value of the first name=value line whose name matches without regard to case, the way the
// library reads the same file.
std::string Setting(const fs::path& file, const std::string& name) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  for (std::string line; std::getline(in, line);) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos && AsciiLower(Trimmed(line.substr(0, equals))) == AsciiLower(name))
      return Trimmed(line.substr(equals + 1));
  }
  return {};
}

}  // namespace

WorkDirectory::WorkDirectory(fs::path root) : fRoot(fs::absolute(std::move(root)).lexically_normal()) {
  // "dir/" normalises to "dir/"; keep one spelling so messages name it the same way.
  if (!fRoot.has_filename() && fRoot.has_parent_path() && fRoot != fRoot.root_path()) fRoot = fRoot.parent_path();
}

bool WorkDirectory::HoldsStore() const {
  return fs::exists(SettingsFile()) || fs::exists(DefaultStoreFile());
}

void WorkDirectory::RequireStore() const {
  if (!fs::is_regular_file(SettingsFile())) {
    throw std::runtime_error(fRoot.string() + " holds no store (no " + SettingsFile().filename().string() +
                             "); create one with: fiscal-host init " + fRoot.string());
  }
}

fs::path WorkDirectory::StoreFileFromSettings() const {
  RequireStore();
  const std::string engine = Setting(SettingsFile(), "Engine");
  if (AsciiLower(engine) != "sqlite") {
    throw std::runtime_error(SettingsFile().string() + " names the engine '" + engine +
                             "'; this works on the embedded SQLite store only");
  }
  const fs::path name = PathFromUtf8(Setting(SettingsFile(), "DBName"));
  if (name.empty()) throw std::runtime_error(SettingsFile().string() + " names no database (DBName=)");
  return name.is_absolute() ? name : fRoot / name;
}

fs::path WorkDirectory::CheckFile(const std::string& series_code) const {
  const fs::path host_settings = HostDir() / "QVPA_PT_10.ini";
  fs::path directory = HostDir() / "PT_Check";
  if (fs::exists(host_settings)) {
    const fs::path configured = PathFromUtf8(Setting(host_settings, "Directory"));
    if (!configured.empty()) directory = configured.is_absolute() ? configured : HostDir() / configured;
  }
  return directory / (series_code + ".b64");
}

std::string WorkDirectory::ServerConnectionFromSettings() const {
  RequireStore();
  if (AsciiLower(Setting(SettingsFile(), "Engine")) != "odbc") return {};
  const std::string connection = Setting(SettingsFile(), "ConnectionString");
  if (connection.empty())
    throw std::runtime_error(SettingsFile().string() + " names the engine ODBC without a ConnectionString=");
  return connection;
}

void WorkDirectory::Enter() const {
  SetEnvironmentValue("QV_HOST_DIR", HostDir().string());
  SetEnvironmentValue("QV_FPR_DB", DataDir().string());
  std::error_code error;
  fs::current_path(fRoot, error);
  if (error) throw std::runtime_error("cannot enter " + fRoot.string() + ": " + error.message());
}

WorkDirectory ChooseWorkDirectory(const std::string& option_value) {
  if (!option_value.empty()) return WorkDirectory(PathFromUtf8(option_value));
  const std::optional<std::string> from_environment = EnvironmentValue("FISCAL_HOST_DIR");
  if (from_environment && !from_environment->empty()) return WorkDirectory(PathFromUtf8(*from_environment));
  return WorkDirectory(fs::current_path());
}

}  // namespace dodu::host
