#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fiscal_host/work_directory.h"

namespace dodu::host {

// Column names compare without letter case: a server may give them in its own case
// (PostgreSQL folds unquoted names to lower case).
struct ColumnNameLess {
  bool operator()(const std::string& a, const std::string& b) const;
};

// The store a working directory's settings name, opened for setting it up or reading it back:
// the embedded SQLite file, or a server store through the library's ODBC engine.
class StoreDatabase {
 public:
  using Row = std::map<std::string, std::string, ColumnNameLess>;  // column to text, "" for null

  virtual ~StoreDatabase() = default;
  // Runs statements; raises with the engine's message.
  virtual void Execute(const std::string& sql) = 0;
  virtual std::vector<Row> Query(const std::string& sql) = 0;
  // Whether other machines' tills may share the store (a server), rather than this directory's only.
  virtual bool Shared() const = 0;
};

// The store of a directory made by `init`; raises when it has none or it cannot be opened.
std::unique_ptr<StoreDatabase> OpenStore(const WorkDirectory& directory);

// A date-time as a store gives it ("yyyy-mm-dd hh:nn:ss[.fff]" from a server) in the form the
// library writes and signs ("yyyy-mm-ddThh:nn:ss[.fff]").
std::string XmlDateTimeText(std::string text);

}  // namespace dodu::host
