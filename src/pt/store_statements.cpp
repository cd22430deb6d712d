#include "pt/store_statements.h"

#include <algorithm>
#include <random>
#include <string_view>
#include <tuple>
#include <vector>

#include "base/conversions.h"
#include "base/error.h"
#include "db/db_connection.h"
#include "db/sql_dialect.h"
#include "db/vendizio_dataset.h"
#include "db/vendizio_proxy.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace dodu {

namespace {

// The row values of an insert after "values(<id>,": 22 values, each followed by "," but the
// last, which ends the list.
std::string InsertValues(const StoredDocument& d) {
  return SqlQuoted(d.seriesCode) + "," + SqlQuoted(d.storeCode) + "," + SqlQuoted(d.tillCode) + "," +
         std::to_string(d.number) + "," + std::to_string(d.zReportNumber) + "," + SqlQuoted(d.deviceSerial) + "," +
         SqlQuoted(d.invoiceNumber) + "," + SqlDateTimeText(true, d.documentDateTime) + "," +
         CurrencyToXmlText(d.grossTotal) + "," + SqlDateTimeText(false, d.systemEntryDateTime) + "," + "'N'," +
         SqlQuoted(d.documentCode) + "," + SqlQuoted(d.operatorCode) + "," + SqlQuoted(d.previousHash) + "," +
         SqlQuoted(d.hash) + "," + SqlQuoted(d.hashedString) + "," + SqlQuoted(d.operatorCode) + "," +
         SqlDateTimeText(false, d.systemEntryDateTime) + "," + SqlQuoted(d.sourceBilling) + "," +
         SqlQuoted(d.manualDocumentNumber) + "," + SqlQuoted(d.atcud) + "," + SqlQuoted(d.receiptXml) + ")";
}

const char* const kReceiptColumns =
    "(id,Serie,StoreCode,TillCode,Number,ZReportNumber,DeviceSerial,ReceiptNumber,ReceiptDatetime,Totalamount,"
    "SystemEntryDateTime,Status,DocumentType,ReceiptOperator,PreviousHash,Hash,HashedString,"
    "LastReceiptStatusOperator,LastStatusDateTime,SourceBilling,ManualDocumentNumber,FiscalId,Receipt)";

SeriesState ReadSeriesRow(tQV_VendizioDataset& row) {
  SeriesState state;
  state.lastNumber = static_cast<int32_t>(row.FieldByName("LastNumber").AsInteger());
  state.validationCode = row.FieldByName("ValidationCode").AsString();
  state.lastHash = row.FieldByName("LastHash").AsString();
  state.lastDate = row.FieldByName("LastDate").AsDateTime();
  tQV_Field closed = row.FieldByName("SerieClosed");
  state.closed = !closed.IsNull() && closed.AsInteger() == 1;
  return state;
}

// Date-times are stored as the text the SQL Server statements write between quotes.
tQV_Variant DateTimeValue(bool aWithMilliseconds, DateTime aValue) {
  return tQV_Variant(DateTimeToXmlText(aWithMilliseconds, aValue));
}

// A number the caller checked with IsDecimalInteger.
tQV_Variant NumberValue(const std::string& aNumber) {
  int32_t number = 0;
  if (!TryParseInt32(aNumber, number)) throw Error("Not a receipt number: " + aNumber);
  return tQV_Variant(number);
}

// A random identifier in the form of SQL Server's NewId(). Drawn from the system's entropy
// source each time: a generator's state is copied into a forked process, and parent and child
// would then hand out the same identifiers (and refuse each other's documents as duplicates).
std::string NewIdentifier() {
  std::random_device source;
  static const char* const kHex = "0123456789ABCDEF";
  std::string id;
  uint32_t bits = 0;
  for (int i = 0; i < 32; ++i) {
    if (i % 8 == 0) bits = source();
    if (i == 8 || i == 12 || i == 16 || i == 20) id += '-';
    int digit = static_cast<int>(bits & 15);
    bits >>= 4;
    if (i == 12) digit = 4;                  // version 4
    if (i == 16) digit = 8 | (digit & 3);    // RFC 4122 variant
    id += kHex[digit];
  }
  return id;
}

class SqlServerStoreStatements : public StoreStatements {
 public:
  using StoreStatements::StoreStatements;

  bool LockSeries(const std::string& aSeriesCode) override {
    auto result = fProxy.CreateDataset(sqlserver_text::LockSeries(aSeriesCode));
    const int64_t code = result->FieldByName("ReturnCode").AsInteger();
    return code == 0 || code == 1;
  }

