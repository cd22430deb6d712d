#pragma once

#include <cstdint>
#include <string>

#include "base/amount.h"
#include "base/date_time.h"
#include "receipt/receipt_types.h"

namespace dodu {

class kReceipt;
class kFiscalProcessorCounters;

// How far a document's date may lie ahead of the system clock: tills and server drift a little,
// but a document from the future would block its series until that date.
inline constexpr int kFutureDateToleranceMinutes = 5;
// The largest total one document may carry; anything above is a keying or a till fault.
inline constexpr const char* kMaxDocumentTotal = "999999999.99";
// The printed and signed numbers have seven digits: the last number a series can issue.
inline constexpr int32_t kLastSeriesNumber = 9999999;

// Raises, before anything is locked, for a document a series or a till could never get past: a
// missing date-time, a date-time or business date later than aNow plus the tolerance, a total
// beyond the limit.
void RefuseImplausibleDocument(const kReceipt& aReceipt, DateTime aNow);
// Raises when counting the document would carry a total of the till past the amount type.
void RefuseUncountableDocument(const kFiscalProcessorCounters& aCounters, qvReceiptType aType, Amount aGrossTotal);
// The business date a stored document was signed with (the first field of its signed text);
// 0 when the text has none.
DateTime BusinessDateOfSignedText(const std::string& aSignedText);

}  // namespace dodu
