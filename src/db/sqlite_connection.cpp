#include "db/sqlite_connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

#include "base/conversions.h"
#include "base/error.h"
#include "db/sql_parameters.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace dodu {

namespace {

using Clock = std::chrono::steady_clock;

struct StatementDeleter {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// Stops a statement that runs past its command timeout.
int TimeoutHandler(void* deadline) {
  return Clock::now() > *static_cast<Clock::time_point*>(deadline) ? 1 : 0;
}

// Waits for the store's lock, held by another connection, until the command's deadline. A
// document holds the write lock for about a millisecond; SQLite's own waits grow to 5, 10, 25 ms
// and leave the store idle for most of them, so a till in another series waits here in steps of
// a tenth of a millisecond at first and of at most two milliseconds later.
int WaitForLock(void* deadline, int attempts) {
  const Clock::time_point until = *static_cast<Clock::time_point*>(deadline);
  const Clock::time_point now = Clock::now();
  if (now >= until) return 0;
  const std::chrono::microseconds step(attempts < 20 ? 100 : attempts < 60 ? 500 : 2000);
  std::this_thread::sleep_for(std::min<Clock::duration>(step, until - now));
  return 1;
}

void Bind(sqlite3* db, sqlite3_stmt* statement, int index, const tQV_Variant& value) {
  int rc;
  if (value.IsNull()) {
    rc = sqlite3_bind_null(statement, index);
  } else if (value.IsInteger()) {
    rc = sqlite3_bind_int64(statement, index, value.AsInteger());
  } else if (value.IsBoolean()) {
    rc = sqlite3_bind_int(statement, index, value.AsBoolean() ? 1 : 0);
  } else {
    // Amounts go as decimal text (a numeric column converts it exactly), date-times in the
    // same form the statement texts use.
    std::string text = value.IsAmount()     ? value.AsAmount().ToText()
                       : value.IsDateTime() ? DateTimeToXmlText(true, value.AsDateTime())
                                            : value.AsText();
    rc = sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  }
  if (rc != SQLITE_OK) throw Error(sqlite3_errmsg(db));
}

tQV_Cell ReadCell(sqlite3_stmt* statement, int column) {
  tQV_Cell cell;
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return cell;
    case SQLITE_INTEGER:
      cell.kind = tQV_CellKind::Integer;
      break;
    case SQLITE_FLOAT:
      cell.kind = tQV_CellKind::Number;
      break;
    case SQLITE_BLOB: {
      cell.kind = tQV_CellKind::Binary;
      const void* data = sqlite3_column_blob(statement, column);
      int size = sqlite3_column_bytes(statement, column);
      if (data != nullptr) cell.text.assign(static_cast<const char*>(data), static_cast<size_t>(size));
      return cell;
    }
    default:
      cell.kind = tQV_CellKind::Text;
      break;
  }
  const unsigned char* text = sqlite3_column_text(statement, column);
  int size = sqlite3_column_bytes(statement, column);
  if (text != nullptr) cell.text.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
  return cell;
}

// Whether only blanks and statement separators are left of a text.
bool OnlyBlanksFollow(const char* aRest, const char* aEnd) {
  for (const char* c = aRest; c < aEnd; ++c)
    if (*c != ';' && *c != ' ' && *c != '\t' && *c != '\r' && *c != '\n') return false;
  return true;
}

// Write-ahead logging with full syncs is as durable as a rollback journal, and a commit costs
// one sync of the log instead of several of the journal and the database. The mode is kept in
// the file, so a store made in rollback mode changes over at its first open here.
void SetDurableWriteAheadLog(sqlite3* db, const std::string& aFileName) {
  sqlite3_busy_timeout(db, SqliteConnection::kDefaultTimeoutSeconds * 1000);
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db, "pragma journal_mode=wal", -1, &raw, nullptr) != SQLITE_OK)
    throw Error(std::string(sqlite3_errmsg(db)) + " [" + aFileName + "]");
  Statement statement(raw);
  // While another connection recovers or resets the log, SQLite answers busy at once, without
  // its busy handler: that is a wait, not a failure.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(SqliteConnection::kDefaultTimeoutSeconds);
  int rc = sqlite3_step(raw);
  while ((rc & 0xFF) == SQLITE_BUSY && std::chrono::steady_clock::now() < deadline) {
    sqlite3_reset(raw);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    rc = sqlite3_step(raw);
  }
  if (rc != SQLITE_ROW) throw Error(std::string(sqlite3_errmsg(db)) + " [" + aFileName + "]");
  const unsigned char* mode = sqlite3_column_text(raw, 0);
  const std::string journal = mode != nullptr ? reinterpret_cast<const char*>(mode) : "";
  statement.reset();
  if (journal != "wal")
    throw Error("The store " + aFileName + " cannot use write-ahead logging (journal mode " + journal + ")");
  if (sqlite3_exec(db, "pragma synchronous=FULL", nullptr, nullptr, nullptr) != SQLITE_OK)
    throw Error(std::string(sqlite3_errmsg(db)) + " [" + aFileName + "]");
}

}  // namespace