  bool UnlockSeries(const std::string& aSeriesCode) override {
    auto result = fProxy.CreateDataset(sqlserver_text::UnlockSeries(aSeriesCode));
    return result->FieldByName("ReturnCode").AsInteger() == 0;
  }

  SeriesState LoadSeries(const std::string& aSeriesCode) override {
    auto row = fProxy.CreateDataset(sqlserver_text::LoadSeries(aSeriesCode));
    if (row->Eof()) throw Error("Serie [" + aSeriesCode + "] could not be read");
    return ReadSeriesRow(*row);
  }

  void InsertReceipt(const StoredDocument& aDocument) override {
    fProxy.ExecuteSQLCommand(sqlserver_text::InsertReceipt(aDocument));
  }
};

// The embedded store: the series lock is an operating-system file lock per series code in the
// check-file directory, so every till that reads and writes a series' check file waits for the
// one that numbers; the library makes the identifiers.
class SqliteStoreStatements : public StoreStatements {
 public:
  static constexpr const char* kLockFileSuffix = ".series.lock";

  SqliteStoreStatements(tQV_VendizioProxy& aProxy, std::string aLockDirectory)
      : StoreStatements(aProxy), fLockDirectory(std::move(aLockDirectory)) {}

  // Not granted in time answers false; a lock file that cannot be made raises with the reason.
  bool LockSeries(const std::string& aSeriesCode) override {
    if (!IsPlainFileName(aSeriesCode)) throw Error("Invalid characters in path");
    const std::string file_name = aSeriesCode + kLockFileSuffix;
    if (file_name.size() > kMaxFileNameBytes) {
      throw Error("Serie [" + aSeriesCode + "] cannot be numbered: its code is " + std::to_string(aSeriesCode.size()) +
                  " bytes long, and a series code may have at most " +
                  std::to_string(kMaxFileNameBytes - std::string_view(kLockFileSuffix).size()) + " bytes");
    }
    ForceDirectories(fLockDirectory);
    if (fLock.Acquire(JoinPath(fLockDirectory, file_name), kSeriesLockTimeoutMs)) return true;
    if (fLock.TimedOut()) return false;
    throw Error("Serie [" + aSeriesCode + "] cannot be locked: " + fLock.Reason());
  }

  // A series that is not registered (no row with a validation code) keeps no lock file: the
  // file is removed while still locked, which a waiter notices (FileLock), so it stays safe.
  bool UnlockSeries(const std::string& aSeriesCode) override {
    const bool held = fLock.Held();
    bool registered = true;
    if (held) {
      try {
        auto row = fProxy.CreateDataset("select count(*) as Registered from Series where Serie_Code=" +
                                        SqlQuoted(aSeriesCode) + " and ifnull(Serie_Validation_Code,'')<>''");
        registered = !row->Eof() && row->FieldByName("Registered").AsInteger() > 0;
      } catch (const Error&) {
        // Unknown: keep the file, as a registered series does.
      }
    }
    if (registered) {
      fLock.Release();
    } else {
      fLock.ReleaseAndRemove();
    }
    return held;
  }

  // Values travel as parameters, so each text stays the same from document to document and
  // the engine prepares it once.
  std::unique_ptr<tQV_VendizioDataset> SelectCompany(const std::string& aVatId) override {
    return fProxy.CreateDataset("select * from CompanyRecord where Company_VatId=:VatId",
                                {tQV_SQLParam::Create("VatId", aVatId)});
  }

  std::unique_ptr<tQV_VendizioDataset> SelectBranch(const std::string& aBranchCode) override {
    return fProxy.CreateDataset("select * from BranchRecord where Branch_Code=:Code",
                                {tQV_SQLParam::Create("Code", aBranchCode)});
  }

  // The series file lock already keeps every other till of the series out, and the store's write
  // lock covers the whole store: numbering, signing and the till's file syncs run before it.
  bool NumbersBeforeTransaction() const override { return true; }

  SeriesState ReadSeries(const std::string& aSeriesCode) override {
    auto row = fProxy.CreateDataset(
        "select Serie_LastNumber as LastNumber,Serie_LastHash as LastHash,Serie_LastDate as LastDate,"
        "Serie_Validation_Code as ValidationCode,Serie_Closed as SerieClosed from Series where Serie_Code=:Serie",
        {tQV_SQLParam::Create("Serie", aSeriesCode)});
    // A series without a row is one nobody registered: no validation code.
    return row->Eof() ? SeriesState() : ReadSeriesRow(*row);
  }

