#include "pt/document_limits.h"

#include "base/conversions.h"
#include "base/error.h"
#include "pt/fiscal_processor_counters.h"
#include "receipt/receipt.h"

namespace dodu {

void RefuseImplausibleDocument(const kReceipt& R, DateTime aNow) {
  // A document without a date would be stored as 1899-12-30 and signed so.
  if (R.fReceiptDateTime.IsZero()) throw Error("Invoice date is missing: the receipt has no DateTime");
  const DateTime latest(aNow.value + kFutureDateToleranceMinutes / (24.0 * 60.0));
  for (DateTime date : {R.fReceiptDateTime, R.fBusinessDate}) {
    if (date > latest)
      throw Error("Invoice date " + DateTimeToText(date) + " is later than the system date " + DateTimeToText(aNow));
  }
  if (R.fTotalAmount.Abs() > Amount::Parse(kMaxDocumentTotal)) {
    throw Error("Total amount " + R.fTotalAmount.ToText() + " is beyond the limit of " + kMaxDocumentTotal +
                " for one document");
  }
}

void RefuseUncountableDocument(const kFiscalProcessorCounters& aCounters, qvReceiptType aType, Amount aGrossTotal) {
  kFiscalProcessorCounters trial = aCounters;
  try {
    trial.Count(aType, aGrossTotal);
  } catch (const std::exception&) {
    throw Error("Total amount " + aGrossTotal.ToText() +
                " cannot be counted: the till's totals would pass the largest amount they can hold");
  }
}

DateTime BusinessDateOfSignedText(const std::string& aSignedText) {
  const size_t end = aSignedText.find(';');
  if (end == std::string::npos) return DateTime();
  try {
    return XmlTextToDate(aSignedText.substr(0, end));
  } catch (const std::exception&) {
    return DateTime();
  }
}

}  // namespace dodu
