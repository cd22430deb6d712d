#pragma once

#include <string>

namespace dodu {

// The store application's provider form of the connection (the OLE DB "SQLOLEDB.1" string);
// kept for logs and for tools that speak that form. An empty login means integrated security.
std::string ProviderConnectionString(const std::string& aDataSource, const std::string& aDbName,
                                     const std::string& aUserName, const std::string& aPassword);

// The ODBC connection string for the same four settings through the given driver, announcing
// the application name. A login gives UID/PWD, none gives Trusted_Connection=yes. With the
// FreeTDS driver a data source "host,port" becomes Server=host;Port=port, and the client
// character set is UTF-8.
std::string OdbcConnectionString(const std::string& aDriver, const std::string& aDataSource,
                                 const std::string& aDbName, const std::string& aUserName,
                                 const std::string& aPassword, const std::string& aApplicationName);

// An attribute value as an ODBC connection string holds it: in braces when it contains
// characters that would end or confuse the attribute, with "}" doubled.
std::string OdbcAttributeValue(const std::string& aValue);

// The connection string with the values of password attributes replaced by "***", for logs.
std::string MaskedConnectionString(const std::string& aConnectionString);

}  // namespace dodu
