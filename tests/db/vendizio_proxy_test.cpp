// The proxy over both engines: the embedded SQLite engine and the ODBC engine (through the
// SQLite ODBC driver). Everything here must behave the same whichever engine runs it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "base/conversions.h"
#include "base/error.h"
#include "proxy_engines.h"

namespace dodu::testing {
namespace {

template <typename Engine>
class VendizioProxyTest : public ProxyFixture<Engine> {
 protected:
  void CreateLockTable() {
    this->proxy->ExecuteSQLCommand(
        "create table aplck00f (TYPE varchar(3) not null, NAME varchar(50) not null, IDENTIFIER integer not null, "
        "TIMELCK datetime, SPID integer, SPTM datetime, VDZUSER varchar(50), PCNAME varchar(50), "
        "PGMNAME varchar(50), PGMPARAM varchar(250), annullato char(1), primary key (TYPE, NAME, IDENTIFIER))");
  }
  int64_t Count(const std::string& table) {
    return this->proxy->CreateDataset("select count(*) as n from " + table)->FieldByName("n").AsInteger();
  }
};

TYPED_TEST_SUITE(VendizioProxyTest, Engines, EngineNames);

TYPED_TEST(VendizioProxyTest, DatasetReadsFieldsByNameInAnyCaseWithNullsAndEnd) {
  auto& proxy = *this->proxy;
  proxy.ExecuteSQLCommand("create table items (Code varchar(10), Price varchar(20), Qty integer, Note varchar(20))");
  proxy.ExecuteSQLCommand("insert into items values ('A1', '12345678901.2345', 3, null)");
  proxy.ExecuteSQLCommand("insert into items values ('B2', '-0.1', null, 'x')");

  auto dataset = proxy.CreateDataset("select Code, Price, Qty, Note from items order by Code");
  ASSERT_TRUE(dataset->Active());
  EXPECT_EQ(dataset->RecordCount(), 2);
  ASSERT_FALSE(dataset->Eof());
  EXPECT_EQ(dataset->FieldByName("code").AsString(), "A1");
  EXPECT_EQ(dataset->FieldByName("PRICE").AsAmount(), Amount::Parse("12345678901.2345"));
  EXPECT_EQ(dataset->FieldByName("qTy").AsInteger(), 3);
  EXPECT_TRUE(dataset->FieldByName("Note").IsNull());
  EXPECT_EQ(dataset->FieldByName("Note").AsString(), "");
  dataset->Next();
  ASSERT_FALSE(dataset->Eof());
  EXPECT_EQ(dataset->FieldByName("Code").AsString(), "B2");
  EXPECT_EQ(dataset->FieldByName("Price").AsAmount(), Amount::Parse("-0.1"));
  EXPECT_TRUE(dataset->FieldByName("Qty").IsNull());
  EXPECT_EQ(dataset->FieldByName("Qty").AsInteger(), 0);
  dataset->Next();
  EXPECT_TRUE(dataset->Eof());
  EXPECT_THROW(dataset->FieldByName("missing"), Error);
}

TYPED_TEST(VendizioProxyTest, DatasetOfAStatementWithoutRowsIsOpenAndAtItsEnd) {
  auto& proxy = *this->proxy;
  proxy.ExecuteSQLCommand("create table empty_t (a integer)");
  auto dataset = proxy.CreateDataset("select a from empty_t");
  EXPECT_TRUE(dataset->Active());
  EXPECT_TRUE(dataset->Eof());
  EXPECT_EQ(dataset->RecordCount(), 0);
  EXPECT_TRUE(dataset->FieldByName("A").IsNull());
  tQV_VendizioProxy::DestroyDataset(dataset);
  EXPECT_EQ(dataset, nullptr);
}

TYPED_TEST(VendizioProxyTest, CommandsAndTheirRowCount) {
  auto& proxy = *this->proxy;
  EXPECT_TRUE(proxy.ExecuteSQLCommand("create table t (a integer, b varchar(5))"));
  for (int i = 1; i <= 3; ++i) proxy.ExecuteSQLCommand("insert into t values (" + std::to_string(i) + ", 'x')");
  proxy.ExecuteSQLCommand("update t set b='y' where a>=2");
  EXPECT_EQ(proxy.LastRowCount(), 2);
  proxy.ExecuteSQLCommand("delete from t where a=99");
  EXPECT_EQ(proxy.LastRowCount(), 0);
  EXPECT_EQ(this->Count("t where b='y'"), 2);
}

TYPED_TEST(VendizioProxyTest, ParametersOfEveryTypeTravelByName) {
  auto& proxy = *this->proxy;
  proxy.ExecuteSQLCommand(
      "create table p (s varchar(40), i integer, a varchar(30), d varchar(30), n varchar(5), b integer)");
  const DateTime when = EncodeDateTime({2024, 3, 5, 14, 30, 15, 250});
  proxy.ExecuteSQLCommand("insert into p (s, i, a, d, n, b) values (:S, :i, :amount, :when, :nothing, :flag)",
                          {tQV_SQLParam::Create("s", "O'Brien: 'x' -- not a comment"),
                           tQV_SQLParam::Create("I", int64_t{9000000000}),
                           tQV_SQLParam::Create("amount", Amount::Parse("1234.5678")),
                           tQV_SQLParam::Create("when", when),
                           tQV_SQLParam::Create("nothing", tQV_Variant(), ft_String),
                           tQV_SQLParam::Create("flag", true)});
  // The ':i' inside the quoted text is no parameter; the same name twice takes one value.
  auto dataset = proxy.CreateDataset("select s, i, a, d, n, b, ':i' as lit from p where i=:key and i>=:key",
                                     {tQV_SQLParam::Create("key", int64_t{9000000000})});
  ASSERT_EQ(dataset->RecordCount(), 1);
  EXPECT_EQ(dataset->FieldByName("s").AsString(), "O'Brien: 'x' -- not a comment");
  EXPECT_EQ(dataset->FieldByName("i").AsInteger(), 9000000000);
  EXPECT_EQ(dataset->FieldByName("a").AsAmount(), Amount::Parse("1234.5678"));
  EXPECT_EQ(DateTimeToXmlText(true, dataset->FieldByName("d").AsDateTime()), "2024-03-05T14:30:15.250");
  EXPECT_TRUE(dataset->FieldByName("n").IsNull());
  EXPECT_TRUE(dataset->FieldByName("b").AsBoolean());
  EXPECT_EQ(dataset->FieldByName("lit").AsString(), ":i");
}

TYPED_TEST(VendizioProxyTest, ParameterMismatchesAreClearErrors) {
  auto& proxy = *this->proxy;
  proxy.ExecuteSQLCommand("create table q (a integer)");
  try {
    proxy.CreateDataset("select a from q where a=:a and a=:b", {tQV_SQLParam::Create("a", 1)});
    FAIL() << "a missing parameter value was accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "No value given for parameter :b");
  }
  try {
    proxy.ExecuteSQLCommand("delete from q where a=:a",
                            {tQV_SQLParam::Create("a", 1), tQV_SQLParam::Create("extra", 2)});
    FAIL() << "an unused parameter was accepted";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "Parameter extra not found");
  }
}

TYPED_TEST(VendizioProxyTest, ErrorsCarryTheEnginesMessage) {
  auto& proxy = *this->proxy;
  try {
    proxy.CreateDataset("select * from no_such_table");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("no such table: no_such_table"), std::string::npos) << e.what();
  }
  proxy.ExecuteSQLCommand("create table u (k integer primary key)");
  proxy.ExecuteSQLCommand("insert into u values (1)");
  try {
    proxy.ExecuteSQLCommand("insert into u values (1)");
    FAIL() << "a duplicate key was accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("UNIQUE constraint failed"), std::string::npos) << e.what();
  }
}

