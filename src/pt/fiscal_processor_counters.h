#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/amount.h"
#include "base/date_time.h"
#include "receipt/receipt_types.h"

namespace dodu {

// A document whose storing a pending counters file waits for: an issued document (its series,
// number and signature), or the void of a stored one (its series, number and the status change).
struct CountedDocument {
  bool isVoid = false;
  std::string seriesCode;
  int32_t number = 0;
  std::string hash;   // issued: the document's signature
  DateTime voidedAt;  // void: the LastStatusDateTime the void writes, whole seconds
};

// A pending counters file found beside the counters file.
struct PendingCounters {
  std::string fileName;
  CountedDocument document;
};

// The till's day and grand-total counters, kept in a small XML file that every change re-reads
// and rewrites whole. It also carries the state of the document series being numbered; of that
// only LastHash goes to the file (written, never read back).
class kFiscalProcessorCounters {
 public:
  // Binds the store to its file: loads it, or creates it for a new till (Z report 1, all zero).
  void Init(const std::string& aFileName, const std::string& aTillSerial);
  // Loads the file into the counters; a missing file changes nothing. A file that cannot be read
  // or belongs to another till raises and leaves the counters as they were.
  void Refresh();
  // Writes the counters, LastUpdatedAt being now. The old file stays whole until the new one is
  // complete on disk.
  void Save();
  // Counts one document: Refresh, Count, Save. On an error the counters in memory stay as before
  // the call.
  bool Update(qvReceiptType aReceiptType, Amount aAmount, const std::string& aHash);
  // Counts one document in memory: one more document, the amount added to the totals of its type
  // (a credit note counts its absolute value: it is issued positive whatever sign it came with).
  void Count(qvReceiptType aReceiptType, Amount aAmount);
  // Counts the void of a stored document in memory: a sale's gross total goes to the voids, a
  // credit note's comes off the refunds. The document count stays: a void issues no document.
  void CountVoid(bool aCreditNote, Amount aGrossTotal);
  // Closes the day: Refresh, next Z report number, document count and daily amounts to 0, Save.
  bool Z();
  // One process uses a till's file at a time and the host calls from one thread: nothing to hold.
  bool Lock() { return true; }
  bool Unlock() { return true; }

  // The counters file follows the store: a change that counts a document is first written, whole
  // and durable, to a pending file beside the counters file whose name says which document it
  // waits for; once the store holds that document the pending file replaces the counters file,
  // and if the store never gets it the pending file is dropped. Whoever finds a pending file
  // settles it against the store before using the counters.
  //
  // Writes the counters in memory to a pending file for aDocument; answers its name.
  std::string WritePending(const CountedDocument& aDocument);
  std::vector<PendingCounters> FindPending() const;
  // The store holds the document: the pending file becomes the counters file (and is read).
  void PutInPlace(const std::string& aPendingFile);
  // The store does not hold it: the pending file goes and the counters file is read again.
  void Drop(const std::string& aPendingFile);

  int32_t CurrentReceiptNo() const { return fCurrentReceiptNo; }
  void SetCurrentReceiptNo(int32_t aValue) { fCurrentReceiptNo = aValue; }
  const std::string& LastHash() const { return fLastHash; }
  void SetLastHash(const std::string& aValue) { fLastHash = aValue; }
  DateTime LastDate() const { return fLastDate; }
  void SetLastDate(DateTime aValue) { fLastDate = aValue; }
  const std::string& SerieValidationCode() const { return fSerieValidationCode; }
  void SetSerieValidationCode(const std::string& aValue) { fSerieValidationCode = aValue; }
  bool IsClosed() const { return fIsClosed; }
  void SetIsClosed(bool aValue) { fIsClosed = aValue; }
  const std::string& FileName() const { return fFileName; }
  void SetFileName(const std::string& aValue) { fFileName = aValue; }
  const std::string& TillSerial() const { return fTillSerial; }
  void SetTillSerial(const std::string& aValue) { fTillSerial = aValue; }
  DateTime CreatedAt() const { return fCreatedAt; }
  void SetCreatedAt(DateTime aValue) { fCreatedAt = aValue; }
  DateTime LastUpdatedAt() const { return fLastUpdatedAt; }
  void SetLastUpdatedAt(DateTime aValue) { fLastUpdatedAt = aValue; }
  int32_t CurrentZReportNo() const { return fCurrentZReportNo; }
  void SetCurrentZReportNo(int32_t aValue) { fCurrentZReportNo = aValue; }
  Amount DailyTotal() const { return fDailyTotal; }
  void SetDailyTotal(Amount aValue) { fDailyTotal = aValue; }
  Amount DailySales() const { return fDailySales; }
  void SetDailySales(Amount aValue) { fDailySales = aValue; }
  Amount DailyRefunds() const { return fDailyRefunds; }
  void SetDailyRefunds(Amount aValue) { fDailyRefunds = aValue; }
  Amount DailyVoids() const { return fDailyVoids; }
  void SetDailyVoids(Amount aValue) { fDailyVoids = aValue; }
  Amount DailyDiscounts() const { return fDailyDiscounts; }
  void SetDailyDiscounts(Amount aValue) { fDailyDiscounts = aValue; }
  Amount GrandTotalTotal() const { return fGrandTotalTotal; }
  void SetGrandTotalTotal(Amount aValue) { fGrandTotalTotal = aValue; }
  Amount GrandTotalSales() const { return fGrandTotalSales; }
  void SetGrandTotalSales(Amount aValue) { fGrandTotalSales = aValue; }
  Amount GrandTotalRefunds() const { return fGrandTotalRefunds; }
  void SetGrandTotalRefunds(Amount aValue) { fGrandTotalRefunds = aValue; }
  Amount GrandTotalVoids() const { return fGrandTotalVoids; }
  void SetGrandTotalVoids(Amount aValue) { fGrandTotalVoids = aValue; }
  Amount GrandTotalDiscounts() const { return fGrandTotalDiscounts; }
  void SetGrandTotalDiscounts(Amount aValue) { fGrandTotalDiscounts = aValue; }
  bool TrainingMode() const { return fTrainingMode; }
  void SetTrainingMode(bool aValue) { fTrainingMode = aValue; }

 private:
  int32_t fCurrentReceiptNo = 0;
  std::string fLastHash;
  DateTime fLastDate;
  std::string fSerieValidationCode;
  bool fIsClosed = false;
  std::string fFileName;
  std::string fTillSerial;
  DateTime fCreatedAt;
  DateTime fLastUpdatedAt;
  int32_t fCurrentZReportNo = 0;
  Amount fDailyTotal, fDailySales, fDailyRefunds, fDailyVoids, fDailyDiscounts;
  Amount fGrandTotalTotal, fGrandTotalSales, fGrandTotalRefunds, fGrandTotalVoids, fGrandTotalDiscounts;
  bool fTrainingMode = false;

  std::string Text() const;
  // The day and grand totals from their parts: sales - refunds - voids.
  void RecomputeTotals();
};

}  // namespace dodu