  SeriesState LoadSeries(const std::string& aSeriesCode) override {
    fProxy.ExecuteSQLCommand(
        "insert into Series (Id,Serie_Code,Serie_LastNumber,Serie_LastHash,Serie_LastDate) select :Id,:Serie,0,'',null "
        "where not exists (select 1 from Series where Serie_Code=:Serie)",
        {tQV_SQLParam::Create("Id", NewIdentifier()), tQV_SQLParam::Create("Serie", aSeriesCode)});
    auto row = fProxy.CreateDataset(
        "select Serie_LastNumber as LastNumber,Serie_LastHash as LastHash,Serie_LastDate as LastDate,"
        "Serie_Validation_Code as ValidationCode,Serie_Closed as SerieClosed from Series where Serie_Code=:Serie",
        {tQV_SQLParam::Create("Serie", aSeriesCode)});
    if (row->Eof()) throw Error("Serie [" + aSeriesCode + "] could not be read");
    return ReadSeriesRow(*row);
  }

  void UpdateSeries(const std::string& aSeriesCode, int32_t aNumber, const std::string& aSignature,
                    DateTime aDocumentDateTime) override {
    fProxy.ExecuteSQLCommand(
        "update Series set Serie_LastNumber=:Number,Serie_LastHash=:Hash,Serie_LastDate=:LastDate "
        "where Serie_Code=:Serie",
        {tQV_SQLParam::Create("Number", aNumber), tQV_SQLParam::Create("Hash", aSignature),
         tQV_SQLParam::Create("LastDate", DateTimeValue(true, aDocumentDateTime)),
         tQV_SQLParam::Create("Serie", aSeriesCode)});
  }

  void InsertReceipt(const StoredDocument& d) override {
    fProxy.ExecuteSQLCommand(
        std::string("insert into Receipts ") + kReceiptColumns +
            " values(:id,:Serie,:StoreCode,:TillCode,:Number,:ZReportNumber,:DeviceSerial,:ReceiptNumber,"
            ":ReceiptDatetime,:Totalamount,:SystemEntryDateTime,'N',:DocumentType,:ReceiptOperator,:PreviousHash,"
            ":Hash,:HashedString,:ReceiptOperator,:SystemEntryDateTime,:SourceBilling,:ManualDocumentNumber,"
            ":FiscalId,:Receipt)",
        {tQV_SQLParam::Create("id", NewIdentifier()), tQV_SQLParam::Create("Serie", d.seriesCode),
         tQV_SQLParam::Create("StoreCode", d.storeCode), tQV_SQLParam::Create("TillCode", d.tillCode),
         tQV_SQLParam::Create("Number", d.number), tQV_SQLParam::Create("ZReportNumber", d.zReportNumber),
         tQV_SQLParam::Create("DeviceSerial", d.deviceSerial), tQV_SQLParam::Create("ReceiptNumber", d.invoiceNumber),
         tQV_SQLParam::Create("ReceiptDatetime", DateTimeValue(true, d.documentDateTime)),
         tQV_SQLParam::Create("Totalamount", CurrencyToXmlText(d.grossTotal)),
         tQV_SQLParam::Create("SystemEntryDateTime", DateTimeValue(false, d.systemEntryDateTime)),
         tQV_SQLParam::Create("DocumentType", d.documentCode), tQV_SQLParam::Create("ReceiptOperator", d.operatorCode),
         tQV_SQLParam::Create("PreviousHash", d.previousHash), tQV_SQLParam::Create("Hash", d.hash),
         tQV_SQLParam::Create("HashedString", d.hashedString), tQV_SQLParam::Create("SourceBilling", d.sourceBilling),
         tQV_SQLParam::Create("ManualDocumentNumber", d.manualDocumentNumber),
         tQV_SQLParam::Create("FiscalId", d.atcud), tQV_SQLParam::Create("Receipt", d.receiptXml)});
  }

 protected:
  std::unique_ptr<tQV_VendizioDataset> FindReceiptRows(const std::string& aDeviceSerial, const std::string& aNumber,
                                                       DateTime aDateTime) override {
    return fProxy.CreateDataset(
        "select * from Receipts where DeviceSerial=:Serial and Number=:Number and ReceiptDateTime=:DateTime",
        {tQV_SQLParam::Create("Serial", aDeviceSerial), tQV_SQLParam::Create("Number", NumberValue(aNumber)),
         tQV_SQLParam::Create("DateTime", DateTimeValue(true, aDateTime))});
  }

