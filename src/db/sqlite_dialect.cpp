#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <mutex>
#include <set>
#include <string>

#include "base/no_destructor.h"
#include "base/conversions.h"
#include "db/db_connection.h"
#include "db/sql_dialect.h"
#include "platform/local_time.h"
#include "platform/process.h"

namespace dodu {

namespace {

constexpr double kMsPerDay = 86400000.0;

int64_t ToMs(DateTime value) { return std::llround(value.value * kMsPerDay); }

// Sessions of this process that are open now, by their start time in milliseconds. Start times
// are made unique, so two connections of one process are never taken for one session.
std::mutex g_sessions_mutex;
// Never destroyed: a connection may close at library unload, after static destruction at exit.
// Empty once every connection has closed, so it holds no memory then.
NoDestructor<std::set<int64_t>> g_sessions_storage;
std::set<int64_t>& g_sessions = *g_sessions_storage;
int64_t g_last_start = 0;

// The transaction words of a statement in upper case, single-blank separated, without a final
// ";"; empty as soon as the text cannot be one (more than two words, or a longer word), so a
// long insert is not read to its end.
std::string TransactionWords(const std::string& sql) {
  constexpr size_t kLongestWord = 11;  // TRANSACTION
  std::string out;
  size_t words = 0, length = 0;
  bool ended = false;
  for (char c : sql) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ';') {
      ended = ended || c == ';';
      length = 0;
      continue;
    }
    if (ended) return std::string();
    if (length == 0) {
      if (++words > 2) return std::string();
      if (!out.empty()) out += ' ';
    }
    if (++length > kLongestWord) return std::string();
    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

// The local date-time at which a process started.
bool ProcessStartDateTime(int pid, DateTime& out) {
  std::time_t start = 0;
  if (!ProcessStartTime(pid, start)) return false;
  const std::tm local = LocalTimeOf(start);
  return TryEncodeDateTime({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                            local.tm_sec, 0},
                           out);
}

// Whether another process that began a session at the given time is still running. A process
// that started after that time only reuses the id of the one that took the lock.
bool OtherProcessAlive(int pid, DateTime session_start) {
  if (pid <= 0) return false;
  if (ProcessIsGone(pid)) return false;
  DateTime started;
  try {
    if (!ProcessStartDateTime(pid, started)) return true;  // cannot tell: take it as the holder
  } catch (...) {
    return true;
  }
  return ToMs(started) <= ToMs(session_start) + 2000;  // the kernel keeps whole seconds
}

class Sqlite final : public SqlDialect {
 public:
  tQV_SqlDialectKind Kind() const override { return tQV_SqlDialectKind::SQLite; }

  // The T-SQL transaction words as whole statements. BEGIN IMMEDIATE takes the write lock at
  // once, so two writers queue at the start instead of failing at their first write.
  std::string TranslateStatement(const std::string& aSQL) const override {
    const std::string words = TransactionWords(aSQL);
    if (words == "BEGIN TRAN" || words == "BEGIN TRANSACTION") return "BEGIN IMMEDIATE";
    if (words == "COMMIT" || words == "COMMIT TRAN" || words == "COMMIT TRANSACTION") return "COMMIT";
    if (words == "ROLLBACK" || words == "ROLLBACK TRAN" || words == "ROLLBACK TRANSACTION") return "ROLLBACK";
    return aSQL;
  }

  DateTime BeginSession() const override {
    std::lock_guard<std::mutex> lock(g_sessions_mutex);
    int64_t start = std::max(ToMs(Now()), g_last_start + 1);
    g_last_start = start;
    g_sessions.insert(start);
    return DateTime(static_cast<double>(start) / kMsPerDay);
  }

  void EndSession(DateTime aStart) const override {
    std::lock_guard<std::mutex> lock(g_sessions_mutex);
    g_sessions.erase(ToMs(aStart));
  }

  // The session id is the process id; the session's start time tells connections apart.
  tQV_SessionInfo ReadSession(DbConnection& aConnection) const override {
    tQV_SessionInfo info;
    info.known = true;
    info.spid = static_cast<int32_t>(CurrentProcessId());
    info.loginTime = aConnection.SessionStart();
    return info;
  }

  bool IsSessionAlive(DbConnection&, int32_t aSpid, DateTime aLoginTime) const override {
    if (aSpid == static_cast<int32_t>(CurrentProcessId())) {
      std::lock_guard<std::mutex> lock(g_sessions_mutex);
      return g_sessions.count(ToMs(aLoginTime)) > 0;
    }
    return OtherProcessAlive(aSpid, aLoginTime);
  }

