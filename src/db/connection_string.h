#pragma once

#include <string>
#include <vector>

namespace dodu {

// The store application's provider form of the connection (the OLE DB "SQLOLEDB.1" string);
// kept for logs and for tools that speak that form. An empty login means integrated security.
// Values are quoted as ADO reads them (ProviderAttributeValue).
std::string ProviderConnectionString(const std::string& aDataSource, const std::string& aDbName,
                                     const std::string& aUserName, const std::string& aPassword);

// An attribute value as an ADO connection string holds it: in double quotes when it contains
// ";", starts with a quote or a brace or has blanks at either end; in single quotes instead when it holds
// a double quote; with double quotes doubled when it holds both.
std::string ProviderAttributeValue(const std::string& aValue);

// The ODBC connection string for the same four settings through the given driver, announcing
// the application name. A login gives UID/PWD, none gives Trusted_Connection=yes. With the
// FreeTDS driver a data source "host,port" becomes Server=host;Port=port, and the client
// character set is UTF-8.
std::string OdbcConnectionString(const std::string& aDriver, const std::string& aDataSource,
                                 const std::string& aDbName, const std::string& aUserName,
                                 const std::string& aPassword, const std::string& aApplicationName);

// An attribute value as an ODBC connection string holds it: in braces when it contains
// characters that would end or confuse the attribute or opens with a quote, with "}" doubled.
std::string OdbcAttributeValue(const std::string& aValue);

// One attribute of a connection string: its key as written and its value as written (quotes and
// braces included) and as meant.
struct ConnectionAttribute {
  std::string key;
  std::string rawValue;
  std::string value;
  bool cut = false;  // the value went on past an unquoted ";" (or is a piece without a key)
};

// The attributes of an ODBC or ADO connection string. A value may be in braces ("}}" is one
// brace) or in single or double quotes (the quote doubled inside); "==" in a key is one "=".
// A piece without "=" cannot be an attribute: it is the rest of the value before it, cut by an
// unquoted ";", and is taken into that value.
std::vector<ConnectionAttribute> ConnectionAttributes(const std::string& aConnectionString);

// Whether the attribute holds a secret: PWD, Password, and any key naming a password
// ("Jet OLEDB:Database Password").
bool IsPasswordKey(const std::string& aKey);

// The connection string with the values of password attributes replaced by "***", for logs.
// Whatever cannot be read as an attribute is masked too.
std::string MaskedConnectionString(const std::string& aConnectionString);

// The passwords a connection string holds, as meant.
std::vector<std::string> ConnectionStringPasswords(const std::string& aConnectionString);

// The text with every occurrence of the secrets replaced by "***": for messages that come from a
// driver, which may repeat what it was given.
std::string WithoutSecrets(const std::string& aText, const std::vector<std::string>& aSecrets);

}  // namespace dodu
