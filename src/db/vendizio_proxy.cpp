#include "db/vendizio_proxy.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iostream>

#include "base/application.h"
#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/error.h"
#include "db/connection_string.h"
#include "db/ini_file.h"
#include "platform/files.h"
#include "platform/process.h"

namespace dodu {

namespace {

// A lock whose row vanished or whose holder had gone is tried again; a row that keeps coming
// back without a live holder ends the attempts with the insert's error.
constexpr int kLockAttempts = 5;

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}


// Lock time stamps travel through text with milliseconds, so they compare to the millisecond.
bool SameInstant(DateTime a, DateTime b) {
  return std::llround(a.value * 86400000.0) == std::llround(b.value * 86400000.0);
}

std::string LockInUseText(tQV_LockType type) {
  switch (type) {
    case lt_Program:
    case lt_Action:
      return "Programma già in uso\r\n";
    case lt_Record:
      return "Record già in uso\r\n";
    case lt_Function:
      return "Funzione già in uso\r\n";
  }
  return {};
}

}  // namespace

std::string LockTypeCode(tQV_LockType aType) {
  switch (aType) {
    case lt_Program:
      return "PGM";
    case lt_Record:
      return "REC";
    case lt_Action:
      return "ACT";
    case lt_Function:
      return "FUN";
  }
  return "???";
}

tQV_VendizioProxy::tQV_VendizioProxy()
    : fGetter(std::make_unique<tQV_VendizioRecordGetter>(*this)),
      fNotify([](int32_t aKind, const std::string& aText) { dodu::NotifyUser(aKind, aText); }) {}

tQV_VendizioProxy::~tQV_VendizioProxy() {
  if (fConnection && fConnection->IsOpen()) {
    try {
      if (fSingleInstance && fProgramLocked) ApplicativeUnlock(lt_Program, ExeBaseName(), 0);
    } catch (const std::exception& e) {
      Log(let_error, e.what());
    }
    Disconnect();
  }
}

void tQV_VendizioProxy::Log(tQV_MessageType aEntryType, const std::string& aMessage) const {
  if (fLog) {
    fLog(aEntryType, aMessage);
  } else if (gApplication != nullptr) {
    gApplication->Log(aEntryType, aMessage);
  } else if (aEntryType == let_error) {
    std::cerr << aMessage << std::endl;
  }
}

// ---- connection ---------------------------------------------------------------------------

bool tQV_VendizioProxy::Init(bool aSingleInstance) {
  fSingleInstance = aSingleInstance;
  fTestEnvironment = false;
  fUser = GetParamValue("/U");
  if (fUser.empty()) fUser = UserName();
  if (!fForcedUser.empty()) fUser = fForcedUser;

  bool result = false;
  std::string file = WindowsDirectory() + "vdz.ini";
  if (!FileExists(file)) file = ExePath() + "vdz.ini";
  if (!FileExists(file)) {
    fNotify(1, "vdz.ini file non found.");
  } else {
    fIniFileName = file;
    fEnvironment = GetEnvironmentName(file);
    tQV_IniFile ini(file);
    if (!ini.SectionExists(fEnvironment)) {
      fNotify(1, "Environment " + fEnvironment + " non esistente");
    } else {
      const std::string suffix = FindParam("/LOC", true).empty() ? "" : "Local";
      fDataSource = ini.ReadString(fEnvironment, "Cfg_DataSource" + suffix, "");
      fDbName = ini.ReadString(fEnvironment, "Cfg_DbName" + suffix, "");
      fDBUserName = ini.ReadString(fEnvironment, "Cfg_UserName" + suffix, "");
      fDBUserPwd = ini.ReadString(fEnvironment, "Cfg_UserPwd" + suffix, "");
      fTestEnvironment = AsciiLower(ini.ReadString(fEnvironment, "Cfg_EnvType", "")) == "test";
      LoadSetup();
      result = Connect();
    }
  }
  if (result && aSingleInstance) result = fProgramLocked = ApplicativeLock(lt_Program, ExeBaseName(), 0);
  fActive = result;
  return result;
}

std::unique_ptr<DbConnection> tQV_VendizioProxy::NewConnection() const {
  if (fEngine == dbe_SQLite) return CreateDbConnection(dbe_SQLite, fDbName);
  if (!fOdbcConnectionString.empty()) return CreateDbConnection(dbe_ODBC, fOdbcConnectionString);
  return CreateDbConnection(dbe_ODBC, dodu::OdbcConnectionString(fOdbcDriver, fDataSource, fDbName, fDBUserName,
                                                                 fDBUserPwd, fApplicationName));
}

