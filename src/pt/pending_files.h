#pragma once

#include <string>

namespace dodu {

class StoreStatements;
class kFiscalProcessorCounters;
struct CountedDocument;

// The store's COMMIT is the one moment a document exists. The till's side files follow it: the
// new check file and the new counters are written, durable, as pending files before the COMMIT
// and put in place after it. Whoever next finds a pending file settles it against the store:
// the document is there, the file goes in place; it is not, the file is dropped. A crash at any
// instant therefore leaves files that the next operation makes agree with the store.

// "<series>.b64.pending" beside the check file.
std::string PendingCheckFileName(const std::string& aCheckFile);
// The check file the series will have once document aNumber is committed, encrypted with the
// private key like the check file itself.
void WritePendingCheckFile(const std::string& aCheckFile, int32_t aNumber);
// After the COMMIT. Not synced: a lost rename leaves the pending file, which is settled again.
void PutPendingCheckFileInPlace(const std::string& aCheckFile);
// Under the series lock, before the check file is read. A pending file counts only when it opens
// with the key, the Series row's last number is its number and the store holds that document
// with the Series row's last signature; anything else drops it, so a store changed behind the
// driver's back is refused exactly as before.
void SettlePendingCheckFile(const std::string& aSeriesCode, const std::string& aCheckFile, StoreStatements& aStore);

// Whether the store holds what a pending counters file counted: the issued document with its
// signature, or the void with its status change.
bool IsInStore(const CountedDocument& aDocument, StoreStatements& aStore);
// Settles every pending counters file of the till; the counters are then read from their file.
void SettlePendingCounters(kFiscalProcessorCounters& aCounters, StoreStatements& aStore);

}  // namespace dodu
