// The processor's statements on the PostgreSQL server store: the series lock is the session's,
// taken with the document's transaction and held until the till lets it go, or its session ends.
#include <gtest/gtest.h>

#include <memory>

#include "db/vendizio_proxy.h"
#include "pt/store_statements.h"
#include "support/postgres_cluster.h"

namespace dodu::testing {
namespace {

std::unique_ptr<tQV_VendizioProxy> ConnectedProxy(PostgresCluster& cluster, const std::string& database) {
  auto proxy = std::make_unique<tQV_VendizioProxy>();
  proxy->SetEngine(dbe_ODBC);
  proxy->SetOdbcConnectionString(cluster.ConnectionString(database));
  proxy->SetLogHandler([](tQV_MessageType, const std::string&) {});
  EXPECT_TRUE(proxy->Connect()) << proxy->ConnectionError();
  return proxy;
}

int64_t Count(tQV_VendizioProxy& proxy, const std::string& sql) {
  return proxy.CreateDataset(sql)->Fields(0).AsInteger();
}

TEST(PostgresqlStoreStatements, TheSeriesIsHeldUntilLetGoAndNeverBeyondTheSession) {
  DODU_POSTGRES_CLUSTER_OR_SKIP(cluster);
  const std::string database = cluster.CreateStore("series");
  cluster.Execute(database,
                  "insert into Series (Id,Serie_Code,Serie_LastNumber,Serie_LastHash,Serie_Validation_Code) "
                  "values (gen_random_uuid(),'FR1',4,'h4','AAJFJ2K6')");
  auto a = ConnectedProxy(cluster, database);
  auto b = ConnectedProxy(cluster, database);
  auto observer = ConnectedProxy(cluster, database);
  auto till_a = CreateStoreStatements(*a, "");
  auto till_b = CreateStoreStatements(*b, "");
  EXPECT_FALSE(till_a->NumbersBeforeTransaction());

  ASSERT_TRUE(till_a->LockSeries("FR1"));
  till_a->BeginTransaction();
  const SeriesState state = till_a->LoadSeries("FR1");
  EXPECT_EQ(state.lastNumber, 4);
  EXPECT_EQ(state.lastHash, "h4");
  EXPECT_EQ(state.validationCode, "AAJFJ2K6");

  // Another series is not held up. One nobody registered gets a row for the lock, which goes
  // with a refused document's transaction.
  ASSERT_TRUE(till_b->LockSeries("FR2"));
  EXPECT_EQ(till_b->LoadSeries("FR2").validationCode, "");
  till_b->UnlockSeries("FR2");
  EXPECT_EQ(Count(*observer, "select count(*) from Series where Serie_Code='FR2'"), 0);

  // The same series: not granted within the wait, and nothing is left open on that connection.
  EXPECT_FALSE(till_b->LockSeries("FR1"));
  EXPECT_EQ(Count(*b, "select count(*) from Series"), 1);

  // The holder's document commits; the series stays held while the holder puts its files in
  // place, then the next till reads the row as the holder left it.
  till_a->UpdateSeries("FR1", 5, "h5", EncodeDateTime({2024, 2, 9, 10, 0, 0, 250}));
  till_a->CommitTransaction();
  EXPECT_EQ(Count(*observer, "select Serie_LastNumber from Series where Serie_Code='FR1'"), 5);
  EXPECT_FALSE(till_b->LockSeries("FR1"));
  EXPECT_TRUE(till_a->UnlockSeries("FR1"));
  ASSERT_TRUE(till_b->LockSeries("FR1"));
  const SeriesState next = till_b->LoadSeries("FR1");
  EXPECT_EQ(next.lastNumber, 5);
  EXPECT_EQ(next.lastHash, "h5");
  EXPECT_EQ(next.lastDate, EncodeDateTime({2024, 2, 9, 10, 0, 0, 250}));

  // A holder whose connection ends lets the series go at once.
  b->Disconnect();
  ASSERT_TRUE(till_a->LockSeries("FR1"));
  till_a->RollbackTransaction();
  till_a->UnlockSeries("FR1");
  EXPECT_EQ(Count(*observer, "select Serie_LastNumber from Series where Serie_Code='FR1'"), 5);
}

}  // namespace
}  // namespace dodu::testing
