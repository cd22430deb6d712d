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

// 10 to the power n in its shortest decimal form: 1, 10, 100 ...
std::string PowerOfTen(int n) { return "1" + std::string(static_cast<size_t>(n < 0 ? 0 : n), '0'); }

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

  std::string ConfigValueExpression(const std::string& aUserLiteral, const std::string& aNameLiteral) const override {
    return "dbo.fn_Cfg(" + aUserLiteral + "," + "''" + "," + aNameLiteral + ")";
  }
  std::string ConcatOperator() const override { return "+"; }
  std::string TemporaryTable(const std::string& aName) const override { return "#" + aName; }

  std::string DecodeTabelStatement(const std::vector<tQV_TabelField>& aLayout, const std::string& aTbTab,
                                   const std::string& aTarget) const override {
    std::string sql = "SELECT Pkey,CONVERT(VARCHAR(1),'') AS ANNULLATO,";
    for (const tQV_TabelField& field : aLayout) {
      const std::string part = "SUBSTRING(" + field.source + "," + std::to_string(field.position) + "," +
                               std::to_string(field.length) + ")";
      if (field.type == "C") {
        sql += field.name + "=" + part + ",";
      } else if (field.type == "N") {
        sql += field.name + "=convert(decimal(" + std::to_string(field.length + 5) + "," +
               std::to_string(field.decimals) + "),'0'+" + part + ")" + "/" + PowerOfTen(field.decimals) + ",";
      } else if (field.type == "D") {
        sql += field.name + "=Case " + part + " WHEN '00000000' THEN Convert(DateTime,'18991230')" +
               " WHEN ''         THEN Convert(DateTime,'18991230')" + "                   ELSE Convert(DateTime," +
               part + ") END,";
      }
    }
    sql.pop_back();
    return sql + " into " + aTarget + " from TABEL00F where ISNULL(ANNULLATO,'')<>'S' and tbtab=" + SqlQuoted(aTbTab);
  }

  std::string TableColumnsStatement(const std::string& aTableName) const override {
    return "select name from sys.columns where object_id=object_id(" + SqlQuoted(aTableName) + ") order by column_id";
  }

  std::string NextInternalNumberStatement() const override {
    return "declare @Number decimal(9,0)\r\nupdate NUMER00F set @Number=NMPRG=NMPRG+1 \r\nIF @@ROWCOUNT=0\r\n"
           "BEGIN\r\n  INSERT NUMER00F (NMPRG) values(1)\r\n  SET @Number=1\r\nEND\r\nSELECT @Number as Number\r\n";
  }
};

}  // namespace

const SqlDialect& SqlServerDialect() {
  // Never destroyed: connections may still close through it after static destruction at exit.
  static NoDestructor<const SqlServer> dialect;
  return *dialect;
}

}  // namespace dodu
