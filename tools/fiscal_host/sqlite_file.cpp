#include "fiscal_host/sqlite_file.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace dodu::host {

SqliteFile::SqliteFile(const std::filesystem::path& file, Mode mode) : fName(file.string()) {
  const int flags = mode == Mode::kCreate ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY;
  if (sqlite3_open_v2(fName.c_str(), &fDb, flags, nullptr) != SQLITE_OK) {
    std::string reason = fDb != nullptr ? sqlite3_errmsg(fDb) : "out of memory";
    sqlite3_close(fDb);
    fDb = nullptr;
    throw std::runtime_error("cannot open the store " + fName + ": " + reason);
  }
  // A till may be numbering at the same moment.
  sqlite3_busy_timeout(fDb, 5000);
}

SqliteFile::~SqliteFile() { sqlite3_close(fDb); }

void SqliteFile::Execute(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(fDb, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string reason = message != nullptr ? message : sqlite3_errmsg(fDb);
    sqlite3_free(message);
    throw std::runtime_error("store " + fName + ": " + reason);
  }
}

std::vector<SqliteFile::Row> SqliteFile::Query(const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(fDb, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
    throw std::runtime_error("store " + fName + ": " + sqlite3_errmsg(fDb));
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> statement(raw, &sqlite3_finalize);
  std::vector<Row> rows;
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    Row row;
    for (int i = 0; i < sqlite3_column_count(statement.get()); ++i) {
      const unsigned char* text = sqlite3_column_text(statement.get(), i);
      row[sqlite3_column_name(statement.get(), i)] = text != nullptr ? reinterpret_cast<const char*>(text) : "";
    }
    rows.push_back(std::move(row));
  }
  if (rc != SQLITE_DONE) throw std::runtime_error("store " + fName + ": " + sqlite3_errmsg(fDb));
  return rows;
}

std::string SqlText(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

}  // namespace dodu::host