  std::unique_ptr<tQV_VendizioDataset> FindReceiptRowsWithinDay(const std::string& aDeviceSerial,
                                                                const std::string& aNumber,
                                                                DateTime aDateTime) override {
    return fProxy.CreateDataset(
        "select * from Receipts where DeviceSerial=:Serial and Number=:Number and ReceiptDateTime between :From and :To",
        {tQV_SQLParam::Create("Serial", aDeviceSerial), tQV_SQLParam::Create("Number", NumberValue(aNumber)),
         tQV_SQLParam::Create("From", DateTimeValue(true, aDateTime)),
         tQV_SQLParam::Create("To", DateTimeValue(true, IncDays(aDateTime, 1)))});
  }

  bool MarkReceiptVoided(const std::string& aSeriesCode, int32_t aNumber, const std::string& aOperator,
                         DateTime aNow) override {
    return fProxy.ExecuteSQLCommand(
        "update Receipts set Status='A',LastReceiptStatusOperator=:Operator,LastStatusDateTime=:Now "
        "where Serie=:Serie and Number=:Number and Status='N'",
        {tQV_SQLParam::Create("Operator", aOperator), tQV_SQLParam::Create("Now", DateTimeValue(false, aNow)),
         tQV_SQLParam::Create("Serie", aSeriesCode), tQV_SQLParam::Create("Number", aNumber)});
  }

 private:
  std::string fLockDirectory;
  FileLock fLock;
};

// The server store (PostgreSQL). The series lock is a session-level advisory lock on the series
// code, as SQL Server's application lock is owned by the session: taken inside the document's
// transaction with a lock wait of kSeriesLockTimeoutMs, it outlasts the COMMIT until the till's
// files are in place, so the next till of a shared series never reads a check file that is
// behind the store. The series row is read FOR UPDATE in the same transaction. The server
// releases both when the till's session ends (its process died, its connection dropped), so no
// series stays locked behind a vanished till.
class PostgresqlStoreStatements : public StoreStatements {
 public:
  using StoreStatements::StoreStatements;

  static constexpr const char* kLockNotAvailable = "55P03";

  // Not granted in time answers false (nothing is left open or held); any other failure raises.
  bool LockSeries(const std::string& aSeriesCode) override {
    RunTransactionWord("BEGIN");
    try {
      fProxy.ExecuteSQLCommand("set local lock_timeout = '" + std::to_string(kSeriesLockTimeoutMs) + "ms'");
      fProxy.CreateDataset(std::string("select pg_advisory_lock(") + kLockClass + ",hashtext(:Serie))",
                           {tQV_SQLParam::Create("Serie", aSeriesCode)});
      fHeldCode = aSeriesCode;
      auto row = SelectSeriesForUpdate(aSeriesCode);
      if (row->Eof()) {
        // A series nobody registered yet: its row is made (and locked) in this transaction, so it
        // goes again with a document that is refused.
        fProxy.ExecuteSQLCommand(
            "insert into Series (Id,Serie_Code,Serie_LastNumber,Serie_LastHash,Serie_LastDate) "
            "values (gen_random_uuid(),:Serie,0,'',null) on conflict (Serie_Code) do nothing",
            {tQV_SQLParam::Create("Serie", aSeriesCode)});
        row = SelectSeriesForUpdate(aSeriesCode);
        if (row->Eof()) throw Error("Serie [" + aSeriesCode + "] could not be read");
      }
      fLockedCode = aSeriesCode;
      fLockedState = ReadSeriesRow(*row);
      return true;
    } catch (const DbError& e) {
      EndTransactionQuietly();
      ReleaseQuietly();
      if (e.SqlState() == kLockNotAvailable) return false;
      throw;
    } catch (...) {
      EndTransactionQuietly();
      ReleaseQuietly();
      throw;
    }
  }

  // A document refused before its COMMIT leaves the transaction open: it ends first.
  bool UnlockSeries(const std::string&) override {
    if (fInTransaction) RollbackTransaction();
    return Release();
  }
  // The transaction began with the lock; a transaction without the lock begins here.
  void BeginTransaction() override {
    if (!fInTransaction) RunTransactionWord("BEGIN");
  }
  void CommitTransaction() override { EndTransaction("COMMIT"); }
  void RollbackTransaction() override { EndTransaction("ROLLBACK"); }

