#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct sqlite3;

namespace dodu::host {

// One SQLite database file opened directly, for setting a store up and for reading it back.
class SqliteFile {
 public:
  using Row = std::map<std::string, std::string>;  // column name to text, "" for null

  enum class Mode { kCreate, kReadOnly };
  // Raises with SQLite's reason when the file cannot be opened.
  SqliteFile(const std::filesystem::path& file, Mode mode);
  ~SqliteFile();
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;

  // Runs one or more statements; raises with SQLite's message.
  void Execute(const std::string& sql);
  std::vector<Row> Query(const std::string& sql);

 private:
  sqlite3* fDb = nullptr;
  std::string fName;
};

// 'text' with single quotes doubled.
std::string SqlText(const std::string& text);

}  // namespace dodu::host
