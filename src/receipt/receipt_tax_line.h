#pragma once

#include <string>

#include "base/amount.h"
#include "receipt/owning_list.h"
#include "receipt/receipt_types.h"

namespace dodu {

class kReceipt;

// One line of the receipt's tax summary. The rate is a percentage: 23 % is 23.0000.
class kReceiptTaxLine {
 public:
  explicit kReceiptTaxLine(kReceipt* aOwner) : fOwner(aOwner) {}

  kReceipt* fOwner;  // not owned
  qvReceiptTaxType fTaxType = tt_VAT;
  std::string fTaxCode;
  std::string fTaxDescription;
  Amount fTaxRate;
  Amount fTaxableAmount;
  Amount fTaxAmount;
  Amount fTotalAmount;
};

class kReceiptTaxLines : public kOwningList<kReceiptTaxLine> {
 public:
  // The sum of the tax amounts (not of the gross totals).
  dodu::Amount Amount() const;
  // The first line with exactly this tax code (letter case included), or nullptr.
  kReceiptTaxLine* GetByTaxCode(const std::string& aCode) const;
  // Sums over the lines whose rate equals aTaxRate exactly; 0 when there is none.
  dodu::Amount GetTaxableAmountByTaxRate(dodu::Amount aTaxRate) const;
  dodu::Amount GetTaxAmountByTaxRate(dodu::Amount aTaxRate) const;
};

}  // namespace dodu