  std::unique_ptr<tQV_VendizioDataset> SelectCompany(const std::string& aVatId) override {
    return fProxy.CreateDataset("select * from CompanyRecord where Company_VatId=:VatId",
                                {tQV_SQLParam::Create("VatId", aVatId)});
  }

  std::unique_ptr<tQV_VendizioDataset> SelectBranch(const std::string& aBranchCode) override {
    return fProxy.CreateDataset("select * from BranchRecord where Branch_Code=:Code",
                                {tQV_SQLParam::Create("Code", aBranchCode)});
  }

  // The row as the lock read it: nobody else can have changed it since.
  SeriesState LoadSeries(const std::string& aSeriesCode) override {
    if (fInTransaction && fLockedCode == aSeriesCode) return fLockedState;
    auto row = SelectSeries(aSeriesCode, "");
    if (row->Eof()) throw Error("Serie [" + aSeriesCode + "] could not be read");
    return ReadSeriesRow(*row);
  }

  void UpdateSeries(const std::string& aSeriesCode, int32_t aNumber, const std::string& aSignature,
                    DateTime aDocumentDateTime) override {
    fProxy.ExecuteSQLCommand(
        "update Series set Serie_LastNumber=:Number,Serie_LastHash=:Hash,Serie_LastDate=cast(:LastDate as timestamp) "
        "where Serie_Code=:Serie",
        {tQV_SQLParam::Create("Number", aNumber), tQV_SQLParam::Create("Hash", aSignature),
         tQV_SQLParam::Create("LastDate", DateTimeValue(true, aDocumentDateTime)),
         tQV_SQLParam::Create("Serie", aSeriesCode)});
  }

  void InsertReceipt(const StoredDocument& d) override {
    fProxy.ExecuteSQLCommand(
        std::string("insert into Receipts ") + kReceiptColumns +
            " values(gen_random_uuid(),:Serie,:StoreCode,:TillCode,:Number,:ZReportNumber,:DeviceSerial,"
            ":ReceiptNumber,cast(:ReceiptDatetime as timestamp),cast(:Totalamount as numeric),"
            "cast(:SystemEntryDateTime as timestamp),'N',:DocumentType,:ReceiptOperator,:PreviousHash,:Hash,"
            ":HashedString,:ReceiptOperator,cast(:SystemEntryDateTime as timestamp),:SourceBilling,"
            ":ManualDocumentNumber,:FiscalId,:Receipt)",
        {tQV_SQLParam::Create("Serie", d.seriesCode), tQV_SQLParam::Create("StoreCode", d.storeCode),
         tQV_SQLParam::Create("TillCode", d.tillCode), tQV_SQLParam::Create("Number", d.number),
         tQV_SQLParam::Create("ZReportNumber", d.zReportNumber), tQV_SQLParam::Create("DeviceSerial", d.deviceSerial),
         tQV_SQLParam::Create("ReceiptNumber", d.invoiceNumber),
         tQV_SQLParam::Create("ReceiptDatetime", DateTimeValue(true, d.documentDateTime)),
         tQV_SQLParam::Create("Totalamount", CurrencyToXmlText(d.grossTotal)),
         tQV_SQLParam::Create("SystemEntryDateTime", DateTimeValue(false, d.systemEntryDateTime)),
         tQV_SQLParam::Create("DocumentType", d.documentCode), tQV_SQLParam::Create("ReceiptOperator", d.operatorCode),
         tQV_SQLParam::Create("PreviousHash", d.previousHash), tQV_SQLParam::Create("Hash", d.hash),
         tQV_SQLParam::Create("HashedString", d.hashedString), tQV_SQLParam::Create("SourceBilling", d.sourceBilling),
         tQV_SQLParam::Create("ManualDocumentNumber", d.manualDocumentNumber),
         tQV_SQLParam::Create("FiscalId", d.atcud), tQV_SQLParam::Create("Receipt", d.receiptXml)});
  }

 private:
  std::unique_ptr<tQV_VendizioDataset> SelectSeries(const std::string& aSeriesCode, const char* aLocking) {
    return fProxy.CreateDataset(
        std::string("select Serie_LastNumber as LastNumber,Serie_LastHash as LastHash,"
                    "to_char(Serie_LastDate,'YYYY-MM-DD\"T\"HH24:MI:SS.MS') as LastDate,"
                    "Serie_Validation_Code as ValidationCode,cast(Serie_Closed as integer) as SerieClosed "
                    "from Series where Serie_Code=:Serie") +
            aLocking,
        {tQV_SQLParam::Create("Serie", aSeriesCode)});
  }
  std::unique_ptr<tQV_VendizioDataset> SelectSeriesForUpdate(const std::string& aSeriesCode) {
    return SelectSeries(aSeriesCode, " for update");
  }

