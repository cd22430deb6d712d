#include "receipt/receipt_tax_line.h"

namespace dodu {

Amount kReceiptTaxLines::Amount() const {
  dodu::Amount sum;
  for (const auto& line : *this) sum += line->fTaxAmount;
  return sum;
}

kReceiptTaxLine* kReceiptTaxLines::GetByTaxCode(const std::string& aCode) const {
  for (const auto& line : *this)
    if (line->fTaxCode == aCode) return line.get();
  return nullptr;
}

Amount kReceiptTaxLines::GetTaxableAmountByTaxRate(dodu::Amount aTaxRate) const {
  dodu::Amount sum;
  for (const auto& line : *this)
    if (line->fTaxRate == aTaxRate) sum += line->fTaxableAmount;
  return sum;
}

Amount kReceiptTaxLines::GetTaxAmountByTaxRate(dodu::Amount aTaxRate) const {
  dodu::Amount sum;
  for (const auto& line : *this)
    if (line->fTaxRate == aTaxRate) sum += line->fTaxAmount;
  return sum;
}

}  // namespace dodu