TYPED_TEST(VendizioProxyTest, TableExistsAndDropTable) {
  auto& proxy = *this->proxy;
  EXPECT_FALSE(proxy.TableExists("anmag00f"));
  proxy.ExecuteSQLCommand("create table anmag00f (agmag varchar(5))");
  EXPECT_TRUE(proxy.TableExists("anmag00f"));
  EXPECT_TRUE(proxy.TableExists("ANMAG00F"));
  proxy.DropTable("AnMag00f");
  EXPECT_FALSE(proxy.TableExists("anmag00f"));
  EXPECT_NO_THROW(proxy.DropTable("anmag00f"));  // a missing table is no error

  // Names beginning with "#" are the connection's temporary tables.
  proxy.ExecuteSQLCommand("create temp table [#work] (a integer)");
  EXPECT_TRUE(proxy.TableExists("#work"));
  proxy.DropTable("#work");
  EXPECT_FALSE(proxy.TableExists("#work"));
}

TYPED_TEST(VendizioProxyTest, TransactionWordsSpanStatementsOnTheConnection) {
  auto& proxy = *this->proxy;
  proxy.ExecuteSQLCommand("create table r (a integer)");
  proxy.ExecuteSQLCommand("BEGIN TRAN");
  proxy.ExecuteSQLCommand("insert into r values (1)");
  proxy.ExecuteSQLCommand("insert into r values (2)");
  EXPECT_EQ(this->Count("r"), 2);  // seen inside the transaction
  proxy.ExecuteSQLCommand("ROLLBACK");
  EXPECT_EQ(this->Count("r"), 0);

  proxy.ExecuteSQLCommand("BEGIN TRAN");
  proxy.ExecuteSQLCommand("insert into r values (3)");
  proxy.ExecuteSQLCommand("COMMIT");
  auto other = this->MakeProxy();
  ASSERT_TRUE(other->Connect()) << other->ConnectionError();
  EXPECT_EQ(other->CreateDataset("select count(*) as n from r")->FieldByName("N").AsInteger(), 1);

  // Without a transaction there is nothing to commit: the engine says so.
  EXPECT_THROW(proxy.ExecuteSQLCommand("COMMIT"), Error);
}

