#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "base/message_type.h"
#include "db/confi_var.h"
#include "db/db_connection.h"
#include "db/sql_value.h"
#include "db/vendizio_dataset.h"
#include "db/vendizio_record_getter.h"

namespace dodu {

// The kinds of application lock and the code the lock table stores for each.
enum tQV_LockType { lt_Program, lt_Record, lt_Action, lt_Function };
std::string LockTypeCode(tQV_LockType aType);  // "PGM", "REC", "ACT", "FUN"; "???" otherwise

using tQV_LogHandler = std::function<void(tQV_MessageType aEntryType, const std::string& aMessage)>;

// The gateway to the store database: one connection, result sets and commands for SQL text,
// the store application's settings file, application locks and table-driven record reads.
//
// The engine is chosen before Connect: dbe_ODBC (the default) reaches SQL Server through the
// ODBC driver OdbcDriver() ("FreeTDS") with a connection string built from the four settings,
// or through OdbcConnectionString() as it stands when that is set; dbe_SQLite opens the file
// DbName() (created when missing). SQL Server's own statements (session, catalogue, transaction
// words) are replaced by SQLite equivalents whenever the server behind a connection is SQLite.
class tQV_VendizioProxy {
 public:
  static constexpr int kCommandTimeoutSeconds = 3600;

  tQV_VendizioProxy();
  // Releases the program lock when it was taken, and disconnects.
  ~tQV_VendizioProxy();
  tQV_VendizioProxy(const tQV_VendizioProxy&) = delete;
  tQV_VendizioProxy& operator=(const tQV_VendizioProxy&) = delete;

  // Reads the connection settings from vdz.ini, connects, and with aSingleInstance takes the
  // program lock. Errors of its own go to the user; the result is also Active().
  bool Init(bool aSingleInstance);
  // Never raises: on failure the message is in ConnectionError() and in the application log.
  bool Connect();
  // Probes the connection and reconnects once when the probe fails.
  bool CheckConnection();
  bool Disconnect();

  // Statements raise an error with the engine's message when they fail.
  std::unique_ptr<tQV_VendizioDataset> CreateDataset(const std::string& aSQL, const tQV_SQLParams& aParams = {});
  std::unique_ptr<tQV_VendizioDataset> CreateDatasetFromRes(const std::string& aResName,
                                                            const tQV_SQLParams& aParams = {});
  static void DestroyDataset(std::unique_ptr<tQV_VendizioDataset>& aDataset);
  bool ExecuteSQLCommand(const std::string& aSQL, const tQV_SQLParams& aParams = {});
  bool ExecuteSQLCommandFromRes(const std::string& aResName, const tQV_SQLParams& aParams = {});
  // The row count of the statement run just before.
  int64_t LastRowCount();
  bool TableExists(const std::string& aTableName);
  // Nothing happens for a table that does not exist.
  void DropTable(const std::string& aTableName);

  bool ApplicativeLock(tQV_LockType aType, const std::string& aName, int32_t aId);
  void ApplicativeUnlock(tQV_LockType aType, const std::string& aName, int32_t aId);

  void LoadSetup();
  std::string GetSetupValue(const std::string& aName) const;
  bool ExistsSetupValue(const std::string& aName) const;

  std::unique_ptr<tQV_VendizioDataset> Get(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues);
  bool Exists(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues);
  std::string Decode(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues);

  // Engine and connection. The engine and the ODBC settings take effect at the next Connect.
  tQV_DbEngine Engine() const { return fEngine; }
  void SetEngine(tQV_DbEngine aEngine) { fEngine = aEngine; }
  const std::string& OdbcDriver() const { return fOdbcDriver; }
  void SetOdbcDriver(const std::string& aDriver) { fOdbcDriver = aDriver; }
  const std::string& OdbcConnectionString() const { return fOdbcConnectionString; }
  void SetOdbcConnectionString(const std::string& aValue) { fOdbcConnectionString = aValue; }
  // The provider form of the four settings, the password masked, for logs.
  std::string ConnectionStringForLog() const;
  // The open connection's dialect; before Connect, the one the engine implies.
  const SqlDialect& Dialect() const;
  DbConnection* Connection() const { return fConnection.get(); }

  // Where user notices and log entries go: NotifyUser and the application log by default.
  void SetNotifyHandler(tQV_NotifyHandler aHandler) { fNotify = std::move(aHandler); }
  void SetLogHandler(tQV_LogHandler aHandler) { fLog = std::move(aHandler); }
  const tQV_NotifyHandler& NotifyHandler() const { return fNotify; }

  const std::string& User() const { return fUser; }
  void SetUser(const std::string& aValue) { fUser = aValue; }
  const std::string& ConnectionError() const { return fConnectionError; }
  const std::string& DataSource() const { return fDataSource; }
  void SetDataSource(const std::string& aValue) { fDataSource = aValue; }
  const std::string& DbName() const { return fDbName; }
  void SetDbName(const std::string& aValue) { fDbName = aValue; }
  const std::string& DBUserName() const { return fDBUserName; }
  void SetDBUserName(const std::string& aValue) { fDBUserName = aValue; }
  const std::string& DBUserPwd() const { return fDBUserPwd; }
  void SetDBUserPwd(const std::string& aValue) { fDBUserPwd = aValue; }
  const std::string& IniFileName() const { return fIniFileName; }
  bool Active() const { return fActive; }
  DateTime LoginDateTime() const { return fLoginDateTime; }
  bool SingleInstance() const { return fSingleInstance; }
  int32_t SqlPID() const { return fSQLPid; }
  const std::string& Nodo() const { return fNodo; }
  void SetNodo(const std::string& aValue) { fNodo = aValue; }
  const std::string& Environment() const { return fEnvironment; }
  bool TestEnvironment() const { return fTestEnvironment; }
  const std::string& RelaydeskLocale() const { return fRelaydeskLocale; }
  void SetRelaydeskLocale(const std::string& aValue) { fRelaydeskLocale = aValue; }
  const std::string& ApplicationName() const { return fApplicationName; }
  void SetApplicationName(const std::string& aValue) { fApplicationName = aValue; }
  const std::string& ForcedUser() const { return fForcedUser; }
  void SetForcedUser(const std::string& aValue) { fForcedUser = aValue; }

 private:
  std::unique_ptr<DbConnection> NewConnection() const;
  tQV_ResultSet Run(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds);
  void Log(tQV_MessageType aEntryType, const std::string& aMessage) const;

  std::string fUser;
  std::unique_ptr<DbConnection> fConnection;
  std::string fConnectionError;
  std::string fDataSource;
  std::string fDbName;
  std::string fDBUserName;
  std::string fDBUserPwd;
  std::string fIniFileName;
  bool fActive = false;
  DateTime fLoginDateTime;
  bool fSingleInstance = false;
  bool fProgramLocked = false;  // Init took the program lock; only then does Destroy release it
  int32_t fSQLPid = 0;
  std::vector<std::string> fSetup;
  std::string fNodo;
  std::string fEnvironment;
  bool fTestEnvironment = false;
  std::map<std::string, std::unique_ptr<tQV_ConfiVar>> fConfiVars;
  std::unique_ptr<tQV_VendizioRecordGetter> fGetter;
  std::vector<std::string> fTabelParameters;
  std::string fRelaydeskLocale;
  std::string fApplicationName;
  std::string fForcedUser;

  tQV_DbEngine fEngine = dbe_ODBC;
  std::string fOdbcDriver = "FreeTDS";
  std::string fOdbcConnectionString;
  tQV_NotifyHandler fNotify;
  tQV_LogHandler fLog;
};

}  // namespace dodu
