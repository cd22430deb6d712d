#include "db/odbc_connection.h"

#ifdef _WIN32
#include <windows.h>  // Windows' ODBC headers need its types first
#endif
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <deque>
#include <memory>

#include "base/error.h"
#include "db/sql_parameters.h"

namespace dodu {

namespace {

// The messages of every diagnostic record of a handle, one per line; aState gets the first
// record's SQLSTATE.
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle, std::string* aState = nullptr) {
  std::string text;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[8] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[2048] = {};
    SQLSMALLINT length = 0;
    SQLRETURN rc = SQLGetDiagRec(type, handle, record, state, &native, message, sizeof(message), &length);
    if (!SQL_SUCCEEDED(rc)) break;
    if (!text.empty()) text += "\n";
    else if (aState != nullptr) *aState = reinterpret_cast<const char*>(state);
    text += reinterpret_cast<const char*>(message);
  }
  return text.empty() ? "Unknown ODBC error" : text;
}

void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle) {
  if (rc == SQL_ERROR || rc == SQL_INVALID_HANDLE) {
    std::string state;
    std::string message = Diagnostics(type, handle, &state);
    throw DbError(message, state);
  }
}

// The rows the statement's current result changed; -1 when the driver cannot tell.
int64_t RowCount(SQLHSTMT statement) {
  SQLLEN count = -1;
  if (!SQL_SUCCEEDED(SQLRowCount(statement, &count))) return -1;
  return static_cast<int64_t>(count);
}

struct StatementHandle {
  SQLHSTMT handle = SQL_NULL_HSTMT;
  ~StatementHandle() {
    if (handle != SQL_NULL_HSTMT) {
      SQLFreeStmt(handle, SQL_CLOSE);
      SQLFreeHandle(SQL_HANDLE_STMT, handle);
    }
  }
};

tQV_CellKind KindOfType(SQLSMALLINT type) {
  switch (type) {
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
      return tQV_CellKind::Integer;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return tQV_CellKind::Number;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATETIME:
      return tQV_CellKind::DateTime;
    case SQL_BIT:
      return tQV_CellKind::Boolean;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return tQV_CellKind::Binary;
    default:
      return tQV_CellKind::Text;
  }
}

SQLSMALLINT SqlTypeOf(tQV_FieldType type) {
  switch (type) {
    case ft_Integer:
      return SQL_INTEGER;
    case ft_LargeInt:
      return SQL_BIGINT;
    case ft_Boolean:
      return SQL_BIT;
    case ft_Currency:
    case ft_BCD:
      return SQL_DECIMAL;
    case ft_Date:
      return SQL_TYPE_DATE;
    case ft_DateTime:
      return SQL_TYPE_TIMESTAMP;
    case ft_Blob:
      return SQL_VARBINARY;
    case ft_WideString:
      return SQL_WVARCHAR;
    default:
      return SQL_VARCHAR;
  }
}

// The buffers of the bound parameters, alive until the statement has run.
struct ParameterBuffer {
  std::string text;
  SQLBIGINT integer = 0;
  unsigned char bit = 0;
  SQL_TIMESTAMP_STRUCT timestamp{};
  SQLLEN indicator = 0;
};

