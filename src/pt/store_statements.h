#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/amount.h"
#include "base/date_time.h"
#include "platform/file_lock.h"

namespace dodu {

class tQV_VendizioProxy;
class tQV_VendizioDataset;

// How long a till waits for another till that numbers in the same series.
inline constexpr int kSeriesLockTimeoutMs = 5000;

// The series row as the numbering reads it.
struct SeriesState {
  int32_t lastNumber = 0;
  std::string lastHash;
  DateTime lastDate;  // 0 when the series has no document yet
  std::string validationCode;
  bool closed = false;
};

// One issued document, as stored in Receipts.
struct StoredDocument {
  std::string seriesCode, storeCode, tillCode;
  int32_t number = 0;
  int32_t zReportNumber = 0;
  std::string deviceSerial, invoiceNumber;
  DateTime documentDateTime;
  Amount grossTotal;
  DateTime systemEntryDateTime;
  std::string documentCode, operatorCode, previousHash, hash, hashedString;
  std::string sourceBilling, manualDocumentNumber, atcud, receiptXml;
};

// A stored document found by a search.
struct FoundReceipt {
  bool found = false;
  std::string status, receipt, receiptNumber;
  DateTime receiptDateTime;
  // What names the row exactly and what a void counts.
  std::string seriesCode, documentCode;
  int32_t number = 0;
  Amount grossTotal;
};

// What a reference says of the document it means, beyond device, number and date-time: its
// invoice number, or its kind ("FR" or "NC"); empty when it does not say.
struct ReferenceHint {
  std::string invoiceNumber, documentCode;
};

// The last document of a series as the Series row records it.
struct SeriesEnd {
  bool found = false;
  int32_t lastNumber = 0;
  std::string lastHash;
};

// A stored document as the settling of the till's pending files needs it.
struct DocumentState {
  bool found = false;
  std::string hash, status, signedText;
  DateTime lastStatusDateTime;
};

// The statement texts of the SQL Server store.
namespace sqlserver_text {
std::string SelectCompany(const std::string& aVatId);
std::string SelectBranch(const std::string& aBranchCode);
std::string LockSeries(const std::string& aSeriesCode);
std::string UnlockSeries(const std::string& aSeriesCode);
std::string LoadSeries(const std::string& aSeriesCode);
std::string UpdateSeries(const std::string& aSeriesCode, int32_t aNumber, const std::string& aSignature,
                         DateTime aDocumentDateTime);
std::string InsertReceipt(const StoredDocument& aDocument);
std::string FindReceipt(const std::string& aDeviceSerial, const std::string& aNumber, DateTime aDateTime);
std::string FindReceiptWithinDay(const std::string& aDeviceSerial, const std::string& aNumber, DateTime aDateTime);
std::string VoidReceipt(const std::string& aSeriesCode, int32_t aNumber, const std::string& aOperator, DateTime aNow);
std::string SelectSeriesEnd(const std::string& aSeriesCode);
std::string SelectDocumentState(const std::string& aSeriesCode, int32_t aNumber);
}  // namespace sqlserver_text

// The statements of the Portuguese processor on its store, one set per engine. Every statement
// runs through the process's database proxy.
class StoreStatements {
 public:
  explicit StoreStatements(tQV_VendizioProxy& aProxy) : fProxy(aProxy) {}
  virtual ~StoreStatements() = default;

  virtual std::unique_ptr<tQV_VendizioDataset> SelectCompany(const std::string& aVatId);
  virtual std::unique_ptr<tQV_VendizioDataset> SelectBranch(const std::string& aBranchCode);

  // True when the series lock was granted within the wait.
  virtual bool LockSeries(const std::string& aSeriesCode) = 0;
  virtual bool UnlockSeries(const std::string& aSeriesCode) = 0;
  virtual void BeginTransaction();
  virtual void CommitTransaction();
  virtual void RollbackTransaction();
  // Reads the series row, creating it (without validation code) when missing.
  virtual SeriesState LoadSeries(const std::string& aSeriesCode) = 0;
  // Whether a document is numbered, signed and its till files written before the transaction
  // begins (the transaction then only stores it), rather than inside it.
  virtual bool NumbersBeforeTransaction() const { return false; }
  // The series row as it stands, creating nothing; only where numbering precedes the transaction.
  virtual SeriesState ReadSeries(const std::string& aSeriesCode) { return LoadSeries(aSeriesCode); }
  virtual void UpdateSeries(const std::string& aSeriesCode, int32_t aNumber, const std::string& aSignature,
                            DateTime aDocumentDateTime);
  virtual void InsertReceipt(const StoredDocument& aDocument) = 0;
  // By device serial, number and exact date-time, else by device serial and number within a day
  // of the date-time (a till that quotes its answer's DateTime drops the milliseconds). Of several
  // rows it takes the one the hint names, else a sale before a credit note, then the earliest.
  // A number that is not a decimal integer finds nothing and runs no statement.
  FoundReceipt FindStoredReceipt(const std::string& aDeviceSerial, const std::string& aNumber, DateTime aDateTime,
                                 const ReferenceHint& aHint = {});
  // Annuls exactly the row found (by its series and number) if it is still normal; false when
  // the update marked no row. aNow is the status change time it writes (whole seconds).
  bool VoidStoredReceipt(const FoundReceipt& aRow, const std::string& aOperator, DateTime aNow);
  SeriesEnd LoadSeriesEnd(const std::string& aSeriesCode);
  DocumentState LoadDocumentState(const std::string& aSeriesCode, int32_t aNumber);

 protected:
  // The searches and the update behind the two operations above; the number is a decimal integer.
  virtual std::unique_ptr<tQV_VendizioDataset> FindReceiptRows(const std::string& aDeviceSerial,
                                                               const std::string& aNumber, DateTime aDateTime);
  virtual std::unique_ptr<tQV_VendizioDataset> FindReceiptRowsWithinDay(const std::string& aDeviceSerial,
                                                                        const std::string& aNumber,
                                                                        DateTime aDateTime);
  virtual bool MarkReceiptVoided(const std::string& aSeriesCode, int32_t aNumber, const std::string& aOperator,
                                 DateTime aNow);

  tQV_VendizioProxy& fProxy;
};

// The statement set that fits the proxy's server.
std::unique_ptr<StoreStatements> CreateStoreStatements(tQV_VendizioProxy& aProxy, const std::string& aLockDirectory);

// Whether the text is a decimal integer (optional minus sign, digits) that fits 32 bits.
bool IsDecimalInteger(const std::string& aText);

}  // namespace dodu
