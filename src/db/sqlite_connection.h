#pragma once

#include <chrono>
#include <string>

#include "db/db_connection.h"
#include "db/sql_parameters.h"
#include "db/sqlite_statement_cache.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dodu {

// The embedded engine: one SQLite database file, created (with its directory) when missing, in
// write-ahead-log mode with full syncs. A text may hold several statements separated by ";":
// they run in order, and the result is that of the first statement that returns columns, as in
// a SQL Server batch. A text of one statement is prepared once and reused while it recurs.
class SqliteConnection : public DbConnection {
 public:
  explicit SqliteConnection(std::string aFileName);
  ~SqliteConnection() override;

  bool IsOpen() const override { return fDb != nullptr; }
  tQV_DbEngine Engine() const override { return dbe_SQLite; }
  const std::string& FileName() const { return fFileName; }
  int64_t RowsAffected() const override;

  // When no timeout is given, as long as a statement may wait for a lock held elsewhere.
  static constexpr int kDefaultTimeoutSeconds = 30;

 protected:
  void DoOpen() override;
  void DoClose() override;
  tQV_ResultSet DoRun(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds) override;
  const SqlDialect& DetectDialect() override { return SqliteDialect(); }

 private:
  void Execute(sqlite3_stmt* aStatement, const tQV_BoundStatement& aBound, size_t& aNextValue,
               tQV_ResultSet& aResult, std::chrono::steady_clock::time_point aDeadline);

  std::string fFileName;
  sqlite3* fDb = nullptr;
  SqliteStatementCache fStatements;
};

}  // namespace dodu
