#include "pt/pending_files.h"

#include "base/conversions.h"
#include "base/error.h"
#include "platform/files.h"
#include "pt/crypto_service.h"
#include "pt/document_series.h"
#include "pt/fiscal_processor_counters.h"
#include "pt/store_statements.h"

namespace dodu {

std::string PendingCheckFileName(const std::string& aCheckFile) { return aCheckFile + ".pending"; }

void WritePendingCheckFile(const std::string& aCheckFile, int32_t aNumber) {
  WriteCheckFile(PendingCheckFileName(aCheckFile), std::to_string(aNumber));
}

void PutPendingCheckFileInPlace(const std::string& aCheckFile) {
  const std::string pending = PendingCheckFileName(aCheckFile);
  if (!RenameFile(pending, aCheckFile))
    throw Error("Cannot put " + pending + " in place of " + aCheckFile + ": " + LastSystemError());
}

void SettlePendingCheckFile(const std::string& aSeriesCode, const std::string& aCheckFile, StoreStatements& aStore) {
  const std::string pending = PendingCheckFileName(aCheckFile);
  std::string text;
  // A file that does not open with the key raises: it was not written by this driver.
  if (!ReadCheckFile(pending, text)) return;
  const int32_t number = CheckNumberOf(text);
  const SeriesEnd series = aStore.LoadSeriesEnd(aSeriesCode);
  bool committed = false;
  if (series.found && number > 0 && series.lastNumber == number) {
    const DocumentState document = aStore.LoadDocumentState(aSeriesCode, number);
    committed = document.found && !document.hash.empty() && document.hash == series.lastHash;
  }
  if (committed) {
    PutPendingCheckFileInPlace(aCheckFile);
  } else if (!DeleteFile(pending) && FileExists(pending)) {
    throw Error("Cannot delete file " + pending + ": " + LastSystemError());
  }
}

bool IsInStore(const CountedDocument& aDocument, StoreStatements& aStore) {
  const DocumentState stored = aStore.LoadDocumentState(aDocument.seriesCode, aDocument.number);
  if (!stored.found) return false;
  if (aDocument.isVoid)
    return stored.status == "A" &&
           DateTimeToXmlText(false, stored.lastStatusDateTime) == DateTimeToXmlText(false, aDocument.voidedAt);
  return !aDocument.hash.empty() && stored.hash.starts_with(aDocument.hash);
}

void SettlePendingCounters(kFiscalProcessorCounters& aCounters, StoreStatements& aStore) {
  for (const PendingCounters& pending : aCounters.FindPending()) {
    if (IsInStore(pending.document, aStore)) aCounters.PutInPlace(pending.fileName);
    else aCounters.Drop(pending.fileName);
  }
}

}  // namespace dodu
