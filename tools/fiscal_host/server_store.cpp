#include "fiscal_host/server_store.h"

#include <stdexcept>

#include "db/connection_string.h"
#include "db/db_connection.h"
#include "db/vendizio_dataset.h"

namespace dodu::host {

namespace {

// "%41" and the like in a URL part.
std::string Unescaped(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      try {
        out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
        continue;
      } catch (const std::exception&) {
        // Not an escape: the "%" stands for itself.
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::string ServerConnectionString(const std::string& text) {
  std::string rest;
  for (const char* scheme : {"postgresql://", "postgres://"})
    if (text.rfind(scheme, 0) == 0) rest = text.substr(std::string(scheme).size());
  if (rest.empty()) return text;
  std::string user = "postgres", password, host = "localhost", port = "5432", database;
  const size_t slash = rest.find('/');
  database = slash == std::string::npos ? std::string() : Unescaped(rest.substr(slash + 1));
  if (const size_t query = database.find('?'); query != std::string::npos) database.erase(query);
  std::string authority = rest.substr(0, slash);
  if (const size_t at = authority.rfind('@'); at != std::string::npos) {
    const std::string login = authority.substr(0, at);
    authority = authority.substr(at + 1);
    const size_t colon = login.find(':');
    user = Unescaped(login.substr(0, colon));
    if (colon != std::string::npos) password = Unescaped(login.substr(colon + 1));
  }
  if (const size_t colon = authority.rfind(':'); colon != std::string::npos) {
    port = authority.substr(colon + 1);
    authority.erase(colon);
  }
  if (!authority.empty()) host = authority;
  if (database.empty()) throw std::runtime_error("the store URL " + text + " names no database");
  // Protocol=7.4-0: no savepoint around every statement (the driver then leaves a failed
  // transaction to the caller's ROLLBACK); no driver logs.
  return "Driver={PostgreSQL Unicode};Server=" + OdbcAttributeValue(host) + ";Port=" + OdbcAttributeValue(port) +
         ";Database=" + OdbcAttributeValue(database) + ";UID=" + OdbcAttributeValue(user) +
         ";PWD=" + OdbcAttributeValue(password) + ";Protocol=7.4-0;CommLog=0;Debug=0;";
}

ServerStore::ServerStore(const std::string& connection_string)
    : fConnection(CreateDbConnection(dbe_ODBC, connection_string)) {
  try {
    fConnection->Open();
  } catch (const std::exception& e) {
    throw std::runtime_error("cannot open the server store: " + std::string(e.what()));
  }
}

ServerStore::~ServerStore() = default;

void ServerStore::Execute(const std::string& sql) {
  try {
    fConnection->Run(sql, {}, 600);
  } catch (const std::exception& e) {
    throw std::runtime_error("server store: " + std::string(e.what()));
  }
}

std::vector<StoreDatabase::Row> ServerStore::Query(const std::string& sql) {
  tQV_ResultSet result;
  try {
    result = fConnection->Run(sql, {}, 600);
  } catch (const std::exception& e) {
    throw std::runtime_error("server store: " + std::string(e.what()));
  }
  std::vector<Row> rows;
  for (const auto& cells : result.rows) {
    Row row;
    for (size_t k = 0; k < cells.CellCount(); ++k) {
      const size_t column = cells.ColumnOf(k);
      if (column < result.columns.size()) row[result.columns[column]] = cells.CellAt(k).text;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace dodu::host
