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
#include "db/gfmov.h"
#include "db/sql_value.h"
#include "db/vendizio_dataset.h"
#include "db/vendizio_record_getter.h"

namespace dodu {

// The kinds of application lock and the code the lock table stores for each.
enum tQV_LockType { lt_Program, lt_Record, lt_Action, lt_Function };
std::string LockTypeCode(tQV_LockType aType);  // "PGM", "REC", "ACT", "FUN"; "???" otherwise

// The two numbering columns of a store's document numbering.
enum tQV_DocumentNumberingType { ntDoc1, ntDoc2 };

using tQV_Datasets = std::vector<std::unique_ptr<tQV_VendizioDataset>>;

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

  // Configuration variables of the store application, cached by their lower-case name; a cached
  // one is read again only with aRefreshValue. The value is a text, an Amount or a DateTime by
  // the variable's type. Raises "<name> not found in ELCFG01F nor in ELCFG00F.".
  tQV_Variant GetConfiVar(const std::string& aVarName, bool aRefreshValue = false);
  // The variable as a text (numbers in plain decimal, dates as yyyy-mm-dd), or as a whole number
  // (0 when its text is no number).
  std::string GetConfiVarText(const std::string& aVarName);
  int64_t GetConfiVarInteger(const std::string& aVarName);

  // Coded tables: the rows of TABEL00F of one code, decoded by their layout into the temporary
  // table "#" + code, which lives as long as the connection. A code, or a name in its layout,
  // that is not a plain name (CheckSqlIdentifier) is refused before any statement is built.
  std::string DecodeTabel(const std::string& aTbTab);
  // The decoded rows with the given values of the code's key columns (at least one value).
  std::unique_ptr<tQV_VendizioDataset> GetTabel(const std::string& aTbTab, const tQV_KeyValues& aKeyValues);
  bool ExistsTabel(const std::string& aTbTab, const tQV_KeyValues& aKeyValues);

  // Small look-ups.
  std::string GetNodo();
  // The lines name=value of Cfg_ParAddGPCsh, and the value of one of them (names in any case).
  std::vector<std::string> GetAdditionalParams();
  std::string GetAdditionalParam(const std::string& aParamName);
  bool ExistsInBasket(const std::string& aItem, const std::string& aItemType, const std::string& aBasketCode);
  // The table's column names, lower-cased, in column order.
  std::vector<std::string> GetFieldNames(tQV_VdzTable aTable);

  // Numbering.
  int32_t AssignDocumentNumber(const std::string& aDocType);
  int32_t AssignDocumentNumberPO(const std::string& aNodo, const std::string& aPeriod);
  int32_t AssignInternalNumber();
  // Raises "Unable to get new document number [<type>]" when three attempts give nothing.
  int32_t GetNextNumber(const std::string& aDocType, const std::string& aDocPeriod, const std::string& aStore,
                        bool aZeroBased);
  // The next free code of the customer ("C") or supplier (any other type) range; "" when the
  // range has no minimum.
  std::string GetNextCustomerSupplierCode(char aType);

  // Store data.
  std::string GetDocumentSerie(const std::string& aStore, const std::string& aDocumentType);
  std::string GetDocumentStoreNumbering(const std::string& aStore, const std::string& aDocumentType,
                                        tQV_DocumentNumberingType aNumberingType);
  DateTime GetLimitTransactionDate(const std::string& aStore);
  // 13 digits: the prefix, the internal number and the GS1 check digit; "" without a prefix.
  std::string GetReceiptBarcode();
  std::string GetFidelityCard(const std::string& aCustomer);

  // VAT arithmetic on the rate of the coded table ALIV.
  Amount RemoveVAT(Amount aValue, const std::string& aVATCode);
  Amount IncludeVAT(Amount aValue, const std::string& aVATCode);
  Amount GrossMargin(Amount aCost, Amount aPrice, bool aVATIncluded, const std::string& aVatCode);

  // Generic writes through the table map, from lines name=value; every value goes as a text.
  bool InsertRecord(tQV_VdzTable aTable, const std::vector<std::string>& aFieldList);
  bool UpdateRecord(tQV_VdzTable aTable, const std::vector<std::string>& aFieldList, const tQV_KeyValues& aKeyValues);

  // Annotation texts (tbcoa00f). With flags, line 0 is the six flags each followed by "|".
  void TBCOA_Load(const std::string& aType, const std::string& aKeyValue, std::vector<std::string>& aText,
                  bool aAddFlags);
  // Writes the text (line 0 the flags) and returns the key: the one made when aKeyValue is empty.
  std::string TBCOA_Write(const std::string& aType, const std::string& aKeyValue, const std::vector<std::string>& aText);
  void TBCOA_Delete(const std::string& aType, const std::string& aKeyValue, int32_t aStartLine);

  bool IsProgramRunning(const std::string& aProgramName);
  static std::string NormalizeString(const std::string& aString);

  // Numbers and stores the movement, then announces it to the information service.
  bool AddGFMOV(kGFMOV& aGFMOV);
  // The announcing half of AddGFMOV, with its retries: whether the service answered Status 1.
  bool AnnounceGFMOV(const kGFMOV& aGFMOV);
  // One request to the store's information service; output lines name=value, and the answer's
  // recordsets as datasets when aObjList is given.
  bool GetInfoFromService(const std::string& aServiceName, const std::string& aUserName,
                          const std::string& aUserPassword, const std::string& aEnvironment,
                          const std::vector<std::string>& aInputPars, std::vector<std::string>& aOutputPars,
                          tQV_Datasets* aObjList, DateTime& aSvrTime);

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
  // A driver's message without the connection's password, which a driver may repeat.
  std::string WithoutPasswords(const std::string& aMessage) const;
  // The layout rows of a code in sequence order; with aDecodedOnly those with a sequence above 0.
  std::vector<tQV_TabelField> TabelLayout(const std::string& aTbTab, bool aDecodedOnly);
  Amount VATRate(const std::string& aVATCode);
  std::unique_ptr<tQV_VendizioDataset> StoreRow(const std::string& aStore);

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
