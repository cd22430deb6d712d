#pragma once

#include <string>

#include "db/db_connection.h"

struct sqlite3;

namespace dodu {

// The embedded engine: one SQLite database file, created (with its directory) when missing.
// A text may hold several statements separated by ";": they run in order, and the result is
// that of the first statement that returns columns, as in a SQL Server batch.
class SqliteConnection : public DbConnection {
 public:
  explicit SqliteConnection(std::string aFileName);
  ~SqliteConnection() override;

  bool IsOpen() const override { return fDb != nullptr; }
  tQV_DbEngine Engine() const override { return dbe_SQLite; }
  const std::string& FileName() const { return fFileName; }

  // When no timeout is given, as long as a statement may wait for a lock held elsewhere.
  static constexpr int kDefaultTimeoutSeconds = 30;

 protected:
  void DoOpen() override;
  void DoClose() override;
  tQV_ResultSet DoRun(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds) override;
  const SqlDialect& DetectDialect() override { return SqliteDialect(); }

 private:
  std::string fFileName;
  sqlite3* fDb = nullptr;
};

}  // namespace dodu