void BindParameter(SQLHSTMT statement, SQLUSMALLINT number, const tQV_SQLParam& param,
                   std::deque<ParameterBuffer>& buffers) {
  ParameterBuffer& buffer = buffers.emplace_back();
  const tQV_Variant& value = param.value;
  SQLRETURN rc;
  if (value.IsNull()) {
    buffer.indicator = SQL_NULL_DATA;
    SQLSMALLINT sql_type = SqlTypeOf(param.dataType);
    SQLULEN size = sql_type == SQL_TYPE_TIMESTAMP ? 23 : sql_type == SQL_DECIMAL ? 19 : 1;
    SQLSMALLINT digits = sql_type == SQL_TYPE_TIMESTAMP ? 3 : sql_type == SQL_DECIMAL ? 4 : 0;
    rc = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR, sql_type, size, digits, nullptr, 0,
                          &buffer.indicator);
  } else if (value.IsInteger()) {
    buffer.integer = value.AsInteger();
    rc = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &buffer.integer, 0,
                          nullptr);
  } else if (value.IsBoolean()) {
    buffer.bit = value.AsBoolean() ? 1 : 0;
    rc = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_BIT, SQL_BIT, 1, 0, &buffer.bit, 0, nullptr);
  } else if (value.IsDateTime()) {
    DateTimeFields f = DecodeDateTime(value.AsDateTime());
    buffer.timestamp.year = static_cast<SQLSMALLINT>(f.year);
    buffer.timestamp.month = static_cast<SQLUSMALLINT>(f.month);
    buffer.timestamp.day = static_cast<SQLUSMALLINT>(f.day);
    buffer.timestamp.hour = static_cast<SQLUSMALLINT>(f.hour);
    buffer.timestamp.minute = static_cast<SQLUSMALLINT>(f.minute);
    buffer.timestamp.second = static_cast<SQLUSMALLINT>(f.second);
    buffer.timestamp.fraction = static_cast<SQLUINTEGER>(f.millisecond) * 1000000u;
    rc = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3,
                          &buffer.timestamp, 0, nullptr);
  } else if (value.IsAmount()) {
    // Exact decimal text; the driver converts it to the server's decimal.
    buffer.text = value.AsAmount().ToText();
    buffer.indicator = static_cast<SQLLEN>(buffer.text.size());
    rc = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, 19, 4, buffer.text.data(),
                          buffer.indicator, &buffer.indicator);
  } else {
    buffer.text = value.AsText();
    buffer.indicator = static_cast<SQLLEN>(buffer.text.size());
    rc = SQLBindParameter(statement, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_WVARCHAR,
                          std::max<SQLULEN>(1, buffer.text.size()), 0, buffer.text.data(), buffer.indicator,
                          &buffer.indicator);
  }
  Check(rc, SQL_HANDLE_STMT, statement);
}

tQV_Cell ReadCell(SQLHSTMT statement, SQLUSMALLINT column, tQV_CellKind kind) {
  tQV_Cell cell;
  std::string text;
  char buffer[4096];
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = SQLGetData(statement, column, SQL_C_CHAR, buffer, sizeof(buffer), &indicator);
    if (rc == SQL_NO_DATA) break;
    Check(rc, SQL_HANDLE_STMT, statement);
    if (indicator == SQL_NULL_DATA) return cell;
    // A part that did not fit fills the buffer but for its terminating zero.
    size_t part = (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof(buffer)))
                      ? sizeof(buffer) - 1
                      : static_cast<size_t>(indicator);
    text.append(buffer, part);
    if (rc == SQL_SUCCESS) break;
  }
  cell.kind = kind;
  cell.text = std::move(text);
  return cell;
}

void ReadResult(SQLHSTMT statement, SQLSMALLINT columns, tQV_ResultSet& result) {
  std::vector<tQV_CellKind> kinds;
  result.hasColumns = true;
  for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
    SQLCHAR name[512] = {};
    SQLSMALLINT name_length = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    Check(SQLDescribeCol(statement, c, name, sizeof(name), &name_length, &type, &size, &digits, &nullable),
          SQL_HANDLE_STMT, statement);
    result.columns.emplace_back(reinterpret_cast<const char*>(name));
    kinds.push_back(KindOfType(type));
  }
  for (;;) {
    SQLRETURN rc = SQLFetch(statement);
    if (rc == SQL_NO_DATA) break;
    Check(rc, SQL_HANDLE_STMT, statement);
    std::vector<tQV_Cell> row;
    row.reserve(kinds.size());
    for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c)
      row.push_back(ReadCell(statement, c, kinds[c - 1]));
    result.rows.push_back(std::move(row));
  }
}

}  // namespace

OdbcConnection::OdbcConnection(std::string aConnectionString) : fConnectionString(std::move(aConnectionString)) {}

