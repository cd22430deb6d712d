#include "fiscal_host/saft_command.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "db/vendizio_proxy.h"
#include "fiscal_host/command_line.h"
#include "fiscal_host/local_clock.h"
#include "fiscal_host/utf8_path.h"
#include "platform/files.h"
#include "saft/saft_export.h"
#include "saft/saft_period.h"
#include "saft/saft_settings.h"

namespace dodu::host {

namespace fs = std::filesystem;

namespace {

// The connection the library makes from qvSAFTPT.ini (the same keys), and nothing created: the
// embedded engine would make an empty database where the file is missing.
void ConnectStore(tQV_VendizioProxy& proxy, const std::vector<std::string>& settings, std::string& log_errors) {
  proxy.SetApplicationName("fiscal-host saft");
  proxy.SetEngine(DbEngineFromText(SaftSettingValue(settings, "Engine")));
  proxy.SetDataSource(SaftSettingValue(settings, "DataSource"));
  proxy.SetDbName(SaftSettingValue(settings, "DBName"));
  proxy.SetDBUserName(SaftSettingValue(settings, "DBUserName"));
  proxy.SetDBUserPwd(SaftSettingValue(settings, "DbUserPwd"));
  proxy.SetNotifyHandler([&](int32_t, const std::string& text) { log_errors += text + "\n"; });
  proxy.SetLogHandler([&](tQV_MessageType type, const std::string& text) {
    if (type == let_error) log_errors += text + "\n";
  });
  if (proxy.Engine() == dbe_SQLite && !fs::is_regular_file(PathFromUtf8(proxy.DbName())))
    throw std::runtime_error("the store " + proxy.DbName() + " named by qvSAFTPT.ini does not exist");
  if (!proxy.Connect()) throw std::runtime_error("cannot connect to the store: " + proxy.ConnectionError());
}

}  // namespace

int RunSaft(const WorkDirectory& directory, const SaftOptions& options, std::ostream& out, std::ostream& log) {
  if (options.from.empty() || options.to.empty()) throw UsageError("saft needs --from YYYY-MM-DD and --to YYYY-MM-DD");
  SaftExportRequest request;
  try {
    request.period = ParseSaftPeriod(options.from, options.to);
  } catch (const std::exception& e) {
    throw UsageError(std::string("saft: ") + e.what());
  }
  // The output is named from where the user stands, before the tool moves into the directory.
  fs::path output;
  if (!options.output.empty()) {
    output = fs::absolute(PathFromUtf8(options.output));
    if (fs::is_directory(output)) throw UsageError("saft: the output " + options.output + " is a directory");
  }
  directory.RequireStore();
  const std::vector<std::string> settings = ReadFileLines(directory.SettingsFile().string());
  try {
    request.settings = SaftSettingsFromLines(settings);
  } catch (const std::exception& e) {
    throw UsageError(std::string("saft: qvSAFTPT.ini: ") + e.what());
  }
  request.creationDate = XmlDateTimeText(Now()).substr(0, 10);
  request.spoolDirectory = output.empty() ? fs::temp_directory_path() : output.parent_path();
  directory.Enter();

  std::string log_errors;
  tQV_VendizioProxy proxy;
  SaftExportResult result;
  try {
    ConnectStore(proxy, settings, log_errors);
    if (output.empty()) {
      result = ExportSaft(proxy, request, out);
    } else {
      const fs::path partial = output.parent_path() / (output.filename().string() + ".partial");
      try {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        if (!file) throw std::runtime_error("cannot create " + partial.string());
        result = ExportSaft(proxy, request, file);
        file.close();
        if (!file) throw std::runtime_error("cannot write " + partial.string());
        fs::rename(partial, output);
      } catch (...) {
        std::error_code ignored;  // the error that got here is the one to report
        fs::remove(partial, ignored);
        throw;
      }
    }
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("saft: ") + e.what() + (log_errors.empty() ? "" : "\n" + log_errors));
  }
  for (const std::string& note : result.notes) log << "fiscal-host saft: note: " << note << "\n";
  log << "fiscal-host saft: " << result.documents << " documents (" << result.voided << " voided) from "
      << request.period.from << " to " << request.period.to;
  if (!output.empty()) log << " written to " << output.string();
  log << "\n";
  return kExitSuccess;
}

}  // namespace dodu::host
