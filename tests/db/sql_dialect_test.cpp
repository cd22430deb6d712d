// The SQL Server texts of the proxy's own statements, and what SQLite uses in their place.
#include "db/sql_dialect.h"

#include <gtest/gtest.h>

namespace dodu::testing {
namespace {

TEST(SqlDialectTest, SqlServerCatalogueStatements) {
  const SqlDialect& d = SqlServerDialect();
  EXPECT_EQ(d.TableExistsStatement("#work"),
            "select case when object_id('tempdb..[#work]') is null then 0 else 1 end as Value");
  EXPECT_EQ(d.TableExistsStatement("anmag00f"),
            "select case when object_id('[anmag00f]') is null then 0 else 1 end as Value");
  EXPECT_EQ(d.DropTableStatement("#work"), "if not object_id('tempdb..[#work]') is null\r\ndrop table [#work]");
  EXPECT_EQ(d.DropTableStatement("anmag00f"), "if not object_id('[anmag00f]') is null\r\ndrop table [anmag00f]");
  // Quotes and brackets in a name cannot break out of the literal or the brackets.
  EXPECT_EQ(d.DropTableStatement("a'b]"), "if not object_id('[a''b]]]') is null\r\ndrop table [a'b]]]");
  EXPECT_EQ(d.LastRowCountStatement(), "select @@rowcount as RecordsAffected");
  EXPECT_EQ(d.ProbeStatement(), "SELECT @@SERVERNAME");
  EXPECT_EQ(d.TranslateStatement("BEGIN TRAN"), "BEGIN TRAN");
}

TEST(SqlDialectTest, SqliteEquivalents) {
  const SqlDialect& d = SqliteDialect();
  EXPECT_EQ(d.TableExistsStatement("#work"),
            "select case when exists(select 1 from sqlite_temp_master where type in ('table','view') and "
            "name='#work' collate nocase) then 1 else 0 end as Value");
  EXPECT_EQ(d.DropTableStatement("a\"b"), "drop table if exists \"a\"\"b\"");
  EXPECT_EQ(d.DropTableStatement("#w"), "drop table if exists temp.\"#w\"");
  EXPECT_EQ(d.LastRowCountStatement(), "select changes() as RecordsAffected");
}

}  // namespace
}  // namespace dodu::testing
