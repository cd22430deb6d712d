#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/date_time.h"

namespace dodu {

class DbConnection;

enum class tQV_SqlDialectKind { SqlServer, SQLite, PostgreSQL };

// The server session a connection has: its id and the time it began.
struct tQV_SessionInfo {
  bool known = false;
  int32_t spid = 0;
  DateTime loginTime;
};

// One field of a coded table's layout: where its text sits in a TABEL00F column and how it
// reads (type "C" text, "N" number, "D" date yyyymmdd).
struct tQV_TabelField {
  std::string type;
  std::string name;    // the decoded column
  std::string source;  // the TABEL00F column that holds it
  int position = 1;    // 1-based
  int length = 0;
  int decimals = 0;
};

// What differs between the servers behind a connection: the statements that are SQL Server's
// own (session ids, system catalogues, transaction words) and their equivalents elsewhere.
// Both engines use it; the ODBC engine picks it by the name the driver gives its server.
class SqlDialect {
 public:
  virtual ~SqlDialect() = default;
  virtual tQV_SqlDialectKind Kind() const = 0;

  // The statement as the server understands it (T-SQL transaction words, for instance).
  virtual std::string TranslateStatement(const std::string& aSQL) const { return aSQL; }
  // Called when a connection has opened and when it closes: gives the session's start time.
  virtual DateTime BeginSession() const = 0;
  virtual void EndSession(DateTime aStart) const = 0;
  // The session of the connection (id and login time); raises on a statement error.
  virtual tQV_SessionInfo ReadSession(DbConnection& aConnection) const = 0;
  // Whether the session that took a lock is still there; raises on a statement error.
  virtual bool IsSessionAlive(DbConnection& aConnection, int32_t aSpid, DateTime aLoginTime) const = 0;
  // The text that stands for the connection's own session id inside a statement.
  virtual std::string SessionIdExpression(DbConnection& aConnection) const = 0;

  virtual std::string ProbeStatement() const = 0;
  // A statement with one row and the column Value: 1 when the table exists, else 0.
  virtual std::string TableExistsStatement(const std::string& aTableName) const = 0;
  virtual std::string DropTableStatement(const std::string& aTableName) const = 0;
  // A statement with the column RecordsAffected; it must run right after the counted one. Empty
  // where the engine's own count (ODBC SQLRowCount) is the answer.
  virtual std::string LastRowCountStatement() const = 0;
  // "insert " / "DELETE " where the server allows leaving out INTO / FROM.
  virtual std::string InsertVerb() const = 0;
  virtual std::string DeleteVerb() const = 0;
  // The soft-delete test that ends every record look-up condition, with its trailing blank.
  virtual std::string NotDeletedCondition() const = 0;

  // The store application's configuration value of a variable, as an expression; both
  // arguments are SQL literals.
  virtual std::string ConfigValueExpression(const std::string& aUserLiteral,
                                            const std::string& aNameLiteral) const = 0;
  virtual std::string ConcatOperator() const = 0;
  // How a statement names a temporary table ("#" + name).
  virtual std::string TemporaryTable(const std::string& aName) const = 0;
  // The statement that decodes the rows of one coded table into the temporary table aTarget.
  virtual std::string DecodeTabelStatement(const std::vector<tQV_TabelField>& aLayout, const std::string& aTbTab,
                                           const std::string& aTarget) const = 0;
  // A statement with the column name: the columns of a table in their order.
  virtual std::string TableColumnsStatement(const std::string& aTableName) const = 0;
  // A statement with the column Number: the store's internal counter, incremented (1 at first).
  virtual std::string NextInternalNumberStatement() const = 0;
};

const SqlDialect& SqlServerDialect();
const SqlDialect& SqliteDialect();
const SqlDialect& PostgresqlDialect();

}  // namespace dodu
