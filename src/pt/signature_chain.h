#pragma once

#include <string>

#include "base/amount.h"
#include "base/date_time.h"

namespace dodu {

// The signed text of a document: invoice date; system entry date-time; invoice number; gross
// total; previous signature of the series (empty for the first document).
std::string BuildSignedText(DateTime aBusinessDate, DateTime aSystemEntryDateTime, const std::string& aInvoiceNumber,
                            Amount aTotalAmount, const std::string& aPreviousSignature);

// The characters 1, 11, 21 and 31 of the signature.
std::string ShortHash(const std::string& aSignature);

// The system entry date-time in whole seconds, as it is signed and stored.
DateTime WholeSeconds(DateTime aValue);

}  // namespace dodu
