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

// Connection strings whose password holds the characters that end or quote a value, as written
// by hand or by a builder that did not quote: no part of a password is shown.
TEST(ConnectionStringTest, MaskingHidesEveryPartOfAPassword) {
  const struct {
    const char* text;
    const char* masked;
  } cases[] = {
      {"Password=s3cr;et;Pa55", "Password=***"},
      {"Provider=SQLOLEDB.1;User ID=sa;Password=s3cr;et;Pa55;", "Provider=SQLOLEDB.1;User ID=sa;Password=***;"},
      {"Driver=FreeTDS;UID=pos;PWD={a;b}}c};APP=x", "Driver=FreeTDS;UID=pos;PWD=***;APP=x"},
      {"PWD={a;b}}c;Server=x", "PWD=***"},  // the brace never closes: all the rest is the value
      {"PWD={ab}cd;UID=u", "PWD=***;UID=u"},
      {"User ID=sa;Password=\"s3cr;et\";Data Source=SRV", "User ID=sa;Password=***;Data Source=SRV"},
      {"Password='it''s;x';Initial Catalog=POS", "Password=***;Initial Catalog=POS"},
      {"Password=\"a\"\"b;c\";Initial Catalog=POS", "Password=***;Initial Catalog=POS"},
      {" pWd =x;y", " pWd =***"},
      {"Jet OLEDB:Database Password=a;b", "Jet OLEDB:Database Password=***"},
      {"UID=sa;PWD=;APP=x", "UID=sa;PWD=***;APP=x"},
      // Pieces without a key can be any part of a value: neither they nor the value they end show.
      {"s3cr;et;UID=u", "***;UID=u"},
      {"UID=sa;et;Pa55", "UID=***"},
  };
  for (const auto& c : cases) EXPECT_EQ(MaskedConnectionString(c.text), c.masked) << c.text;
}

// Whatever a password holds, the strings the library builds carry it whole in one attribute.
TEST(ConnectionStringTest, BuiltStringsQuoteEveryPassword) {
  const char* passwords[] = {"s3cr;et;Pa55", "a;b}c", "{x}", "p=w;d", "say \"hi\";", "it's;", "a'b\"c;d",
                             " lead", "trail ", "'", "\""};
  for (const char* password : passwords) {
    for (const std::string& text : {ProviderConnectionString("SRV", "POS", "sa", password),
                                    OdbcConnectionString("FreeTDS", "SRV", "POS", "sa", password, "App")}) {
      int found = 0;
      for (const ConnectionAttribute& attribute : ConnectionAttributes(text)) {
        EXPECT_FALSE(attribute.cut) << text;
        if (!IsPasswordKey(attribute.key)) continue;
        ++found;
        EXPECT_EQ(attribute.value, password) << text;
      }
      EXPECT_EQ(found, 1) << text;
      const std::string masked = MaskedConnectionString(text);
      EXPECT_NE(masked.find("=***;"), std::string::npos) << masked;
      EXPECT_EQ(masked.find(password), std::string::npos) << masked;
    }
  }
  EXPECT_EQ(ProviderConnectionString("SRV;x", "POS", "sa", "s3cr;et;Pa55"),
            "Provider=SQLOLEDB.1;Data Source=\"SRV;x\";Initial Catalog=POS;Persist Security Info=True;User ID=sa;"
            "Password=\"s3cr;et;Pa55\";");
  EXPECT_EQ(ProviderAttributeValue("a'b\"c;d"), "\"a'b\"\"c;d\"");
  EXPECT_EQ(ProviderAttributeValue("say \"hi\";"), "'say \"hi\";'");
}

TEST(ConnectionStringTest, SecretsAreTakenOutOfMessages) {
  EXPECT_EQ(WithoutSecrets("login failed: pass s3cr;et, again s3cr;et", {"s3cr;et", ""}),
            "login failed: pass ***, again ***");
  // The longer secret first, so no part of it is left.
  EXPECT_EQ(WithoutSecrets("{a;b}}c} or a;b}c", {"a;b}c", "{a;b}}c}"}), "*** or ***");
  EXPECT_EQ(WithoutSecrets("nothing here", {}), "nothing here");
}

// A driver that repeats what it was given (here the driver manager naming a library it cannot
// load) must not bring the password into the error text or the log.
TEST(ConnectionStringTest, ConnectionErrorsCarryNoPassword) {
  const std::string password = "s3cr;et";
  for (bool own_string : {true, false}) {
    tQV_VendizioProxy proxy;
    std::vector<std::string> log;
    proxy.SetLogHandler([&](tQV_MessageType, const std::string& message) { log.push_back(message); });
    if (own_string) {
      proxy.SetOdbcConnectionString("Driver={/nonexistent/" + password + ".so};UID=sa;PWD={" + password + "}");
    } else {
      proxy.SetOdbcDriver("/nonexistent/" + password + ".so");
      proxy.SetDataSource("SRV");
      proxy.SetDbName("POS");
      proxy.SetDBUserName("sa");
      proxy.SetDBUserPwd(password);
    }
    EXPECT_FALSE(proxy.Connect());
    EXPECT_NE(proxy.ConnectionError().find("***"), std::string::npos) << proxy.ConnectionError();
    EXPECT_EQ(proxy.ConnectionError().find("s3cr"), std::string::npos) << proxy.ConnectionError();
    EXPECT_FALSE(proxy.CheckConnection());
    ASSERT_FALSE(log.empty());
    for (const std::string& line : log) EXPECT_EQ(line.find("s3cr"), std::string::npos) << line;
  }
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
  proxy.SetDBUserPwd("s3cr;et;Pa55");
  EXPECT_EQ(proxy.ConnectionStringForLog(),
            "Provider=SQLOLEDB.1;Data Source=SRV;Initial Catalog=POS;Persist Security Info=True;"
            "User ID=sa;Password=***;");
  proxy.SetOdbcConnectionString("Driver=FreeTDS;UID=sa;PWD=s3cr;et;Pa55");
  EXPECT_EQ(proxy.ConnectionStringForLog(), "Driver=FreeTDS;UID=sa;PWD=***");
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
