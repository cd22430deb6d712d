// The ODBC engine on a real PostgreSQL server (psqlODBC) with its dialect: the proxy's own
// statements, the store operations that have a PostgreSQL form, and the ones that need SQL Server.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "base/error.h"
#include "db/sql_dialect.h"
#include "db/vendizio_proxy.h"
#include "support/postgres_cluster.h"

namespace dodu::testing {
namespace {

using ::testing::HasSubstr;

std::unique_ptr<tQV_VendizioProxy> ConnectedProxy(PostgresCluster& cluster, const std::string& database,
                                                   std::vector<std::string>* notices = nullptr) {
  auto proxy = std::make_unique<tQV_VendizioProxy>();
  proxy->SetEngine(dbe_ODBC);
  proxy->SetOdbcConnectionString(cluster.ConnectionString(database));
  proxy->SetNotifyHandler([notices](int32_t, const std::string& text) {
    if (notices != nullptr) notices->push_back(text);
  });
  proxy->SetLogHandler([](tQV_MessageType, const std::string&) {});
  EXPECT_TRUE(proxy->Connect()) << proxy->ConnectionError();
  return proxy;
}

// The store application's tables in PostgreSQL's form: the text keys it looks up without regard
// to case get a case-insensitive collation, as SQL Server's default collation gives them.
void CreateStoreApplicationTables(tQV_VendizioProxy& p) {
  const char* statements[] = {
      "create collation if not exists nocase (provider = icu, locale = 'und-u-ks-level2', deterministic = false)",
      "create table elcfg01f (ecvar varchar(30) collate nocase, ectip char(1), eclen integer, ecnde integer, "
      "ecval varchar(250), annullato char(1))",
      "create table elcfg00f (ecvar varchar(30) collate nocase, ectip char(1), eclen integer, ecnde integer, "
      "ecval varchar(250), annullato char(1))",
      "create table tabel00f (tbtab varchar(4) collate nocase, tbkey varchar(30), tbdes varchar(250), "
      "Pkey serial primary key, annullato char(1))",
      "create table pgupr01f (p4arc varchar(10) collate nocase, p4frm varchar(10) collate nocase, p4seq integer, "
      "p4des varchar(50), P4Tip char(1), P4FiR varchar(30), P4Fie varchar(30), P4Pos integer, P4Len integer, "
      "P4Dec integer, annullato char(1))",
      "create table numer00f (NMPRG integer)",
      "create table aplck00f (TYPE varchar(3), NAME varchar(50), IDENTIFIER integer, TIMELCK timestamp(3), "
      "SPID integer, SPTM timestamp(3), VDZUSER varchar(50), PCNAME varchar(50), PGMNAME varchar(50), "
      "PGMPARAM varchar(250), annullato char(1), primary key (TYPE, NAME, IDENTIFIER))",
  };
  for (const char* statement : statements) p.ExecuteSQLCommand(statement);
}

TEST(PostgresqlEngine, TheDriverNamesTheServerAndTheProxysOwnStatementsRun) {
  DODU_POSTGRES_CLUSTER_OR_SKIP(cluster);
  const std::string database = cluster.CreateDatabase("engine");
  std::vector<std::string> notices;
  auto first = ConnectedProxy(cluster, database);
  auto second = ConnectedProxy(cluster, database, &notices);
  // Learned from the driver (SQL_DBMS_NAME), not from the settings.
  EXPECT_EQ(first->Dialect().Kind(), tQV_SqlDialectKind::PostgreSQL);
  EXPECT_GT(first->SqlPID(), 0);
  EXPECT_NE(first->SqlPID(), second->SqlPID());
  EXPECT_TRUE(first->CheckConnection());
  CreateStoreApplicationTables(*first);

  EXPECT_TRUE(first->TableExists("APLCK00F"));
  EXPECT_FALSE(first->TableExists("aplck01f"));
  EXPECT_FALSE(first->TableExists("#ALIV"));

  // Row counts are the engine's own (SQLRowCount), for the statement just run.
  first->ExecuteSQLCommand("insert into numer00f values (1),(2),(3)");
  EXPECT_EQ(first->LastRowCount(), 3);
  first->ExecuteSQLCommand("update numer00f set NMPRG=NMPRG+1 where NMPRG>1");
  EXPECT_EQ(first->LastRowCount(), 2);
  first->ExecuteSQLCommand("delete from numer00f where NMPRG>100");
  EXPECT_EQ(first->LastRowCount(), 0);
  first->ExecuteSQLCommand("delete from numer00f");

  // The store application's lock row names the session; a live session keeps it, a gone one
  // does not.
  ASSERT_TRUE(first->ApplicativeLock(lt_Record, "ITEM", 7));
  EXPECT_FALSE(second->ApplicativeLock(lt_Record, "ITEM", 7));
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_THAT(notices[0], HasSubstr("Record già in uso"));
  const int32_t first_session = first->SqlPID();
  first->Disconnect();
  // The server lists a session until its process has ended, a moment after the client left.
  for (int wait = 0; wait < 100; ++wait) {
    if (second->CreateDataset("select count(*) as n from pg_stat_activity where pid=" + std::to_string(first_session))
            ->FieldByName("n")
            .AsInteger() == 0)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  EXPECT_TRUE(second->ApplicativeLock(lt_Record, "ITEM", 7));
  EXPECT_EQ(second->CreateDataset("select count(*) as n from aplck00f")->FieldByName("n").AsInteger(), 1);
  second->ApplicativeUnlock(lt_Record, "ITEM", 7);
  EXPECT_EQ(second->CreateDataset("select count(*) as n from aplck00f")->FieldByName("n").AsInteger(), 0);
}

TEST(PostgresqlEngine, StoreOperationsRunOrSayTheyNeedSqlServer) {
  DODU_POSTGRES_CLUSTER_OR_SKIP(cluster);
  const std::string database = cluster.CreateDatabase("operations");
  auto proxy = ConnectedProxy(cluster, database);
  tQV_VendizioProxy& p = *proxy;
  CreateStoreApplicationTables(p);
  const auto var = [&](const char* table, const char* name, const char* type, int length, int decimals,
                       const char* value) {
    p.ExecuteSQLCommand(std::string("insert into ") + table +
                            " (ecvar,ectip,eclen,ecnde,ecval) values (:n,:t,:l,:d,:v)",
                        {tQV_SQLParam::Create("n", name), tQV_SQLParam::Create("t", type),
                         tQV_SQLParam::Create("l", length), tQV_SQLParam::Create("d", decimals),
                         tQV_SQLParam::Create("v", value)});
  };
  var("elcfg01f", "Cfg_Qty", "N", 7, 2, "0001250");
  var("elcfg00f", "Cfg_Shop", "C", 10, 0, "Lisboa");
  var("elcfg01f", "Cfg_NodoR1", "C", 1, 0, "N");
  var("elcfg00f", "Cfg_NodoR2", "C", 1, 0, "0");
  var("elcfg01f", "Cfg_NodoR3", "C", 1, 0, "7");
  EXPECT_EQ(p.GetConfiVar("CFG_QTY").AsAmount(), Amount::Parse("12.50"));
  EXPECT_EQ(p.GetConfiVar("cfg_shop").AsText(), "Lisboa");
  EXPECT_EQ(p.GetNodo(), "N07");

  // A coded table decoded into a temporary table with typed columns, read by its key.
  const auto layout = [&](int seq, const char* type, const char* name, const char* source, int pos, int len,
                          int dec) {
    p.ExecuteSQLCommand(
        "insert into pgupr01f (p4arc,p4frm,p4seq,P4Tip,P4FiR,P4Fie,P4Pos,P4Len,P4Dec) values "
        "('TABEL00F','ALIV',:s,:t,:n,:f,:p,:l,:d)",
        {tQV_SQLParam::Create("s", seq), tQV_SQLParam::Create("t", type), tQV_SQLParam::Create("n", name),
         tQV_SQLParam::Create("f", source), tQV_SQLParam::Create("p", pos), tQV_SQLParam::Create("l", len),
         tQV_SQLParam::Create("d", dec)});
  };
  layout(1, "C", "T_ALIV_COD", "tbkey", 1, 3, 0);
  layout(2, "C", "T_ALIV_DES", "tbdes", 1, 10, 0);
  layout(3, "N", "T_ALIV_PRC", "tbdes", 11, 5, 2);
  layout(4, "D", "T_ALIV_DAT", "tbdes", 16, 8, 0);
  p.ExecuteSQLCommand(
      "insert into tabel00f (tbtab,tbkey,tbdes,annullato) values ('ALIV','23','Normal    0230020240101',''),"
      "('ALIV','6','Reduced   0060000000000',''),('ALIV','13','Old       01300','S'),('OTHR','23','Other     09900','')");
  auto normal = p.GetTabel("ALIV", {"23"});
  ASSERT_FALSE(normal->Eof());
  EXPECT_EQ(normal->FieldByName("T_ALIV_DES").AsString(), "Normal    ");
  EXPECT_EQ(normal->FieldByName("T_ALIV_PRC").AsAmount(), Amount::Parse("23"));
  EXPECT_EQ(normal->FieldByName("T_ALIV_DAT").AsDateTime(), EncodeDate(2024, 1, 1));
  EXPECT_EQ(p.GetTabel("ALIV", {"6"})->FieldByName("T_ALIV_DAT").AsDateTime(), EncodeDate(1899, 12, 30));
  EXPECT_FALSE(p.ExistsTabel("ALIV", {"13"}));
  EXPECT_TRUE(p.TableExists("#ALIV"));
  EXPECT_EQ(p.GetFieldNames(nt_pgupr).front(), "p4arc");

  // The internal counter: made at first use, then counted up.
  EXPECT_EQ(p.AssignInternalNumber(), 1);
  EXPECT_EQ(p.AssignInternalNumber(), 2);

  // What only the store application's SQL Server procedures do is refused with the reason.
  const struct {
    const char* what;
    std::function<void()> run;
    const char* message;
  } refused[] = {
      {"AssignDocumentNumber", [&] { p.AssignDocumentNumber("*GF"); }, "Not available on PostgreSQL"},
      {"ExistsInBasket", [&] { p.ExistsInBasket("A1", "A", "B1"); }, "Not available on PostgreSQL"},
      {"IsProgramRunning", [&] { p.IsProgramRunning("SHOP"); }, "Not available on PostgreSQL"},
      {"GetNextNumber", [&] { p.GetNextNumber("*ART", "****", "", false); },
       "Unable to get new document number [*ART]"},
  };
  for (const auto& c : refused) {
    try {
      c.run();
      ADD_FAILURE() << c.what << " ran";
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), HasSubstr(c.message)) << c.what;
    }
  }
  // The connection is still good after the refusals.
  EXPECT_TRUE(p.CheckConnection());
}

}  // namespace
}  // namespace dodu::testing
