#include "db/sqlite_statement_cache.h"

#include <sqlite3.h>

namespace dodu {

void SqliteStatementCache::Finalizer::operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }

SqliteStatementCache::~SqliteStatementCache() { Clear(); }

sqlite3_stmt* SqliteStatementCache::Find(const std::string& aSQL) {
  auto found = fBySql.find(aSQL);
  if (found == fBySql.end()) return nullptr;
  fEntries.splice(fEntries.begin(), fEntries, found->second);
  sqlite3_stmt* statement = found->second->statement.get();
  // A statement given back after an error or a partial read still holds its cursor.
  sqlite3_reset(statement);
  sqlite3_clear_bindings(statement);
  return statement;
}

void SqliteStatementCache::Keep(const std::string& aSQL, sqlite3_stmt* aStatement) {
  std::unique_ptr<sqlite3_stmt, Finalizer> owned(aStatement);
  if (fBySql.count(aSQL) != 0) return;
  if (fEntries.size() >= kCapacity) {
    fBySql.erase(fEntries.back().sql);
    fEntries.pop_back();
  }
  fEntries.push_front(Entry{aSQL, std::move(owned)});
  fBySql.emplace(aSQL, fEntries.begin());
}

void SqliteStatementCache::Clear() {
  fBySql.clear();
  fEntries.clear();
}

}  // namespace dodu
