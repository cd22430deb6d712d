#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "fiscal_host/store_database.h"

struct sqlite3;

namespace dodu::host {

// One SQLite database file opened directly, for setting a store up and for reading it back.
class SqliteFile : public StoreDatabase {
 public:

  enum class Mode { kCreate, kReadOnly };
  // Raises with SQLite's reason when the file cannot be opened.
  SqliteFile(const std::filesystem::path& file, Mode mode);
  ~SqliteFile() override;
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;

  // Runs one or more statements; raises with SQLite's message.
  void Execute(const std::string& sql) override;
  std::vector<Row> Query(const std::string& sql) override;
  bool Shared() const override { return false; }

 private:
  sqlite3* fDb = nullptr;
  std::string fName;
};

// 'text' with single quotes doubled.
std::string SqlText(const std::string& text);

}  // namespace dodu::host
