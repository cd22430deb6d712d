#include <string>

#include "base/no_destructor.h"
#include "base/conversions.h"
#include "db/db_connection.h"
#include "db/sql_dialect.h"
#include "db/vendizio_dataset.h"

namespace dodu {

namespace {

constexpr int kCommandTimeoutSeconds = 3600;

// "[name]", with a closing bracket inside the name doubled.
std::string Bracketed(const std::string& name) {
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  return out + "]";
}

// The object name that object_id() is asked about, with temporary tables looked up in tempdb;
// quotes are doubled because it is written inside a quoted literal.
std::string ObjectName(const std::string& table) {
  std::string bracketed = Bracketed(table);
  if (bracketed.rfind("[#", 0) == 0) bracketed = "tempdb.." + bracketed;
  std::string out;
  for (char c : bracketed) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out;
}

class SqlServer final : public SqlDialect {
 public:
  tQV_SqlDialectKind Kind() const override { return tQV_SqlDialectKind::SqlServer; }

  DateTime BeginSession() const override { return Now(); }
  void EndSession(DateTime) const override {}

  tQV_SessionInfo ReadSession(DbConnection& aConnection) const override {
    tQV_VendizioDataset dataset(aConnection.Run("select login_time,spid from master..sysprocesses where spid=@@spid",
                                                {}, kCommandTimeoutSeconds));
    tQV_SessionInfo info;
    if (dataset.Eof()) return info;
    info.known = true;
    info.loginTime = dataset.FieldByName("login_time").AsDateTime();
    info.spid = static_cast<int32_t>(dataset.FieldByName("spid").AsInteger());
    return info;
  }

  bool IsSessionAlive(DbConnection& aConnection, int32_t aSpid, DateTime aLoginTime) const override {
    tQV_VendizioDataset dataset(aConnection.Run("select spid from master..sysprocesses where spid=" +
                                                    std::to_string(aSpid) + " and " +
                                                    "login_time=" + SqlDateTimeText(true, aLoginTime),
                                                {}, kCommandTimeoutSeconds));
    return !dataset.Eof();
  }

  std::string SessionIdExpression(DbConnection&) const override { return "@@SPID"; }
  std::string ProbeStatement() const override { return "SELECT @@SERVERNAME"; }

  std::string TableExistsStatement(const std::string& aTableName) const override {
    return "select case when object_id('" + ObjectName(aTableName) + "') is null then 0 else 1 end as Value";
  }

  std::string DropTableStatement(const std::string& aTableName) const override {
    return "if not object_id('" + ObjectName(aTableName) + "') is null" + "\r\n" + "drop table " +
           Bracketed(aTableName);
  }

  std::string LastRowCountStatement() const override { return "select @@rowcount as RecordsAffected"; }
  std::string InsertVerb() const override { return "insert "; }
  std::string DeleteVerb() const override { return "DELETE "; }
  std::string NotDeletedCondition() const override { return "isnull(annullato,'')<>'S' "; }
};

}  // namespace

const SqlDialect& SqlServerDialect() {
  // Never destroyed: connections may still close through it after static destruction at exit.
  static NoDestructor<const SqlServer> dialect;
  return *dialect;
}

}  // namespace dodu