  void RunTransactionWord(const char* aWord) {
    fProxy.ExecuteSQLCommand(aWord);
    fInTransaction = std::string(aWord) == "BEGIN";
  }

  void EndTransaction(const char* aWord) {
    // Whatever the answer, the transaction is over on the server: a failed COMMIT rolls back.
    fInTransaction = false;
    fLockedCode.clear();
    fProxy.ExecuteSQLCommand(aWord);
  }

  void EndTransactionQuietly() {
    try {
      EndTransaction("ROLLBACK");
    } catch (const std::exception&) {
      // The session is gone with its transaction, or the ROLLBACK follows at the next BEGIN.
    }
  }

  bool Release() {
    if (fHeldCode.empty()) return false;
    const std::string code = std::move(fHeldCode);
    fHeldCode.clear();
    auto row = fProxy.CreateDataset(std::string("select pg_advisory_unlock(") + kLockClass +
                                        ",hashtext(:Serie)) as Released",
                                    {tQV_SQLParam::Create("Serie", code)});
    return row->FieldByName("Released").AsBoolean();
  }

  void ReleaseQuietly() {
    try {
      Release();
    } catch (const std::exception&) {
      // The server releases it with the session.
    }
  }

  // The advisory locks' first key: series codes of this driver, apart from other applications'.
  static constexpr const char* kLockClass = "20240";

  std::string fHeldCode;  // the series whose advisory lock this session holds
  bool fInTransaction = false;
  std::string fLockedCode;
  SeriesState fLockedState;
};

}  // namespace