TYPED_TEST(VendizioProxyTest, ConnectRecordsTheSessionAndCanBeRepeated) {
  auto& proxy = *this->proxy;
  EXPECT_TRUE(proxy.ConnectionError().empty());
  EXPECT_EQ(proxy.SqlPID(), static_cast<int32_t>(getpid()));
  EXPECT_FALSE(proxy.LoginDateTime().IsZero());
  EXPECT_TRUE(proxy.CheckConnection());
  EXPECT_TRUE(proxy.Disconnect());
  EXPECT_THROW(proxy.CreateDataset("select 1 as x"), Error);
  // CheckConnection reopens a closed connection, logging the retry.
  EXPECT_TRUE(proxy.CheckConnection());
  ASSERT_EQ(this->log_infos.size(), 1u);
  EXPECT_EQ(this->log_infos[0].rfind("Database Connection Error: retry ", 0), 0u) << this->log_infos[0];
  EXPECT_EQ(proxy.CreateDataset("select 1 as x")->FieldByName("X").AsInteger(), 1);
  EXPECT_TRUE(proxy.Connect());
}

TYPED_TEST(VendizioProxyTest, ResourceStatementsAreNotCarried) {
  try {
    this->proxy->CreateDatasetFromRes("QRY_STORES");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "SQL Resource QRY_STORES not found");
  }
  EXPECT_THROW(this->proxy->ExecuteSQLCommandFromRes("CMD_X"), Error);
}

