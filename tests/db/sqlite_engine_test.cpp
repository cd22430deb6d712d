// What only the embedded engine does: database files, several statements in one text, the
// translated transaction words and sessions of other processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "base/error.h"
#include "db/sqlite_connection.h"
#include "proxy_engines.h"

namespace dodu::testing {
namespace {

class SqliteEngineTest : public ProxyFixture<SqliteEngine> {};

TEST_F(SqliteEngineTest, MissingDatabaseFileAndDirectoriesAreCreated) {
  tQV_VendizioProxy nested;
  const std::string file = directory.File("a/b/store.db");
  SqliteEngine::Configure(nested, file);
  ASSERT_TRUE(nested.Connect()) << nested.ConnectionError();
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(SqliteEngineTest, FailedConnectKeepsTheMessageAndLogsIt) {
  auto bad = MakeProxy();
  bad->SetDbName(directory.Path());  // a directory is no database file
  EXPECT_FALSE(bad->Connect());
  EXPECT_NE(bad->ConnectionError().find("unable to open database file"), std::string::npos) << bad->ConnectionError();
  ASSERT_EQ(log_errors.size(), 1u);
  EXPECT_EQ(log_errors[0], "Connect:" + bad->ConnectionError());

  auto unnamed = MakeProxy();
  unnamed->SetDbName("");
  EXPECT_FALSE(unnamed->Connect());
  EXPECT_EQ(unnamed->ConnectionError(), "No database file given for the SQLite engine");
}

TEST_F(SqliteEngineTest, SeveralStatementsRunInOrderAndTheFirstResultSetIsReturned) {
  auto dataset = proxy->CreateDataset(
      "create table s (a integer);\n"
      "insert into s values (1); insert into s values (2);\n"
      "select a, 'first' as which from s order by a;\n"
      "insert into s values (3);\n"
      "select 'second' as which;");
  EXPECT_EQ(dataset->RecordCount(), 2);
  EXPECT_EQ(dataset->FieldByName("which").AsString(), "first");
  EXPECT_EQ(proxy->CreateDataset("select count(*) as n from s")->FieldByName("n").AsInteger(), 3);

  // A failing statement stops the text, after what ran before it.
  EXPECT_THROW(proxy->ExecuteSQLCommand("insert into s values (4); insert into nowhere values (5); "
                                        "insert into s values (6)"),
               Error);
  EXPECT_EQ(proxy->CreateDataset("select count(*) as n from s")->FieldByName("n").AsInteger(), 4);
}

TEST_F(SqliteEngineTest, ParametersAreNumberedAcrossTheStatementsOfOneText) {
  proxy->ExecuteSQLCommand("create table m (a integer, b text)");
  proxy->ExecuteSQLCommand("insert into m values (:one, :txt); insert into m values (:two, :txt)",
                           {tQV_SQLParam::Create("one", 1), tQV_SQLParam::Create("two", 2),
                            tQV_SQLParam::Create("txt", "t")});
  auto dataset = proxy->CreateDataset("select a, b from m order by a");
  ASSERT_EQ(dataset->RecordCount(), 2);
  dataset->Next();
  EXPECT_EQ(dataset->FieldByName("a").AsInteger(), 2);
  EXPECT_EQ(dataset->FieldByName("b").AsString(), "t");
}

TEST_F(SqliteEngineTest, TransactionWordsAreTranslatedWholeStatementsOnly) {
  const SqlDialect& dialect = SqliteDialect();
  EXPECT_EQ(dialect.TranslateStatement("BEGIN TRAN"), "BEGIN IMMEDIATE");
  EXPECT_EQ(dialect.TranslateStatement("  begin   transaction ; "), "BEGIN IMMEDIATE");
  EXPECT_EQ(dialect.TranslateStatement("Commit Tran"), "COMMIT");
  EXPECT_EQ(dialect.TranslateStatement("ROLLBACK TRANSACTION"), "ROLLBACK");
  EXPECT_EQ(dialect.TranslateStatement("select 'BEGIN TRAN'"), "select 'BEGIN TRAN'");
  EXPECT_EQ(dialect.TranslateStatement("BEGIN TRAN X"), "BEGIN TRAN X");
  EXPECT_EQ(dialect.TranslateStatement("COMMIT;"), "COMMIT");
  EXPECT_EQ(dialect.TranslateStatement("BEGIN;TRAN"), "BEGIN;TRAN");
  EXPECT_EQ(dialect.TranslateStatement("BEGINTRANSACTION"), "BEGINTRANSACTION");
  // A long statement that holds the words is left alone.
  const std::string insert = "insert into t values ('" + std::string(6000, 'x') + " BEGIN TRAN')";
  EXPECT_EQ(dialect.TranslateStatement(insert), insert);
}

TEST_F(SqliteEngineTest, AnOpenTransactionHoldsTheWriteLockAgainstOtherConnections) {
  proxy->ExecuteSQLCommand("create table w (a integer)");
  auto other = MakeProxy();
  ASSERT_TRUE(other->Connect());
  proxy->ExecuteSQLCommand("BEGIN TRAN");
  // The other connection waits for the lock up to its timeout, then fails with the engine's
  // message; a short statement timeout keeps this quick.
  SqliteConnection* raw = dynamic_cast<SqliteConnection*>(other->Connection());
  ASSERT_NE(raw, nullptr);
  try {
    raw->Run("insert into w values (1)", {}, 1);
    FAIL() << "the write went through a held lock";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("locked"), std::string::npos) << e.what();
  }
  proxy->ExecuteSQLCommand("COMMIT");
  EXPECT_NO_THROW(other->ExecuteSQLCommand("insert into w values (1)"));
}

// Runs one statement on its own connection to the file and gives the first column of its first
// row as text ("" when it returns no row).
std::string FirstValue(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  std::string value;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(statement);
  if (rc == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr)
    value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
  else if (rc != SQLITE_DONE)
    ADD_FAILURE() << sqlite3_errmsg(db) << ": " << sql;
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return value;
}

TEST_F(SqliteEngineTest, AStoreMadeInRollbackModeWorksAndEndsInWriteAheadLogMode) {
  const std::string file = directory.File("rollback.db");
  EXPECT_EQ(FirstValue(file, "pragma journal_mode=delete"), "delete");
  EXPECT_EQ(FirstValue(file, "create table t (a integer)"), "") << "no rows expected";
  EXPECT_EQ(FirstValue(file, "insert into t values (1) returning a"), "1");
  EXPECT_EQ(FirstValue(file, "pragma journal_mode"), "delete");

  tQV_VendizioProxy store;
  SqliteEngine::Configure(store, file);
  ASSERT_TRUE(store.Connect()) << store.ConnectionError();
  store.ExecuteSQLCommand("BEGIN TRAN");
  store.ExecuteSQLCommand("insert into t values (2)");
  store.ExecuteSQLCommand("COMMIT");
  EXPECT_EQ(store.CreateDataset("select count(*) as n from t")->FieldByName("n").AsInteger(), 2);
  // Full syncs on the connection (2 is FULL), and the mode is kept in the file for every reader.
  EXPECT_EQ(store.CreateDataset("pragma synchronous")->Fields(0).AsInteger(), 2);
  EXPECT_EQ(FirstValue(file, "pragma journal_mode"), "wal");
  EXPECT_EQ(FirstValue(file, "select count(*) from t"), "2") << "the committed row is seen by another connection";
  store.Disconnect();

  // Opened again, the file is already in that mode and keeps its rows.
  tQV_VendizioProxy again;
  SqliteEngine::Configure(again, file);
  ASSERT_TRUE(again.Connect()) << again.ConnectionError();
  EXPECT_EQ(again.CreateDataset("select count(*) as n from t")->FieldByName("n").AsInteger(), 2);
}

TEST_F(SqliteEngineTest, ARecurringStatementGivesTheRowsOfItsOwnValues) {
  proxy->ExecuteSQLCommand("create table p (k integer primary key, v text)");
  for (int k = 1; k <= 3; ++k)
    proxy->ExecuteSQLCommand("insert into p values (:k, :v)",
                             {tQV_SQLParam::Create("k", k), tQV_SQLParam::Create("v", "value " + std::to_string(k))});
  for (int k : {2, 1, 3, 4}) {
    auto row = proxy->CreateDataset("select v from p where k=:k", {tQV_SQLParam::Create("k", k)});
    EXPECT_EQ(row->Eof() ? "(none)" : row->FieldByName("v").AsString(), k == 4 ? "(none)" : "value " + std::to_string(k));
  }
  // A statement that failed runs again with other values.
  EXPECT_THROW(proxy->ExecuteSQLCommand("insert into p values (:k, :v)",
                                        {tQV_SQLParam::Create("k", 1), tQV_SQLParam::Create("v", "twice")}),
               Error);
  proxy->ExecuteSQLCommand("insert into p values (:k, :v)",
                           {tQV_SQLParam::Create("k", 5), tQV_SQLParam::Create("v", "value 5")});
  EXPECT_EQ(proxy->CreateDataset("select count(*) as n from p")->FieldByName("n").AsInteger(), 4);
  // A text without parameters is reused only for itself: a changed literal is another statement.
  EXPECT_EQ(proxy->CreateDataset("select v from p where k=5")->FieldByName("v").AsString(), "value 5");
  EXPECT_EQ(proxy->CreateDataset("select v from p where k=3")->FieldByName("v").AsString(), "value 3");
  // The table changes shape between two uses of one text.
  proxy->ExecuteSQLCommand("alter table p add column w text default 'new'");
  auto changed = proxy->CreateDataset("select * from p where k=:k", {tQV_SQLParam::Create("k", 5)});
  EXPECT_EQ(changed->FieldByName("w").AsString(), "new");
  // More texts than are kept, then the first of them again.
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(proxy->CreateDataset("select " + std::to_string(i) + " as n")->FieldByName("n").AsInteger(), i);
  EXPECT_EQ(proxy->CreateDataset("select v from p where k=:k", {tQV_SQLParam::Create("k", 2)})->FieldByName("v").AsString(),
            "value 2");
}

TEST_F(SqliteEngineTest, AStatementKeptForReuseHoldsNoReadBetweenUses) {
  proxy->ExecuteSQLCommand("create table r (a integer)");
  proxy->ExecuteSQLCommand("insert into r values (1); insert into r values (2)");
  EXPECT_EQ(proxy->CreateDataset("select a from r order by a")->RecordCount(), 2);
  // Another connection writes and then folds the log back into the database: that waits for no
  // reader only when the kept statement let its snapshot go.
  EXPECT_EQ(FirstValue(DatabaseFile(), "insert into r values (3) returning a"), "3");
  EXPECT_EQ(FirstValue(DatabaseFile(), "pragma wal_checkpoint(TRUNCATE)"), "0") << "busy: a reader is still open";
  EXPECT_EQ(proxy->CreateDataset("select a from r order by a")->RecordCount(), 3);
}

// A lock taken by another process counts while that process lives and is stale once it ended.
TEST_F(SqliteEngineTest, LocksOfOtherProcessesAreHeldUntilTheyEnd) {
  proxy->ExecuteSQLCommand(
      "create table aplck00f (TYPE varchar(3), NAME varchar(50), IDENTIFIER integer, TIMELCK datetime, "
      "SPID integer, SPTM datetime, VDZUSER varchar(50), PCNAME varchar(50), PGMNAME varchar(50), "
      "PGMPARAM varchar(250), annullato char(1), primary key (TYPE, NAME, IDENTIFIER))");
  int to_parent[2], to_child[2];
  ASSERT_EQ(pipe(to_parent), 0);
  ASSERT_EQ(pipe(to_child), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Its own connection; it leaves without unlocking, as a process that crashed would.
    tQV_VendizioProxy holder;
    SqliteEngine::Configure(holder, DatabaseFile());
    char answer = holder.Connect() && holder.ApplicativeLock(lt_Function, "TILL", 7) ? 'y' : 'n';
    (void)!write(to_parent[1], &answer, 1);
    (void)!read(to_child[0], &answer, 1);
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(read(to_parent[0], &answer, 1), 1);
  ASSERT_EQ(answer, 'y');
  EXPECT_FALSE(proxy->ApplicativeLock(lt_Function, "TILL", 7));
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_NE(notices[0].find("Funzione già in uso"), std::string::npos);

  (void)!write(to_child[1], &answer, 1);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(proxy->ApplicativeLock(lt_Function, "TILL", 7));
  auto row = proxy->Get(nt_aplck, {"FUN", "TILL", 7});
  EXPECT_EQ(row->FieldByName("SPID").AsInteger(), getpid());
  for (int fd : {to_parent[0], to_parent[1], to_child[0], to_child[1]}) close(fd);
}

}  // namespace
}  // namespace dodu::testing
