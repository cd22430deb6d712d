#include "db/connection_string.h"

#include <gtest/gtest.h>

#include "base/error.h"
#include "db/vendizio_proxy.h"

namespace dodu::testing {
namespace {

TEST(ConnectionStringTest, ProviderFormWithAndWithoutLogin) {
  EXPECT_EQ(ProviderConnectionString("SRV\\SQL", "POS", "", ""),
            "Provider=SQLOLEDB.1;Data Source=SRV\\SQL;Initial Catalog=POS;Persist Security Info=True;"
            "Integrated Security=SSPI;");
  EXPECT_EQ(ProviderConnectionString("SRV", "POS", "sa", "secret"),
            "Provider=SQLOLEDB.1;Data Source=SRV;Initial Catalog=POS;Persist Security Info=True;"
            "User ID=sa;Password=secret;");
  // A login with an empty password still writes the password part.
  EXPECT_EQ(ProviderConnectionString("SRV", "POS", "sa", ""),
            "Provider=SQLOLEDB.1;Data Source=SRV;Initial Catalog=POS;Persist Security Info=True;User ID=sa;Password=;");
}

TEST(ConnectionStringTest, OdbcFormThroughFreeTds) {
  EXPECT_EQ(OdbcConnectionString("FreeTDS", "SRV\\SQL", "POS", "", "", "DODO-DE Vuzuvedav"),
            "Driver=FreeTDS;Server=SRV\\SQL;Database=POS;Trusted_Connection=yes;APP=DODO-DE Vuzuvedav;"
            "ClientCharset=UTF-8;");
  EXPECT_EQ(OdbcConnectionString("FreeTDS", "10.0.0.5,1433", "POS", "pos", "p;w{d}", ""),
            "Driver=FreeTDS;Server=10.0.0.5;Port=1433;Database=POS;UID=pos;PWD={p;w{d}}};ClientCharset=UTF-8;");
  // Another driver keeps "host,port" as its own syntax and gets no FreeTDS attributes.
  EXPECT_EQ(OdbcConnectionString("ODBC Driver 18 for SQL Server", "host,1433", "POS", "u", "p", "App"),
            "Driver=ODBC Driver 18 for SQL Server;Server=host,1433;Database=POS;UID=u;PWD=p;APP=App;");
}

TEST(ConnectionStringTest, AttributeValuesAndMasking) {
  EXPECT_EQ(OdbcAttributeValue("plain"), "plain");
  EXPECT_EQ(OdbcAttributeValue("a=b"), "{a=b}");
  EXPECT_EQ(OdbcAttributeValue(" padded"), "{ padded}");
  EXPECT_EQ(MaskedConnectionString("Driver=FreeTDS;UID=pos;PWD={p;w}}d};APP=x"),
            "Driver=FreeTDS;UID=pos;PWD=***;APP=x");
  EXPECT_EQ(MaskedConnectionString("Provider=SQLOLEDB.1;User ID=sa;Password=secret;"),
            "Provider=SQLOLEDB.1;User ID=sa;Password=***;");
}

TEST(ConnectionStringTest, ProxyLogFormMasksThePassword) {
  tQV_VendizioProxy proxy;
  proxy.SetDataSource("SRV");
  proxy.SetDbName("POS");
  proxy.SetDBUserName("sa");
  proxy.SetDBUserPwd("secret");
  EXPECT_EQ(proxy.ConnectionStringForLog(),
            "Provider=SQLOLEDB.1;Data Source=SRV;Initial Catalog=POS;Persist Security Info=True;"
            "User ID=sa;Password=***;");
  proxy.SetEngine(dbe_SQLite);
  EXPECT_EQ(proxy.ConnectionStringForLog(), "SQLite:POS");
}

TEST(ConnectionStringTest, EngineNames) {
  EXPECT_EQ(DbEngineFromText("SQLite"), dbe_SQLite);
  EXPECT_EQ(DbEngineFromText("sqlite"), dbe_SQLite);
  EXPECT_EQ(DbEngineFromText(""), dbe_ODBC);
  EXPECT_EQ(DbEngineFromText("SQLServer"), dbe_ODBC);
  EXPECT_THROW(DbEngineFromText("Oracle"), Error);
}

}  // namespace
}  // namespace dodu::testing