bool tQV_VendizioProxy::Connect() {
  fConnectionError.clear();
  try {
    if (fConnection) fConnection->Close();
    fConnection = NewConnection();
    fConnection->Open();
    tQV_SessionInfo session = fConnection->Dialect().ReadSession(*fConnection);
    if (session.known) {
      fLoginDateTime = session.loginTime;
      fSQLPid = session.spid;
    }
  } catch (const std::exception& e) {
    fConnectionError = WithoutPasswords(e.what());
    Log(let_error, "Connect:" + fConnectionError);
  }
  return fConnection && fConnection->IsOpen();
}

bool tQV_VendizioProxy::CheckConnection() {
  try {
    CreateDataset(Dialect().ProbeStatement());
    return true;
  } catch (const std::exception& e) {
    Log(let_info, "Database Connection Error: retry " + WithoutPasswords(e.what()));
  }
  try {
    if (!fConnection) fConnection = NewConnection();
    fConnection->Close();
    fConnection->Open();
    return true;
  } catch (const std::exception& e) {
    Log(let_error, WithoutPasswords(e.what()));
    return false;
  }
}

bool tQV_VendizioProxy::Disconnect() {
  if (fConnection) fConnection->Close();
  return !fConnection || !fConnection->IsOpen();
}

std::string tQV_VendizioProxy::ConnectionStringForLog() const {
  if (fEngine == dbe_SQLite) return "SQLite:" + fDbName;
  if (!fOdbcConnectionString.empty()) return MaskedConnectionString(fOdbcConnectionString);
  // The password never enters the text, so no reading of the text can let it out.
  return ProviderConnectionString(fDataSource, fDbName, fDBUserName, "***");
}

std::string tQV_VendizioProxy::WithoutPasswords(const std::string& aMessage) const {
  std::vector<std::string> secrets = ConnectionStringPasswords(fOdbcConnectionString);
  secrets.push_back(fDBUserPwd);
  secrets.push_back(OdbcAttributeValue(fDBUserPwd));
  return WithoutSecrets(aMessage, secrets);
}

const SqlDialect& tQV_VendizioProxy::Dialect() const {
  if (fConnection && fConnection->IsOpen()) return fConnection->Dialect();
  return fEngine == dbe_SQLite ? SqliteDialect() : SqlServerDialect();
}

// ---- statements ---------------------------------------------------------------------------

tQV_ResultSet tQV_VendizioProxy::Run(const std::string& aSQL, const tQV_SQLParams& aParams, int aTimeoutSeconds) {
  if (!fConnection) throw Error("Connection is not open");
  return fConnection->Run(aSQL, aParams, aTimeoutSeconds);
}

std::unique_ptr<tQV_VendizioDataset> tQV_VendizioProxy::CreateDataset(const std::string& aSQL,
                                                                      const tQV_SQLParams& aParams) {
  // A dataset gives its parameters values only; types are for the null values of commands.
  tQV_SQLParams params = aParams;
  for (tQV_SQLParam& param : params) param.dataType = ft_Unknown;
  return std::make_unique<tQV_VendizioDataset>(Run(aSQL, params, kCommandTimeoutSeconds));
}

std::unique_ptr<tQV_VendizioDataset> tQV_VendizioProxy::CreateDatasetFromRes(const std::string& aResName,
                                                                             const tQV_SQLParams&) {
  throw Error("SQL Resource " + aResName + " not found");
}

void tQV_VendizioProxy::DestroyDataset(std::unique_ptr<tQV_VendizioDataset>& aDataset) {
  if (aDataset) aDataset->Close();
  aDataset.reset();
}

bool tQV_VendizioProxy::ExecuteSQLCommand(const std::string& aSQL, const tQV_SQLParams& aParams) {
  Run(aSQL, aParams, kCommandTimeoutSeconds);
  return true;
}

bool tQV_VendizioProxy::ExecuteSQLCommandFromRes(const std::string& aResName, const tQV_SQLParams&) {
  throw Error("SQL Resource " + aResName + " not found");
}

int64_t tQV_VendizioProxy::LastRowCount() {
  const std::string statement = Dialect().LastRowCountStatement();
  if (statement.empty()) return fConnection ? fConnection->RowsAffected() : 0;
  return CreateDataset(statement)->FieldByName("RecordsAffected").AsInteger();
}

bool tQV_VendizioProxy::TableExists(const std::string& aTableName) {
  // The one statement left to the engine's default timeout.
  tQV_VendizioDataset dataset(Run(Dialect().TableExistsStatement(aTableName), {}, 0));
  return dataset.FieldByName("Value").AsString() == "1";
}

