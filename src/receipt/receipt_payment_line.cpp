#include "receipt/receipt_payment_line.h"

namespace dodu {

Amount kReceiptPaymentLines::TotalAmount() const {
  Amount sum;
  for (const auto& line : *this)
    if (line->fPaymentType != Rpt_Change) sum += line->fAmount;
  return sum;
}

}  // namespace dodu
