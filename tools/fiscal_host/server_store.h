#pragma once

#include <memory>
#include <string>

#include "fiscal_host/store_database.h"

namespace dodu {
class DbConnection;
}

namespace dodu::host {

// A server store (PostgreSQL through psqlODBC) through the library's ODBC engine.
class ServerStore : public StoreDatabase {
 public:
  // Raises with the driver's reason when the connection cannot be made.
  explicit ServerStore(const std::string& connection_string);
  ~ServerStore() override;

  void Execute(const std::string& sql) override;
  std::vector<Row> Query(const std::string& sql) override;
  bool Shared() const override { return true; }

 private:
  std::unique_ptr<DbConnection> fConnection;
};

// The ODBC connection string of a store given as a postgresql:// (or postgres://) URL
// user:password@host:port/database, or the text itself when it is already a connection string.
std::string ServerConnectionString(const std::string& url_or_connection_string);

}  // namespace dodu::host
