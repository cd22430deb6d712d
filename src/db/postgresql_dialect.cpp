#include <cctype>
#include <string>

#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/error.h"
#include "base/no_destructor.h"
#include "db/db_connection.h"
#include "db/sql_dialect.h"
#include "db/vendizio_dataset.h"

namespace dodu {

namespace {

constexpr int kCommandTimeoutSeconds = 3600;

// "name" with double quotes doubled.
std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

// The server folds unquoted names to lower case, so a table the schema created as Receipts is
// "receipts"; "#" names are the temporary tables this dialect creates quoted as written.
std::string RelationName(const std::string& table) {
  if (table.rfind('#', 0) == 0) return "pg_temp." + Quoted(table);
  return Quoted(AsciiLower(table));
}

// The statement's leading words in upper case, single-blank separated; empty for a text that is
// longer than any transaction word pair.
std::string LeadingWords(const std::string& sql) {
  if (sql.size() > 32) return {};
  std::string out;
  bool blank = false;
  for (char c : sql) {
    if (c == ';') break;
    if (std::isspace(static_cast<unsigned char>(c))) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

bool StartsWithWord(const std::string& sql, const char* word) {
  size_t start = sql.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return false;
  const std::string w = word;
  if (sql.size() < start + w.size()) return false;
  if (AsciiLower(sql.substr(start, w.size())) != w) return false;
  return sql.size() == start + w.size() || std::isspace(static_cast<unsigned char>(sql[start + w.size()]));
}

class Postgresql final : public SqlDialect {
 public:
  tQV_SqlDialectKind Kind() const override { return tQV_SqlDialectKind::PostgreSQL; }

  // "BEGIN TRAN", "COMMIT TRAN" and "ROLLBACK TRAN" are T-SQL's; the server knows the rest of the
  // transaction words. The store application's procedures and T-SQL batches do not exist here:
  // they are refused with the reason instead of the server's syntax error.
  std::string TranslateStatement(const std::string& aSQL) const override {
    const std::string words = LeadingWords(aSQL);
    if (words == "BEGIN TRAN") return "BEGIN";
    if (words == "COMMIT TRAN") return "COMMIT";
    if (words == "ROLLBACK TRAN") return "ROLLBACK";
    if (StartsWithWord(aSQL, "declare") || StartsWithWord(aSQL, "exec") ||
        AsciiLower(aSQL).find("master..sysprocesses") != std::string::npos) {
      const size_t end = aSQL.find_first_of("\r\n");
      throw Error("Not available on PostgreSQL: the statement needs SQL Server and the store application's "
                  "procedures [" + aSQL.substr(0, end == std::string::npos ? aSQL.size() : end) + "]");
    }
    return aSQL;
  }

  DateTime BeginSession() const override { return Now(); }
  void EndSession(DateTime) const override {}

  // The backend's process id and start time, to the millisecond (the precision lock rows keep).
  tQV_SessionInfo ReadSession(DbConnection& aConnection) const override {
    tQV_VendizioDataset dataset(aConnection.Run(
        "select to_char(backend_start,'YYYY-MM-DD HH24:MI:SS.MS') as login_time,pid as spid from pg_stat_activity "
        "where pid=pg_backend_pid()",
        {}, kCommandTimeoutSeconds));
    tQV_SessionInfo info;
    if (dataset.Eof()) return info;
    info.known = true;
    info.loginTime = dataset.FieldByName("login_time").AsDateTime();
    info.spid = static_cast<int32_t>(dataset.FieldByName("spid").AsInteger());
    return info;
  }

  bool IsSessionAlive(DbConnection& aConnection, int32_t aSpid, DateTime aLoginTime) const override {
    const std::string login = FormatDateTime("yyyy'-'mm'-'dd' 'hh':'nn':'ss'.'zzz", aLoginTime);
    tQV_VendizioDataset dataset(aConnection.Run(
        "select pid from pg_stat_activity where pid=" + std::to_string(aSpid) +
            " and to_char(backend_start,'YYYY-MM-DD HH24:MI:SS.MS')=" + SqlQuoted(login),
        {}, kCommandTimeoutSeconds));
    return !dataset.Eof();
  }

  std::string SessionIdExpression(DbConnection&) const override { return "pg_backend_pid()"; }
  std::string ProbeStatement() const override { return "select version()"; }

  std::string TableExistsStatement(const std::string& aTableName) const override {
    return "select case when to_regclass(" + SqlQuoted(RelationName(aTableName)) +
           ") is null then 0 else 1 end as Value";
  }

  std::string DropTableStatement(const std::string& aTableName) const override {
    return "drop table if exists " + RelationName(aTableName);
  }

  // The engine's SQLRowCount of the statement before.
  std::string LastRowCountStatement() const override { return {}; }
  std::string InsertVerb() const override { return "insert into "; }
  std::string DeleteVerb() const override { return "DELETE FROM "; }
  std::string NotDeletedCondition() const override { return "coalesce(annullato,'')<>'S' "; }

  // No server function: as on the embedded store, a variable's value is the ecval column of its
  // row, the user's own table first, and "" for a variable that is not there.
  std::string ConfigValueExpression(const std::string&, const std::string& aNameLiteral) const override {
    return "coalesce((select ecval from elcfg01f where lower(ecvar)=lower(" + aNameLiteral + ") and " +
           NotDeletedCondition() + "limit 1),(select ecval from elcfg00f where lower(ecvar)=lower(" + aNameLiteral +
           ") and " + NotDeletedCondition() + "limit 1),'')";
  }
  std::string ConcatOperator() const override { return "||"; }
  std::string TemporaryTable(const std::string& aName) const override { return RelationName("#" + aName); }

  // Decoded columns are named in lower case, the form unquoted names in later statements take.
  std::string DecodeTabelStatement(const std::vector<tQV_TabelField>& aLayout, const std::string& aTbTab,
                                   const std::string& aTarget) const override {
    const std::string target = aTarget.rfind("pg_temp.", 0) == 0 ? aTarget.substr(8) : aTarget;
    std::string sql = "create temporary table " + target + " as select pkey,''::varchar(1) as annullato";
    for (const tQV_TabelField& field : aLayout) {
      const std::string source = Quoted(AsciiLower(field.source));
      const std::string part = "substr(" + source + "," + std::to_string(field.position) + "," +
                               std::to_string(field.length) + ")";
      const std::string name = Quoted(AsciiLower(field.name));
      if (field.type == "C") {
        sql += "," + part + " as " + name;
      } else if (field.type == "N") {
        // As SQL Server's decimal(length+5,decimals): the value with its own decimals and no more.
        const std::string type = "numeric(" + std::to_string(field.length + 5) + "," + std::to_string(field.decimals) + ")";
        sql += ",cast(cast('0'||trim(" + part + ") as numeric)" +
               (field.decimals > 0 ? "/1" + std::string(static_cast<size_t>(field.decimals), '0') : std::string()) +
               " as " + type + ") as " + name;
      } else if (field.type == "D") {
        sql += ",case when trim(" + part + ") in ('','00000000') then date '1899-12-30' else to_date(" + part +
               ",'YYYYMMDD') end as " + name;
      }
    }
    return sql + " from tabel00f where coalesce(annullato,'')<>'S' and tbtab=" + SqlQuoted(aTbTab);
  }

  std::string TableColumnsStatement(const std::string& aTableName) const override {
    return "select attname as name from pg_attribute where attrelid=to_regclass(" +
           SqlQuoted(RelationName(aTableName)) + ") and attnum>0 and not attisdropped order by attnum";
  }

  // One statement: the counter row is made at first use; the new value comes back.
  std::string NextInternalNumberStatement() const override {
    return "with bumped as (update numer00f set nmprg=nmprg+1 returning nmprg), "
           "made as (insert into numer00f (nmprg) select 1 where not exists (select 1 from bumped) returning nmprg) "
           "select nmprg as Number from bumped union all select nmprg from made";
  }
};

}  // namespace

const SqlDialect& PostgresqlDialect() {
  // Never destroyed: connections may still close through it after static destruction at exit.
  static NoDestructor<const Postgresql> dialect;
  return *dialect;
}

}  // namespace dodu
