#pragma once

#include <string>

#include "base/amount.h"
#include "receipt/owning_list.h"
#include "receipt/receipt_types.h"

namespace dodu {

class kReceipt;

class kReceiptPaymentLine {
 public:
  explicit kReceiptPaymentLine(kReceipt* aOwner) : fOwner(aOwner) {}

  kReceipt* fOwner;  // not owned
  qvReceiptPaymentType fPaymentType = rpt_Cash;
  std::string fDescription;
  Amount fAmount;
  std::string fCurrency;
  Amount fQuantity;
  Amount fUnitPrice;
};

class kReceiptPaymentLines : public kOwningList<kReceiptPaymentLine> {
 public:
  // What was paid: every payment except the change given back.
  Amount TotalAmount() const;
};

}  // namespace dodu
