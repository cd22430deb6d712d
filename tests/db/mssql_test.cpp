// Against a real SQL Server, when QV_TEST_MSSQL holds an ODBC connection string for one.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/error.h"
#include "db/vendizio_proxy.h"

namespace dodu::testing {
namespace {

class MssqlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* connection = std::getenv("QV_TEST_MSSQL");
    if (connection == nullptr || *connection == '\0')
      GTEST_SKIP() << "QV_TEST_MSSQL holds no ODBC connection string for a SQL Server; nothing to test against";
    proxy.SetOdbcConnectionString(connection);
    proxy.SetNotifyHandler([this](int32_t, const std::string& text) { notices.push_back(text); });
    ASSERT_TRUE(proxy.Connect()) << proxy.ConnectionError();
  }
  void TearDown() override {
    if (proxy.Connection() != nullptr && proxy.Connection()->IsOpen()) {
      proxy.DropTable("#t");
    }
  }

  tQV_VendizioProxy proxy;
  std::vector<std::string> notices;
};

TEST_F(MssqlTest, SessionBatchesAndTemporaryTables) {
  EXPECT_EQ(proxy.Dialect().Kind(), tQV_SqlDialectKind::SqlServer);
  EXPECT_GT(proxy.SqlPID(), 0);
  EXPECT_FALSE(proxy.LoginDateTime().IsZero());
  EXPECT_TRUE(proxy.CheckConnection());

  proxy.ExecuteSQLCommand("create table #t (a int, n decimal(18,4), s nvarchar(20))");
  EXPECT_TRUE(proxy.TableExists("#t"));
  proxy.ExecuteSQLCommand("insert #t values (1, 1234.5678, N'çãé'), (2, null, 'x')");
  EXPECT_EQ(proxy.LastRowCount(), 2);
  // A batch: declarations and an assignment before the one result set with columns.
  auto dataset = proxy.CreateDataset(
      "declare @n int\r\nselect @n=count(*) from #t\r\nupdate #t set a=a where 1=0\r\n"
      "select @n as N, (select n from #t where a=1) as Amount, (select s from #t where a=1) as S");
  EXPECT_EQ(dataset->FieldByName("n").AsInteger(), 2);
  EXPECT_EQ(dataset->FieldByName("amount").AsAmount(), Amount::Parse("1234.5678"));
  EXPECT_EQ(dataset->FieldByName("s").AsString(), "çãé");

  proxy.ExecuteSQLCommand("BEGIN TRAN");
  proxy.ExecuteSQLCommand("delete #t");
  proxy.ExecuteSQLCommand("ROLLBACK");
  EXPECT_EQ(proxy.CreateDataset("select count(*) as c from #t")->FieldByName("c").AsInteger(), 2);

  auto lock = proxy.CreateDataset(
      "declare @ReturnCode int \r\nEXEC @ReturnCode=Sp_getapplock @Resource = 'QVTEST',@LockMode = 'Exclusive',"
      "@LockOwner = 'Session',@LockTimeout = 5000 select @ReturnCode as ReturnCode");
  EXPECT_GE(lock->FieldByName("ReturnCode").AsInteger(), 0);
  auto unlock = proxy.CreateDataset(
      "declare @ReturnCode int \r\nEXEC @ReturnCode=Sp_releaseapplock @Resource = 'QVTEST',@LockOwner = 'Session'"
      "select @ReturnCode as ReturnCode");
  EXPECT_EQ(unlock->FieldByName("ReturnCode").AsInteger(), 0);

  proxy.DropTable("#t");
  EXPECT_FALSE(proxy.TableExists("#t"));
  EXPECT_THROW(proxy.CreateDataset("select * from qv_no_such_table"), Error);
}

}  // namespace
}  // namespace dodu::testing