void tQV_VendizioProxy::DropTable(const std::string& aTableName) {
  ExecuteSQLCommand(Dialect().DropTableStatement(aTableName));
}

// ---- application locks --------------------------------------------------------------------

bool tQV_VendizioProxy::ApplicativeLock(tQV_LockType aType, const std::string& aName, int32_t aId) {
  const std::string code = LockTypeCode(aType);
  std::string insert_error;
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    const std::vector<std::string> args = CommandLineArguments();
    const std::string insert =
        Dialect().InsertVerb() +
        "aplck00f (TYPE,NAME,IDENTIFIER,TIMELCK,SPID,SPTM,VDZUSER,PCNAME,PGMNAME,PGMPARAM) values (" +
        SqlQuoted(code) + "," + SqlQuoted(aName) + "," + std::to_string(aId) + "," + SqlDateTimeText(true, Now()) +
        "," + (fConnection ? Dialect().SessionIdExpression(*fConnection) : "@@SPID") + "," +
        SqlDateTimeText(true, fLoginDateTime) + "," + SqlQuoted(UserName()) + "," + SqlQuoted(ComputerName()) + "," +
        SqlQuoted(ExeBaseName()) + "," + SqlQuoted(args.empty() ? std::string() : args.front()) + ")";
    try {
      ExecuteSQLCommand(insert);
      return true;
    } catch (const std::exception& e) {
      insert_error = e.what();
    }

    auto row = Get(nt_aplck, {code, aName, aId});
    // The holder let go between the insert and the read: take the lock with a row of our own.
    if (row->Eof()) continue;
    const int32_t spid = static_cast<int32_t>(row->FieldByName("SPID").AsInteger());
    const DateTime session_start = row->FieldByName("SPTM").AsDateTime();
    if (spid == fSQLPid && SameInstant(session_start, fLoginDateTime)) return true;
    if (!Dialect().IsSessionAlive(*fConnection, spid, session_start)) {
      ApplicativeUnlock(aType, aName, aId);
      continue;
    }
    fNotify(1, "Attenzione!\r\n----------------------------------------\r\n" + LockInUseText(aType) +
                   "----------------------------------------" + "\r\n" +
                   "Nome Computer: " + row->FieldByName("PCNAME").AsString() + "\r\n" +
                   "Nome Utente: " + row->FieldByName("VDZUSER").AsString() + "\r\n" +
                   "Programma: " + row->FieldByName("PGMNAME").AsString() + "\r\n" +
                   "Data/Ora Lock: " + DateTimeToText(row->FieldByName("TIMELCK").AsDateTime()));
    return false;
  }
  throw Error(insert_error);
}

void tQV_VendizioProxy::ApplicativeUnlock(tQV_LockType aType, const std::string& aName, int32_t aId) {
  ExecuteSQLCommand(Dialect().DeleteVerb() + "APLCK00F WHERE Type=" + SqlQuoted(LockTypeCode(aType)) + " and " +
                    "Name=" + SqlQuoted(aName) + " and " + "Identifier=" + std::to_string(aId));
}

// ---- setup file ---------------------------------------------------------------------------

void tQV_VendizioProxy::LoadSetup() {
  std::string file = ExePath() + dodu::IniFileName(false);
  if (!FileExists(file)) file = ExePath() + dodu::IniFileName(true);
  if (FileExists(file)) fSetup = ReadFileLines(file);
}

std::string tQV_VendizioProxy::GetSetupValue(const std::string& aName) const {
  for (const std::string& line : fSetup) {
    size_t equals = line.find('=');
    if (equals != std::string::npos && SameText(line.substr(0, equals), aName)) return line.substr(equals + 1);
  }
  return {};
}

bool tQV_VendizioProxy::ExistsSetupValue(const std::string& aName) const {
  return std::any_of(fSetup.begin(), fSetup.end(), [&](const std::string& line) { return SameText(line, aName); });
}

// ---- record reader ------------------------------------------------------------------------

std::unique_ptr<tQV_VendizioDataset> tQV_VendizioProxy::Get(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues) {
  return fGetter->Get(aTable, aKeyValues);
}

bool tQV_VendizioProxy::Exists(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues) {
  return fGetter->Exists(aTable, aKeyValues);
}

std::string tQV_VendizioProxy::Decode(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues) {
  return fGetter->Decode(aTable, aKeyValues);
}

}  // namespace dodu
