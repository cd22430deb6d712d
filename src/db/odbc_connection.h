#pragma once

#include <string>

#include "db/db_connection.h"

namespace dodu {

// A connection through the ODBC driver manager: SQL Server through FreeTDS, or any driver that
// a connection string names. Texts travel as UTF-8 through the narrow interface (FreeTDS is
// told ClientCharset=UTF-8). A batch may return several results: the first one with columns is
// read and the rest are drained, so errors of later statements are reported too.
class OdbcConnection : public DbConnection {
 public:
  explicit OdbcConnection(std::string aConnectionString);
  ~OdbcConnection() override;

  bool IsOpen() const override { return fDbc != nullptr; }
  tQV_DbEngine Engine() const override { return dbe_ODBC; }
  const std::string& ConnectionString() const { return fConnectionString; }
  // The server's product name as the driver gives it ("Microsoft SQL Server", "SQLite" ...).
  const std::string& DbmsName() const { return fDbmsName; }
  int64_t RowsAffected() const override { return fRowsAffected; }

 protected:
  void DoOpen() override;
  void DoClose() override;
  tQV_ResultSet DoRun(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds) override;
  const SqlDialect& DetectDialect() override;

 private:
  std::string fConnectionString;
  std::string fDbmsName;
  void* fEnv = nullptr;
  void* fDbc = nullptr;
  int64_t fRowsAffected = 0;
};

}  // namespace dodu
