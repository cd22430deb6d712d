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
std::string FindReceiptWithinDay(const std::string& aNumber, DateTime aDateTime);
std::string VoidReceipt(const std::string& aDeviceSerial, const std::string& aNumber, const std::string& aOperator,
                        DateTime aNow, DateTime aDateTime);
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
  void BeginTransaction();
  void CommitTransaction();
  void RollbackTransaction();
  // Reads the series row, creating it (without validation code) when missing.
  virtual SeriesState LoadSeries(const std::string& aSeriesCode) = 0;
  virtual void UpdateSeries(const std::string& aSeriesCode, int32_t aNumber, const std::string& aSignature,
                            DateTime aDocumentDateTime);
  virtual void InsertReceipt(const StoredDocument& aDocument) = 0;
  // By device serial, number and exact date-time, else by number within a day of the date-time.
  // A number that is not a decimal integer finds nothing and runs no statement.
  FoundReceipt FindStoredReceipt(const std::string& aDeviceSerial, const std::string& aNumber, DateTime aDateTime);
  // False for a number that is not a decimal integer (no statement runs), and when the update
  // marked no row.
  bool VoidStoredReceipt(const std::string& aDeviceSerial, const std::string& aNumber, const std::string& aOperator,
                         DateTime aDateTime);

 protected:
  // The searches and the update behind the two operations above; the number is a decimal integer.
  virtual std::unique_ptr<tQV_VendizioDataset> FindReceiptRows(const std::string& aDeviceSerial,
                                                               const std::string& aNumber, DateTime aDateTime);
  virtual std::unique_ptr<tQV_VendizioDataset> FindReceiptRowsWithinDay(const std::string& aNumber,
                                                                        DateTime aDateTime);
  virtual void MarkReceiptVoided(const std::string& aDeviceSerial, const std::string& aNumber,
                                 const std::string& aOperator, DateTime aNow, DateTime aDateTime);

  tQV_VendizioProxy& fProxy;
};

// The statement set that fits the proxy's server.
std::unique_ptr<StoreStatements> CreateStoreStatements(tQV_VendizioProxy& aProxy, const std::string& aLockDirectory);

// Whether the text is a decimal integer (optional minus sign, digits) that fits 32 bits.
bool IsDecimalInteger(const std::string& aText);

}  // namespace dodu
