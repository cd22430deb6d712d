#pragma once

#include <string>
#include <vector>

#include "saft/saft_invoice.h"
#include "saft/saft_settings.h"
#include "saft/stored_document.h"

namespace dodu {

// Turns a stored document into the file's invoice. The invoice number, dates and gross total
// are those of its signed text, so the text rebuilt from the file verifies against its Hash.
// Each item line's VAT-inclusive amount (discounts spread over the items as the receipt model
// does) is divided by 1 + rate per VAT class of the document, rounded to the cent per class, the
// last line of a class taking the class's remainder; the VAT payable is the gross total less
// the net total, so lines, net, VAT and gross add up to the cent.
//
// Raises an Error naming the document when it cannot be written as a valid file (a signed text
// that is not five fields, unreadable receipt XML, a line whose VAT class is not in its tax
// summary or not a mainland rate, an exempt line without an M-code and a reason of 6 to 60
// characters, no line at all). Facts worth a look that do not stop the file go to aNotes.
SaftInvoice BuildSaftInvoice(const StoredDocumentRow& aRow, const SaftSettings& aSettings,
                             std::vector<std::string>& aNotes);

}  // namespace dodu
