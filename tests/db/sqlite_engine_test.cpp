// What only the embedded engine does: database files, several statements in one text, the
// translated transaction words and sessions of other processes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

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
