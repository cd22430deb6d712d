#pragma once

#include <filesystem>
#include <string>

namespace dodu::host {

// The layout of a till's working directory, as `init` makes it:
//   qvSAFTPT.ini   the library's database settings (Engine=SQLite, DBName=store.db; or
//                  Engine=ODBC, ConnectionString=... for a server store)
//   store.db       the embedded store (none with a server store)
//   host/          stands for the host executable's directory (QV_HOST_DIR): LogFiles, PT_Check
//   data/          the fiscal data directory (QV_FPR_DB): one directory per till serial
class WorkDirectory {
 public:
  explicit WorkDirectory(std::filesystem::path root);

  const std::filesystem::path& Root() const { return fRoot; }
  std::filesystem::path SettingsFile() const { return fRoot / "qvSAFTPT.ini"; }
  std::filesystem::path DefaultStoreFile() const { return fRoot / kStoreFileName; }
  std::filesystem::path HostDir() const { return fRoot / "host"; }
  std::filesystem::path DataDir() const { return fRoot / "data"; }
  // In host/PT_Check, or where host/QVPA_PT_10.ini's [CheckFiles] Directory= says (several
  // machines numbering in one series share that directory).
  std::filesystem::path CheckFile(const std::string& series_code) const;

  // Whether the directory already holds a store (its settings file or its database).
  bool HoldsStore() const;
  // Raises when the directory was not made by `init` (no settings file).
  void RequireStore() const;
  // The database file the settings name, relative names taken from the directory; raises when
  // the settings name another engine than SQLite.
  std::filesystem::path StoreFileFromSettings() const;
  // The ODBC connection string of a server store (Engine=ODBC with ConnectionString=); "" when
  // the settings name the embedded store.
  std::string ServerConnectionFromSettings() const;

  // Points the library's environment (QV_HOST_DIR, QV_FPR_DB) and the process's working
  // directory here. Must run before the library is loaded: it reads them when it loads.
  void Enter() const;

  static constexpr const char* kStoreFileName = "store.db";

 private:
  std::filesystem::path fRoot;
};

// The directory a command works on: the -C option, else $FISCAL_HOST_DIR, else the current one.
WorkDirectory ChooseWorkDirectory(const std::string& option_value);

}  // namespace dodu::host