  std::string SessionIdExpression(DbConnection&) const override { return std::to_string(CurrentProcessId()); }
  std::string ProbeStatement() const override { return "select sqlite_version()"; }

  // Names beginning with "#" are temporary tables, as on SQL Server.
  std::string TableExistsStatement(const std::string& aTableName) const override {
    const char* catalogue = aTableName.rfind('#', 0) == 0 ? "sqlite_temp_master" : "sqlite_master";
    return std::string("select case when exists(select 1 from ") + catalogue +
           " where type in ('table','view') and name=" + SqlQuoted(aTableName) +
           " collate nocase) then 1 else 0 end as Value";
  }

  std::string DropTableStatement(const std::string& aTableName) const override {
    std::string quoted = "\"";
    for (char c : aTableName) {
      quoted += c;
      if (c == '"') quoted += '"';
    }
    quoted += "\"";
    return "drop table if exists " + std::string(aTableName.rfind('#', 0) == 0 ? "temp." : "") + quoted;
  }

  std::string LastRowCountStatement() const override { return "select changes() as RecordsAffected"; }
  std::string InsertVerb() const override { return "insert into "; }
  std::string DeleteVerb() const override { return "DELETE FROM "; }
  std::string NotDeletedCondition() const override { return "ifnull(annullato,'')<>'S' "; }

  // The embedded store has no server function: a variable's value is the ecval column of its
  // row, the user's own table first, and "" for a variable that is not there.
  std::string ConfigValueExpression(const std::string&, const std::string& aNameLiteral) const override {
    return "coalesce((select ecval from elcfg01f where ecvar=" + aNameLiteral + " and " + NotDeletedCondition() +
           "),(select ecval from elcfg00f where ecvar=" + aNameLiteral + " and " + NotDeletedCondition() + "),'')";
  }
  std::string ConcatOperator() const override { return "||"; }
  std::string TemporaryTable(const std::string& aName) const override { return "temp." + Quoted("#" + aName); }

  std::string DecodeTabelStatement(const std::vector<tQV_TabelField>& aLayout, const std::string& aTbTab,
                                   const std::string& aTarget) const override {
    std::string sql = "create table " + aTarget + " as select Pkey,'' as ANNULLATO";
    for (const tQV_TabelField& field : aLayout) {
      const std::string part = "substr(" + Quoted(field.source) + "," + std::to_string(field.position) + "," +
                               std::to_string(field.length) + ")";
      if (field.type == "C") {
        sql += "," + part + " as " + Quoted(field.name);
      } else if (field.type == "N") {
        const std::string whole = "cast('0'||" + part + " as integer)";
        sql += "," + (field.decimals > 0 ? whole + "/1" + std::string(static_cast<size_t>(field.decimals), '0') + ".0"
                                         : whole) +
               " as " + Quoted(field.name);
      } else if (field.type == "D") {
        const auto piece = [&](int offset, int length) {
          return "substr(" + Quoted(field.source) + "," + std::to_string(field.position + offset) + "," +
                 std::to_string(length) + ")";
        };
        sql += ",case when trim(" + part + ") in ('','00000000') then '1899-12-30' else " + piece(0, 4) + "||'-'||" +
               piece(4, 2) + "||'-'||" + piece(6, 2) + " end as " + Quoted(field.name);
      }
    }
    return sql + " from TABEL00F where ifnull(ANNULLATO,'')<>'S' and tbtab=" + SqlQuoted(aTbTab);
  }

  std::string TableColumnsStatement(const std::string& aTableName) const override {
    return "select name from pragma_table_info(" + SqlQuoted(aTableName) + ") order by cid";
  }

  // One statement (the ODBC driver takes no more): the counter is the row with rowid 1, made at
  // first use, and the new value comes back.
  std::string NextInternalNumberStatement() const override {
    return "insert into NUMER00F (rowid,NMPRG) values (1,1) on conflict(rowid) do update set NMPRG=NMPRG+1 "
           "returning NMPRG as Number";
  }

 private:
  static std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
      quoted += c;
      if (c == '"') quoted += '"';
    }
    return quoted + "\"";
  }
};

}  // namespace

const SqlDialect& SqliteDialect() {
  // Never destroyed: connections may still close through it after static destruction at exit.
  static NoDestructor<const Sqlite> dialect;
  return *dialect;
}

}  // namespace dodu