SqliteConnection::SqliteConnection(std::string aFileName) : fFileName(std::move(aFileName)) {}

SqliteConnection::~SqliteConnection() { Close(); }

void SqliteConnection::DoOpen() {
  if (fFileName.empty()) throw Error("No database file given for the SQLite engine");
  std::string directory = DirectoryOf(fFileName);
  if (!directory.empty() && !DirectoryExists(directory) && !ForceDirectories(directory))
    throw Error("Unable to create the directory " + directory);
  // SQLite gives its -wal and -shm files the mode of the store's file: a store made here is
  // private (0600) whatever the umask, and so are they.
  if (!FileExists(fFileName) && !DirectoryExists(fFileName)) {
    try {
      CreatePrivateFile(fFileName);
    } catch (const std::exception&) {
      // Made by another process meanwhile, or not to be made here: the open below uses the one
      // there or says why there is none.
    }
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(fFileName.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    sqlite3_close(db);
    throw Error(message + " [" + fFileName + "]");
  }
  sqlite3_extended_result_codes(db, 1);
  try {
    SetDurableWriteAheadLog(db, fFileName);
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  fDb = db;
}

void SqliteConnection::DoClose() {
  if (fDb == nullptr) return;
  fStatements.Clear();  // a statement left unfinalised would keep the file open
  sqlite3_close_v2(fDb);
  fDb = nullptr;
}

// Steps one prepared statement to its end; the first statement of a text that has columns gives
// the result rows.
void SqliteConnection::Execute(sqlite3_stmt* aStatement, const tQV_BoundStatement& aBound, size_t& aNextValue,
                               tQV_ResultSet& aResult, std::chrono::steady_clock::time_point aDeadline) {
  // A statement kept for later must not hold its read snapshot in between.
  struct ResetOnExit {
    sqlite3_stmt* statement;
    ~ResetOnExit() { sqlite3_reset(statement); }
  } reset{aStatement};
  const int markers = sqlite3_bind_parameter_count(aStatement);
  for (int i = 1; i <= markers; ++i) {
    if (aNextValue >= aBound.values.size()) throw Error("No value given for a parameter of the statement");
    Bind(fDb, aStatement, i, aBound.values[aNextValue++]->value);
  }
  const int columns = sqlite3_column_count(aStatement);
  const bool collect = columns > 0 && !aResult.hasColumns;
  if (collect) {
    aResult.hasColumns = true;
    for (int c = 0; c < columns; ++c) {
      const char* name = sqlite3_column_name(aStatement, c);
      aResult.columns.emplace_back(name != nullptr ? name : "");
    }
  }
  for (;;) {
    int rc = sqlite3_step(aStatement);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      if ((rc & 0xff) == SQLITE_INTERRUPT && Clock::now() > aDeadline)
        throw Error("Query timeout expired (" + std::string(sqlite3_errmsg(fDb)) + ")");
      throw Error(sqlite3_errmsg(fDb));
    }
    if (!collect) continue;
    std::vector<tQV_Cell> row;
    row.reserve(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) row.push_back(ReadCell(aStatement, c));
    aResult.rows.push_back(std::move(row));
  }
}

tQV_ResultSet SqliteConnection::DoRun(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds) {
  const int timeout = aTimeoutSeconds > 0 ? aTimeoutSeconds : kDefaultTimeoutSeconds;
  tQV_BoundStatement bound = BindParameters(aSQL, aParams);
  Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeout);
  sqlite3_busy_handler(fDb, WaitForLock, &deadline);
  sqlite3_progress_handler(fDb, 1000, TimeoutHandler, &deadline);
  // Neither handler may outlive the deadline; between commands the plain timeout waits.
  struct HandlerReset {
    sqlite3* db;
    int timeout_ms;
    ~HandlerReset() {
      sqlite3_progress_handler(db, 0, nullptr, nullptr);
      sqlite3_busy_timeout(db, timeout_ms);
    }
  } reset{fDb, timeout * 1000};

  tQV_ResultSet result;
  size_t next_value = 0;
  if (sqlite3_stmt* cached = fStatements.Find(bound.sql)) {
    Execute(cached, bound, next_value, result, deadline);
    return result;
  }
  const char* begin = bound.sql.c_str();
  const char* tail = begin;
  const char* end = tail + bound.sql.size();
  while (tail < end) {
    sqlite3_stmt* raw = nullptr;
    const char* rest = nullptr;
    if (sqlite3_prepare_v2(fDb, tail, static_cast<int>(end - tail), &raw, &rest) != SQLITE_OK)
      throw Error(sqlite3_errmsg(fDb));
    const bool whole_text = tail == begin && OnlyBlanksFollow(rest, end);
    tail = rest;
    if (raw == nullptr) continue;  // blanks or a comment
    Statement statement(raw);
    Execute(raw, bound, next_value, result, deadline);
    if (whole_text) fStatements.Keep(bound.sql, statement.release());
  }
  return result;
}

int64_t SqliteConnection::RowsAffected() const { return fDb == nullptr ? 0 : sqlite3_changes(fDb); }

}  // namespace dodu
