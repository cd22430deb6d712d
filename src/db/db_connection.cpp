#include "db/db_connection.h"

#include <algorithm>
#include <cctype>

#include "base/error.h"
#include "db/odbc_connection.h"
#include "db/sqlite_connection.h"

namespace dodu {

tQV_DbEngine DbEngineFromText(const std::string& aText) {
  std::string lower = aText;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower == "sqlite") return dbe_SQLite;
  if (lower.empty() || lower == "sqlserver" || lower == "mssql" || lower == "odbc") return dbe_ODBC;
  throw Error("Unknown database engine [" + aText + "]");
}

std::string DbEngineToText(tQV_DbEngine aEngine) { return aEngine == dbe_SQLite ? "SQLite" : "ODBC"; }

void DbConnection::Open() {
  if (IsOpen()) Close();
  DoOpen();
  try {
    fDialect = &DetectDialect();
  } catch (...) {
    DoClose();
    throw;
  }
  fSessionStart = fDialect->BeginSession();
}

void DbConnection::Close() {
  if (fDialect != nullptr && IsOpen()) fDialect->EndSession(fSessionStart);
  DoClose();
}

tQV_ResultSet DbConnection::Run(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds) {
  if (!IsOpen()) throw Error("Connection is not open");
  return DoRun(fDialect->TranslateStatement(aSQL), aParams, aTimeoutSeconds);
}

const SqlDialect& DbConnection::Dialect() const {
  if (fDialect == nullptr) throw Error("Connection is not open");
  return *fDialect;
}

std::unique_ptr<DbConnection> CreateDbConnection(tQV_DbEngine aEngine, const std::string& aTarget) {
  if (aEngine == dbe_SQLite) return std::make_unique<SqliteConnection>(aTarget);
  return std::make_unique<OdbcConnection>(aTarget);
}

}  // namespace dodu
