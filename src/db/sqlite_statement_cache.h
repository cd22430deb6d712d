#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace dodu {

// Prepared statements of one SQLite connection kept by their text, so a statement that recurs
// with other parameter values (every document's insert, for instance) is compiled once. The
// least recently used one goes when the cache is full: texts with their values written in would
// otherwise pile up. Only single-statement texts are kept.
class SqliteStatementCache {
 public:
  static constexpr size_t kCapacity = 32;

  SqliteStatementCache() = default;
  ~SqliteStatementCache();
  SqliteStatementCache(const SqliteStatementCache&) = delete;
  SqliteStatementCache& operator=(const SqliteStatementCache&) = delete;

  // The cached statement of the text, reset and without bindings; null when there is none.
  sqlite3_stmt* Find(const std::string& aSQL);
  // Takes the statement over (it must have been prepared from exactly aSQL).
  void Keep(const std::string& aSQL, sqlite3_stmt* aStatement);
  // Finalises every statement: before the connection closes.
  void Clear();
  size_t Size() const { return fEntries.size(); }

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* statement) const;
  };
  struct Entry {
    std::string sql;
    std::unique_ptr<sqlite3_stmt, Finalizer> statement;
  };
  std::list<Entry> fEntries;  // most recently used first
  std::unordered_map<std::string, std::list<Entry>::iterator> fBySql;
};

}  // namespace dodu
