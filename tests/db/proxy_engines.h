#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "db/vendizio_proxy.h"
#include "temp_directory.h"

namespace dodu::testing {

// The embedded engine on a database file.
struct SqliteEngine {
  static void Configure(tQV_VendizioProxy& proxy, const std::string& file) {
    proxy.SetEngine(dbe_SQLite);
    proxy.SetDbName(file);
  }
};

// The ODBC engine, through the SQLite ODBC driver registered as "SQLite3", on the same kind of
// file: the ODBC code path runs for real without a SQL Server.
struct OdbcSqliteEngine {
  static void Configure(tQV_VendizioProxy& proxy, const std::string& file) {
    proxy.SetEngine(dbe_ODBC);
    proxy.SetOdbcConnectionString("Driver=SQLite3;Database=" + file);
  }
};

struct EngineNames {
  template <typename T>
  static std::string GetName(int) {
    return std::is_same_v<T, SqliteEngine> ? "SQLite" : "OdbcSQLite";
  }
};

using Engines = ::testing::Types<SqliteEngine, OdbcSqliteEngine>;

// A connected proxy on a database file in a temporary directory; user notices and log entries
// are collected instead of shown.
template <typename Engine>
class ProxyFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    proxy = MakeProxy();
    ASSERT_TRUE(proxy->Connect()) << proxy->ConnectionError();
  }

  std::unique_ptr<tQV_VendizioProxy> MakeProxy() {
    auto made = std::make_unique<tQV_VendizioProxy>();
    Engine::Configure(*made, DatabaseFile());
    made->SetNotifyHandler([this](int32_t, const std::string& text) { notices.push_back(text); });
    made->SetLogHandler([this](tQV_MessageType type, const std::string& text) {
      (type == let_error ? log_errors : log_infos).push_back(text);
    });
    return made;
  }

  std::string DatabaseFile() const { return directory.File("store.db"); }

  TempDirectory directory;
  std::vector<std::string> notices;
  std::vector<std::string> log_errors;
  std::vector<std::string> log_infos;
  std::unique_ptr<tQV_VendizioProxy> proxy;
};

}  // namespace dodu::testing