namespace sqlserver_text {

std::string SelectCompany(const std::string& aVatId) {
  return "select * from CompanyRecord where Company_VatId=" + SqlQuoted(aVatId);
}

std::string SelectBranch(const std::string& aBranchCode) {
  return "select * from BranchRecord where Branch_Code=" + SqlQuoted(aBranchCode);
}

std::string LockSeries(const std::string& aSeriesCode) {
  return "declare @ReturnCode int \r\nEXEC @ReturnCode=Sp_getapplock @Resource = " + SqlQuoted(aSeriesCode) + "," +
         "@LockMode = 'Exclusive'," + "@LockOwner = 'Session'," + "@LockTimeout = 5000 " +
         "select @ReturnCode as ReturnCode";
}

std::string UnlockSeries(const std::string& aSeriesCode) {
  return "declare @ReturnCode int \r\nEXEC @ReturnCode=Sp_releaseapplock @Resource = " + SqlQuoted(aSeriesCode) +
         "," + "@LockOwner = 'Session'" + "select @ReturnCode as ReturnCode";
}

std::string LoadSeries(const std::string& aSeriesCode) {
  const char* const kLines[] = {
      nullptr,  // the declaration of @Serie, below
      "declare @LastNumber integer",
      "declare @LastHash varchar(512)",
      "declare @LastDate datetime",
      "declare @ValidationCode varchar(50)",
      "declare @SerieClosed bit",
      "select @LastNumber=Serie_LastNumber,@LastHash=Serie_LastHash,@LastDate=Serie_LastDate,"
      "@ValidationCode=Serie_Validation_Code,@SerieClosed=Serie_Closed",
      "  from Series",
      "  where Serie_Code=@Serie",
      "",
      "if @@ROWCOUNT=0",
      "begin",
      "  set @LastNumber=0",
      "  set @LastHash=''",
      "  set @LastDate=null",
      "  set @SerieClosed=null",
      "  insert Series (Id,Serie_Code,Serie_LastNumber,Serie_LastHash,Serie_LastDate)",
      "    values(NewId(),@Serie,@LastNumber,@LastHash,@LastDate)",
      "end",
      "select @LastNumber as LastNumber,@LastHash as LastHash,@LastDate as LastDate,@ValidationCode as "
      "ValidationCode, @SerieClosed as SerieClosed",
  };
  std::string text = "declare @Serie varchar(50)=" + SqlQuoted(aSeriesCode);
  for (size_t i = 1; i < std::size(kLines); ++i) text += std::string("\r\n") + kLines[i];
  return text;
}

std::string UpdateSeries(const std::string& aSeriesCode, int32_t aNumber, const std::string& aSignature,
                         DateTime aDocumentDateTime) {
  // The signature is base64, which holds no quote.
  return "update Series   set Serie_LastNumber=" + std::to_string(aNumber) + "," + "      Serie_LastHash='" +
         aSignature + "'," + "      Serie_LastDate=" + SqlDateTimeText(true, aDocumentDateTime) +
         "  where Serie_Code=" + SqlQuoted(aSeriesCode);
}

std::string InsertReceipt(const StoredDocument& aDocument) {
  return std::string("insert Receipts ") + kReceiptColumns + " values(NewId()," + InsertValues(aDocument);
}

std::string FindReceipt(const std::string& aDeviceSerial, const std::string& aNumber, DateTime aDateTime) {
  return "select * from Receipts where DeviceSerial=" + SqlQuoted(aDeviceSerial) + " and " + "Number=" + aNumber +
         " and " + "ReceiptDateTime=" + SqlDateTimeText(true, aDateTime);
}

std::string FindReceiptWithinDay(const std::string& aDeviceSerial, const std::string& aNumber, DateTime aDateTime) {
  // The device serial stays: another store's document of the same number is never meant.
  return "select * from Receipts where DeviceSerial=" + SqlQuoted(aDeviceSerial) + " and Number=" + aNumber +
         " and " + "ReceiptDateTime between " +
         SqlDateTimeText(true, aDateTime) + " and " + SqlDateTimeText(true, IncDays(aDateTime, 1));
}

std::string VoidReceipt(const std::string& aSeriesCode, int32_t aNumber, const std::string& aOperator, DateTime aNow) {
  // The row is named by its series and number, which no other row shares; a row already annulled
  // is left alone, so two tills voiding one document cannot both count the void.
  return "update Receipts set Status='A',LastReceiptStatusOperator=" + SqlQuoted(aOperator) + "," +
         "LastStatusDateTime=" + SqlDateTimeText(false, aNow) + " " + "where " + "Serie=" + SqlQuoted(aSeriesCode) +
         " and " + "Number=" + std::to_string(aNumber) + " and Status='N'";
}

std::string SelectSeriesEnd(const std::string& aSeriesCode) {
  return "select Serie_LastNumber,Serie_LastHash from Series where Serie_Code=" + SqlQuoted(aSeriesCode);
}

std::string SelectDocumentState(const std::string& aSeriesCode, int32_t aNumber) {
  return "select Hash,Status,LastStatusDateTime,HashedString from Receipts where Serie=" + SqlQuoted(aSeriesCode) +
         " and Number=" + std::to_string(aNumber);
}

}  // namespace sqlserver_text

bool IsDecimalInteger(const std::string& aText) {
  int32_t value = 0;
  return TryParseInt32(aText, value);
}

std::unique_ptr<tQV_VendizioDataset> StoreStatements::SelectCompany(const std::string& aVatId) {
  return fProxy.CreateDataset(sqlserver_text::SelectCompany(aVatId));
}

std::unique_ptr<tQV_VendizioDataset> StoreStatements::SelectBranch(const std::string& aBranchCode) {
  return fProxy.CreateDataset(sqlserver_text::SelectBranch(aBranchCode));
}

void StoreStatements::BeginTransaction() { fProxy.ExecuteSQLCommand("BEGIN TRAN"); }
void StoreStatements::CommitTransaction() { fProxy.ExecuteSQLCommand("COMMIT"); }
void StoreStatements::RollbackTransaction() { fProxy.ExecuteSQLCommand("ROLLBACK"); }

void StoreStatements::UpdateSeries(const std::string& aSeriesCode, int32_t aNumber, const std::string& aSignature,
                                   DateTime aDocumentDateTime) {
  fProxy.ExecuteSQLCommand(sqlserver_text::UpdateSeries(aSeriesCode, aNumber, aSignature, aDocumentDateTime));
}