TYPED_TEST(VendizioProxyTest, RecordReaderGetExistsAndDecode) {
  auto& proxy = *this->proxy;
  proxy.ExecuteSQLCommand(
      "create table anarc00f (acart varchar(10), accol varchar(5), acdes varchar(40), annullato char(1))");
  proxy.ExecuteSQLCommand("insert into anarc00f values ('ART1', 'RED', 'Red shirt', null)");
  proxy.ExecuteSQLCommand("insert into anarc00f values ('ART1', 'BLU', 'Blue shirt', 'N')");
  proxy.ExecuteSQLCommand("insert into anarc00f values ('ART1', 'GRN', 'Green shirt', 'S')");  // deleted

  auto rows = proxy.Get(nt_anarc, {"ART1"});
  ASSERT_NE(rows, nullptr);
  ASSERT_EQ(rows->RecordCount(), 2);  // the deleted row does not count; ordered by the key
  EXPECT_EQ(rows->FieldByName("accol").AsString(), "BLU");
  EXPECT_TRUE(proxy.Exists(nt_anarc, {"ART1", "RED"}));
  EXPECT_FALSE(proxy.Exists(nt_anarc, {"ART1", "GRN"}));
  EXPECT_EQ(proxy.Decode(nt_anarc, {"ART1", "RED"}), "Red shirt");
  EXPECT_EQ(proxy.Decode(nt_anarc, {"ART1", "GRN"}), "");
  EXPECT_EQ(proxy.Get(static_cast<tQV_VdzTable>(99), {"x"}), nullptr);
  EXPECT_FALSE(proxy.Exists(static_cast<tQV_VdzTable>(99), {"x"}));
  EXPECT_EQ(proxy.Decode(static_cast<tQV_VdzTable>(99), {"x"}), "");
}

TYPED_TEST(VendizioProxyTest, ApplicativeLockBetweenSessions) {
  this->CreateLockTable();
  auto& proxy = *this->proxy;
  EXPECT_TRUE(proxy.ApplicativeLock(lt_Program, "SHOP", 0));
  EXPECT_TRUE(proxy.ApplicativeLock(lt_Program, "SHOP", 0));  // the same session again
  EXPECT_EQ(this->Count("aplck00f"), 1);
  {
    auto row = proxy.Get(nt_aplck, {"PGM", "SHOP", 0});
    ASSERT_FALSE(row->Eof());
    EXPECT_EQ(row->FieldByName("spid").AsInteger(), proxy.SqlPID());
    EXPECT_EQ(row->FieldByName("vdzuser").AsString(), UserName());
    EXPECT_EQ(row->FieldByName("pcname").AsString(), ComputerName());
  }

  auto other = this->MakeProxy();
  ASSERT_TRUE(other->Connect()) << other->ConnectionError();
  EXPECT_FALSE(other->ApplicativeLock(lt_Program, "SHOP", 0));
  ASSERT_EQ(this->notices.size(), 1u);
  const std::string& notice = this->notices[0];
  EXPECT_EQ(notice.rfind("Attenzione!\r\n----------------------------------------\r\nProgramma già in uso\r\n"
                         "----------------------------------------\r\nNome Computer: " +
                             ComputerName() + "\r\nNome Utente: " + UserName() + "\r\nProgramma: " + ExeBaseName() +
                             "\r\nData/Ora Lock: ",
                         0),
            0u)
      << notice;
  EXPECT_TRUE(other->ApplicativeLock(lt_Record, "SHOP", 0));  // another type is another lock

  // The holder's session ends without unlocking: its row is stale and is taken over.
  this->proxy->Disconnect();
  EXPECT_TRUE(other->ApplicativeLock(lt_Program, "SHOP", 0));
  ASSERT_TRUE(this->proxy->Connect());
  EXPECT_EQ(this->Count("aplck00f"), 2);
  EXPECT_FALSE(proxy.ApplicativeLock(lt_Program, "SHOP", 0));  // now the other one holds it

  other->ApplicativeUnlock(lt_Program, "SHOP", 0);
  other->ApplicativeUnlock(lt_Program, "SHOP", 0);  // removing a missing lock is no error
  EXPECT_EQ(this->Count("aplck00f"), 1);
}

TYPED_TEST(VendizioProxyTest, ApplicativeLockWithoutTheLockTableReportsTheEngineError) {
  EXPECT_THROW(this->proxy->ApplicativeLock(lt_Function, "X", 1), Error);
  EXPECT_TRUE(this->notices.empty());
}

}  // namespace
}  // namespace dodu::testing
