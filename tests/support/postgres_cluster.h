#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

namespace dodu::testing {

// A private PostgreSQL server for the tests of one program: a cluster made with initdb in a
// temporary directory, listening on 127.0.0.1 on a free port (its socket in that directory). It
// starts at the first test that asks for it and stops, its directory removed, when the program's
// tests end (a GoogleTest environment). As root the server runs as the user postgres.
class PostgresCluster {
 public:
  // The program's cluster, started now if it is not running; nullptr when it cannot run here,
  // with the reason in *aWhyNot.
  static PostgresCluster* Shared(std::string* aWhyNot);

  uint16_t Port() const { return fPort; }
  const std::filesystem::path& Directory() const { return fDirectory; }
  // The psqlODBC connection string of a database of the cluster.
  std::string ConnectionString(const std::string& aDatabase) const;
  // A new, empty database named prefix + a number; its name.
  std::string CreateDatabase(const std::string& aPrefix);
  // Runs a statement in a database (raises std::runtime_error with the server's message).
  void Execute(const std::string& aDatabase, const std::string& aSql);
  // A new database with the store tables of schema/postgresql.sql; its name.
  std::string CreateStore(const std::string& aPrefix);

  // Stops the server and removes its directory (the environment does it at the end).
  void Stop();

 private:
  PostgresCluster() = default;
  void Start();

  std::filesystem::path fDirectory;  // data/, the socket and the server's log
  std::filesystem::path fBinaries;
  bool fAsPostgresUser = false;
  bool fRunning = false;
  uint16_t fPort = 0;
  int fDatabases = 0;
};

}  // namespace dodu::testing

// Skips the current test, with the reason, where no PostgreSQL server can run; else gives the
// cluster as `cluster` (a PostgresCluster&).
#define DODU_POSTGRES_CLUSTER_OR_SKIP(cluster)                                   \
  std::string dodu_postgres_why_not;                                           \
  ::dodu::testing::PostgresCluster* dodu_postgres_cluster =                    \
      ::dodu::testing::PostgresCluster::Shared(&dodu_postgres_why_not);        \
  if (dodu_postgres_cluster == nullptr) GTEST_SKIP() << dodu_postgres_why_not; \
  ::dodu::testing::PostgresCluster& cluster = *dodu_postgres_cluster