FoundReceipt StoreStatements::FindStoredReceipt(const std::string& aDeviceSerial, const std::string& aNumber,
                                                DateTime aDateTime, const ReferenceHint& aHint) {
  FoundReceipt result;
  if (!IsDecimalInteger(aNumber)) return result;
  auto rows = FindReceiptRows(aDeviceSerial, aNumber, aDateTime);
  if (rows->Eof()) rows = FindReceiptRowsWithinDay(aDeviceSerial, aNumber, aDateTime);
  std::vector<FoundReceipt> candidates;
  for (; !rows->Eof(); rows->Next()) {
    FoundReceipt row;
    row.found = true;
    row.status = rows->FieldByName("Status").AsString();
    row.receipt = rows->FieldByName("Receipt").AsString();
    row.receiptNumber = rows->FieldByName("ReceiptNumber").AsString();
    row.receiptDateTime = rows->FieldByName("ReceiptDateTime").AsDateTime();
    row.seriesCode = rows->FieldByName("Serie").AsString();
    row.documentCode = rows->FieldByName("DocumentType").AsString();
    row.number = static_cast<int32_t>(rows->FieldByName("Number").AsInteger());
    row.grossTotal = Amount::Parse(rows->FieldByName("Totalamount").AsString());
    if (!aHint.invoiceNumber.empty() && row.receiptNumber != aHint.invoiceNumber) continue;
    if (!aHint.documentCode.empty() && row.documentCode != aHint.documentCode) continue;
    candidates.push_back(std::move(row));
  }
  // A sale and a credit note of one store often share number and second: the choice must not
  // depend on the order the server returns them in.
  auto earlier = [](const FoundReceipt& a, const FoundReceipt& b) {
    return std::make_tuple(a.documentCode != "FR", a.receiptDateTime, a.seriesCode) <
           std::make_tuple(b.documentCode != "FR", b.receiptDateTime, b.seriesCode);
  };
  if (candidates.empty()) return result;
  return *std::min_element(candidates.begin(), candidates.end(), earlier);
}

bool StoreStatements::VoidStoredReceipt(const FoundReceipt& aRow, const std::string& aOperator, DateTime aNow) {
  return MarkReceiptVoided(aRow.seriesCode, aRow.number, aOperator, aNow) && fProxy.LastRowCount() > 0;
}

SeriesEnd StoreStatements::LoadSeriesEnd(const std::string& aSeriesCode) {
  SeriesEnd result;
  auto row = fProxy.CreateDataset(sqlserver_text::SelectSeriesEnd(aSeriesCode));
  if (row->Eof()) return result;
  result.found = true;
  result.lastNumber = static_cast<int32_t>(row->FieldByName("Serie_LastNumber").AsInteger());
  result.lastHash = row->FieldByName("Serie_LastHash").AsString();
  return result;
}

DocumentState StoreStatements::LoadDocumentState(const std::string& aSeriesCode, int32_t aNumber) {
  DocumentState result;
  auto row = fProxy.CreateDataset(sqlserver_text::SelectDocumentState(aSeriesCode, aNumber));
  if (row->Eof()) return result;
  result.found = true;
  result.hash = row->FieldByName("Hash").AsString();
  result.status = row->FieldByName("Status").AsString();
  result.lastStatusDateTime = row->FieldByName("LastStatusDateTime").AsDateTime();
  result.signedText = row->FieldByName("HashedString").AsString();
  return result;
}

std::unique_ptr<tQV_VendizioDataset> StoreStatements::FindReceiptRows(const std::string& aDeviceSerial,
                                                                     const std::string& aNumber, DateTime aDateTime) {
  return fProxy.CreateDataset(sqlserver_text::FindReceipt(aDeviceSerial, aNumber, aDateTime));
}

std::unique_ptr<tQV_VendizioDataset> StoreStatements::FindReceiptRowsWithinDay(const std::string& aDeviceSerial,
                                                                              const std::string& aNumber,
                                                                              DateTime aDateTime) {
  return fProxy.CreateDataset(sqlserver_text::FindReceiptWithinDay(aDeviceSerial, aNumber, aDateTime));
}

bool StoreStatements::MarkReceiptVoided(const std::string& aSeriesCode, int32_t aNumber, const std::string& aOperator,
                                        DateTime aNow) {
  return fProxy.ExecuteSQLCommand(sqlserver_text::VoidReceipt(aSeriesCode, aNumber, aOperator, aNow));
}

std::unique_ptr<StoreStatements> CreateStoreStatements(tQV_VendizioProxy& aProxy, const std::string& aLockDirectory) {
  if (aProxy.Dialect().Kind() == tQV_SqlDialectKind::SQLite)
    return std::make_unique<SqliteStoreStatements>(aProxy, aLockDirectory);
  if (aProxy.Dialect().Kind() == tQV_SqlDialectKind::PostgreSQL) return std::make_unique<PostgresqlStoreStatements>(aProxy);
  return std::make_unique<SqlServerStoreStatements>(aProxy);
}

}  // namespace dodu