OdbcConnection::~OdbcConnection() { Close(); }

void OdbcConnection::DoOpen() {
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
    throw Error("Unable to allocate an ODBC environment");
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLHDBC dbc = SQL_NULL_HDBC;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc))) {
    std::string message = Diagnostics(SQL_HANDLE_ENV, env);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw Error(message);
  }
  SQLCHAR out[1024];
  SQLSMALLINT out_length = 0;
  // Never a login prompt: there is nobody to answer it.
  SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(fConnectionString.data()),
                                  static_cast<SQLSMALLINT>(fConnectionString.size()), out, sizeof(out), &out_length,
                                  SQL_DRIVER_NOPROMPT);
  if (!SQL_SUCCEEDED(rc)) {
    std::string message = Diagnostics(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    throw Error(message);
  }
  fEnv = env;
  fDbc = dbc;
  SQLCHAR dbms[256] = {};
  SQLSMALLINT dbms_length = 0;
  if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_DBMS_NAME, dbms, sizeof(dbms), &dbms_length)))
    fDbmsName = reinterpret_cast<const char*>(dbms);
}

void OdbcConnection::DoClose() {
  if (fDbc != nullptr) {
    SQLDisconnect(static_cast<SQLHDBC>(fDbc));
    SQLFreeHandle(SQL_HANDLE_DBC, static_cast<SQLHDBC>(fDbc));
    fDbc = nullptr;
  }
  if (fEnv != nullptr) {
    SQLFreeHandle(SQL_HANDLE_ENV, static_cast<SQLHENV>(fEnv));
    fEnv = nullptr;
  }
}

// By the server's own name (SQL_DBMS_NAME), never by the settings: a connection string names a
// driver, and a driver may reach more than one kind of server.
const SqlDialect& OdbcConnection::DetectDialect() {
  std::string lower = fDbmsName;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (lower.find("sqlite") != std::string::npos) return SqliteDialect();
  if (lower.find("postgresql") != std::string::npos) return PostgresqlDialect();
  return SqlServerDialect();
}

tQV_ResultSet OdbcConnection::DoRun(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds) {
  tQV_BoundStatement bound = BindParameters(aSQL, aParams);
  StatementHandle statement;
  Check(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(fDbc), &statement.handle), SQL_HANDLE_DBC,
        static_cast<SQLHDBC>(fDbc));
  if (aTimeoutSeconds > 0)
    Check(SQLSetStmtAttr(statement.handle, SQL_ATTR_QUERY_TIMEOUT,
                         reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(aTimeoutSeconds)), 0),
          SQL_HANDLE_STMT, statement.handle);
  std::deque<ParameterBuffer> buffers;
  for (size_t i = 0; i < bound.values.size(); ++i)
    BindParameter(statement.handle, static_cast<SQLUSMALLINT>(i + 1), *bound.values[i], buffers);

  SQLRETURN rc = SQLExecDirect(statement.handle, reinterpret_cast<SQLCHAR*>(bound.sql.data()),
                               static_cast<SQLINTEGER>(bound.sql.size()));
  // SQL_NO_DATA: a first statement that touched no row; later statements may still follow.
  if (rc != SQL_NO_DATA) Check(rc, SQL_HANDLE_STMT, statement.handle);

  tQV_ResultSet result;
  fRowsAffected = 0;
  for (;;) {
    SQLSMALLINT columns = 0;
    Check(SQLNumResultCols(statement.handle, &columns), SQL_HANDLE_STMT, statement.handle);
    // As @@ROWCOUNT: the count of the batch's last statement that changed rows.
    if (columns == 0) {
      const int64_t count = RowCount(statement.handle);
      if (count >= 0) fRowsAffected = count;
    }
    if (columns > 0 && !result.hasColumns) ReadResult(statement.handle, columns, result);
    rc = SQLMoreResults(statement.handle);
    if (rc == SQL_NO_DATA) break;
    Check(rc, SQL_HANDLE_STMT, statement.handle);
  }
  return result;
}

}  // namespace dodu
