// What only the ODBC engine does: the driver's messages, the dialect it picks by the server's
// name, and a batch that returns several results.
#include <gtest/gtest.h>

#include "base/error.h"
#include "db/odbc_connection.h"
#include "proxy_engines.h"

namespace dodu::testing {
namespace {

class OdbcEngineTest : public ProxyFixture<OdbcSqliteEngine> {};

TEST_F(OdbcEngineTest, TheServerNameSelectsTheDialect) {
  auto* connection = dynamic_cast<OdbcConnection*>(proxy->Connection());
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(connection->DbmsName(), "SQLite");
  EXPECT_EQ(proxy->Dialect().Kind(), tQV_SqlDialectKind::SQLite);
}

TEST_F(OdbcEngineTest, FailedConnectCarriesTheDriverManagersMessage) {
  auto bad = MakeProxy();
  bad->SetOdbcConnectionString("Driver=NoSuchDriver;Database=x");
  EXPECT_FALSE(bad->Connect());
  EXPECT_NE(bad->ConnectionError().find("NoSuchDriver"), std::string::npos) << bad->ConnectionError();
  ASSERT_EQ(log_errors.size(), 1u);
  EXPECT_EQ(log_errors[0], "Connect:" + bad->ConnectionError());
  EXPECT_EQ(bad->Connection()->IsOpen(), false);
  EXPECT_THROW(bad->CreateDataset("select 1"), Error);
}

TEST_F(OdbcEngineTest, WithoutAConnectionStringTheFourSettingsNameTheServer) {
  // Nothing listens here: the FreeTDS driver must fail to reach it, and say so.
  auto remote = std::make_unique<tQV_VendizioProxy>();
  remote->SetLogHandler([this](tQV_MessageType, const std::string& text) { log_errors.push_back(text); });
  remote->SetDataSource("127.0.0.1,1");
  remote->SetDbName("POS");
  remote->SetApplicationName("DODO-DE Vuzuvedav");
  EXPECT_FALSE(remote->Connect());
  EXPECT_FALSE(remote->ConnectionError().empty());
  ASSERT_EQ(log_errors.size(), 1u);
  EXPECT_EQ(log_errors[0].rfind("Connect:", 0), 0u);
}

TEST_F(OdbcEngineTest, DatesAndNumbersComeBackAsTheDriverWritesThem) {
  proxy->ExecuteSQLCommand("create table v (d timestamp, n numeric(9,2))");
  const DateTime when = EncodeDateTime({2023, 12, 31, 23, 59, 58, 125});
  proxy->ExecuteSQLCommand("insert into v values (:d, :n)",
                           {tQV_SQLParam::Create("d", when), tQV_SQLParam::Create("n", Amount::Parse("12.5"))});
  auto dataset = proxy->CreateDataset("select d, n from v");
  EXPECT_EQ(dataset->FieldByName("d").AsDateTime(), when);
  EXPECT_EQ(dataset->FieldByName("n").AsAmount(), Amount::Parse("12.5"));
}

}  // namespace
}  // namespace dodu::testing
