#pragma once

#include <filesystem>
#include <string>

namespace dodu::bench {

// A till's world in a directory, laid out as a host lays it out: the host directory
// (QV_HOST_DIR: logs, PT_Check), the fiscal data directory (QV_FPR_DB) and the working directory
// with qvSAFTPT.ini naming an embedded store, or the server store aServer (an ODBC connection
// string) when one is given, whose driver tables are made anew. The store holds the company,
// aBranches branches (S01 ...) and their invoice and credit-note series, registered and empty.
class BenchWorld {
 public:
  BenchWorld(std::filesystem::path aRoot, int aBranches, std::string aServer = "");

  const std::filesystem::path& Root() const { return fRoot; }
  std::filesystem::path HostDir() const { return fRoot / "host"; }
  std::filesystem::path DataDir() const { return fRoot / "fpr"; }
  std::filesystem::path WorkDir() const { return fRoot / "work"; }
  std::filesystem::path StoreFile() const { return WorkDir() / "store.db"; }
  std::filesystem::path CheckFile(const std::string& aSeriesCode) const {
    return HostDir() / "PT_Check" / (aSeriesCode + ".b64");
  }
  std::filesystem::path CountersFile(const std::string& aTillSerial) const {
    return DataDir() / aTillSerial / "counters.actual.fprc";
  }

  // Points this process's environment and working directory at the world; a library loaded
  // afterwards works in it.
  void Enter() const;

  // Stores aCount documents of the branch's invoice series (numbers 1 ..) dated before every
  // document of the run, each with a receipt text of aReceiptBytes, and leaves the series row
  // and its check file at the last of them, as if the till had issued them.
  void Prefill(const std::string& aStoreCode, int aCount, size_t aReceiptBytes) const;

  // The document date-time of a prefilled document, as a request names it.
  static std::string PrefilledDateTime(int aNumber);

  // Bytes of the largest stored document row (all its columns), 0 when there is none.
  size_t LargestReceiptRowBytes() const;

 private:
  std::filesystem::path fRoot;
  std::string fServer;
};

// Runs statements on a SQLite file; raises std::runtime_error with SQLite's message.
void ExecuteSql(const std::filesystem::path& aFile, const std::string& aSql);

}  // namespace dodu::bench
