#pragma once

#include <memory>
#include <string>

#include "base/date_time.h"
#include "base/error.h"
#include "db/db_result.h"
#include "db/sql_dialect.h"
#include "db/sql_value.h"

namespace dodu {

// The engines a proxy can connect through.
enum tQV_DbEngine {
  dbe_ODBC,   // SQL Server through FreeTDS, or any ODBC driver (the default)
  dbe_SQLite  // the embedded store: the database is a file
};

// "SQLite" gives dbe_SQLite; "", "SQLServer", "MSSQL" and "ODBC" give dbe_ODBC (any case).
// Raises "Unknown database engine [<text>]" for anything else.
tQV_DbEngine DbEngineFromText(const std::string& aText);
std::string DbEngineToText(tQV_DbEngine aEngine);

// An engine's error with the server's five-character state (ODBC SQLSTATE; "" when the engine has
// none), so a caller can tell a lock wait that ran out from a statement that failed.
class DbError : public Error {
 public:
  DbError(const std::string& aMessage, std::string aSqlState) : Error(aMessage), fSqlState(std::move(aSqlState)) {}
  const std::string& SqlState() const { return fSqlState; }

 private:
  std::string fSqlState;
};

// One connection to a database. Open and Run raise an error that carries the engine's message.
class DbConnection {
 public:
  virtual ~DbConnection() = default;
  DbConnection(const DbConnection&) = delete;
  DbConnection& operator=(const DbConnection&) = delete;

  void Open();
  void Close();
  virtual bool IsOpen() const = 0;
  virtual tQV_DbEngine Engine() const = 0;

  // Runs the statement text (one statement, or a batch) and returns the first result set that
  // has columns. aTimeoutSeconds 0 leaves the engine's default.
  tQV_ResultSet Run(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds);

  // Rows the last insert, update or delete of the last Run changed, as the engine counts them.
  virtual int64_t RowsAffected() const = 0;

  // Valid while open.
  const SqlDialect& Dialect() const;
  DateTime SessionStart() const { return fSessionStart; }

 protected:
  DbConnection() = default;
  virtual void DoOpen() = 0;
  virtual void DoClose() = 0;
  virtual tQV_ResultSet DoRun(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds) = 0;
  virtual const SqlDialect& DetectDialect() = 0;

 private:
  const SqlDialect* fDialect = nullptr;
  DateTime fSessionStart;
};

// An engine's connection, not yet open. For SQLite the target is the database file; for ODBC it
// is a full ODBC connection string.
std::unique_ptr<DbConnection> CreateDbConnection(tQV_DbEngine aEngine, const std::string& aTarget);

}  // namespace dodu
