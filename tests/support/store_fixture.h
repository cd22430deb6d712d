#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dodu::testing {

// A till's world in a temporary directory of its own: the host directory (QV_HOST_DIR: logs, PT_Check),
// the fiscal data directory (QV_FPR_DB), the working directory with qvSAFTPT.ini naming an
// embedded SQLite store, and that store with its schema. The process's working directory and
// environment point there until the fixture ends, so use one per test process.
class StoreFixture {
 public:
  StoreFixture();
  ~StoreFixture();
  StoreFixture(const StoreFixture&) = delete;
  StoreFixture& operator=(const StoreFixture&) = delete;

  const std::filesystem::path& Root() const { return fRoot; }
  std::filesystem::path HostDir() const { return fRoot / "host"; }
  std::filesystem::path DataDir() const { return fRoot / "fpr"; }
  std::filesystem::path WorkDir() const { return fRoot / "work"; }
  std::filesystem::path DatabaseFile() const { return fRoot / "work" / "store.db"; }
  std::filesystem::path CheckFile(const std::string& series_code) const {
    return HostDir() / "PT_Check" / (series_code + ".b64");
  }

  // Runs statements on the store (raises a test failure on error).
  void Execute(const std::string& sql) const;
  // Rows of a query, each a map from column name to text ("" for null).
  std::vector<std::map<std::string, std::string>> Query(const std::string& sql) const;

  // The demo company PT500100200 and branch S01 (invoice template "{{DocumentType}}{{YYYY}}{{Store}}",
  // credit note template "{{DocumentType}}{{YYYY}}{{Store}}", types FR and NC).
  void AddCompanyAndBranch() const;
  // A registered series with its validation code (and last number, signature and date).
  void AddSeries(const std::string& code, const std::string& validation_code, int last_number = 0,
                 const std::string& last_hash = "", const std::string& last_date = "", bool closed = false) const;

 private:
  std::filesystem::path fRoot;
  std::filesystem::path fPreviousDirectory;
  std::map<std::string, std::optional<std::string>> fPreviousEnvironment;
};

}  // namespace dodu::testing
