#include "receipt/receipt.h"

namespace dodu {

namespace {

bool AdjustsLastItem(qvReceiptLineType aType) {
  return aType == rlt_DiscountAmount || aType == rlt_DiscountPercentage || aType == rlt_MarkupAmount ||
         aType == rlt_MarkupPercentage;
}

bool AdjustsSubtotal(qvReceiptLineType aType) {
  return aType == rlt_DiscountAmountOnSubtotal || aType == rlt_DiscountPercentageOnSubTotal ||
         aType == rlt_MarkupAmountOnSubtotal || aType == rlt_MarkupPercentageOnSubTotal;
}

}  // namespace

Amount kReceipt::GetCalculatedAmount() const {
  Amount sum;
  for (const auto& line : fLines) sum += line->GetAmount();
  return sum;
}

Amount kReceipt::GetTaxRate(const std::string& aTaxCode) const {
  const kReceiptTaxLine* tax = fTaxes.GetByTaxCode(aTaxCode);
  return tax != nullptr ? tax->fTaxRate : Amount();
}

Amount kReceipt::GetNetAmount(Amount aAmount, const std::string& aTaxCode) const {
  for (const auto& tax : fTaxes) {
    if (tax->fTaxCode != aTaxCode || tax->fTaxType != tt_VAT) continue;
    const Amount hundred = Amount::FromInteger(100);
    // aAmount × 100 is exact, so the division is the one rounding.
    return (aAmount * hundred) / (hundred + tax->fTaxRate);
  }
  return aAmount;
}

Amount kReceipt::TotalTaxableAmount() const {
  Amount sum;
  for (const auto& tax : fTaxes) sum += tax->fTaxableAmount;
  return sum;
}

Amount kReceipt::TotalTaxAmount() const {
  Amount sum;
  for (const auto& tax : fTaxes) sum += tax->fTaxAmount;
  return sum;
}

Amount kReceipt::TotalQuantity() const {
  Amount sum;
  for (const auto& line : fLines)
    if (const auto* product = dynamic_cast<const kReceiptLineProductSale*>(line.get())) sum += product->fQuantity;
  return sum;
}

void kReceipt::CalcLinesNetAmount() {
  // All three fields start afresh, so a second calculation gives the same result as the first.
  for (const auto& line : fLines) {
    line->fNetAmount = line->GetAmount();
    line->fNetAmountNoSubTotalDiscounts = line->fNetAmount;
    line->fTotalNoSubTotalDiscounts = Amount();
  }
  Amount running;
  kReceiptLine* last_item = nullptr;
  for (size_t index = 0; index < fLines.Count(); ++index) {
    kReceiptLine& line = fLines[index];
    if (last_item != nullptr) {
      if (AdjustsLastItem(line.fLineType)) {
        const Amount amount = line.GetAmount();
        last_item->fNetAmount += amount;
        last_item->fTotalNoSubTotalDiscounts += amount;
        last_item->fNetAmountNoSubTotalDiscounts += amount;
      } else if (AdjustsSubtotal(line.fLineType) && !running.IsZero()) {
        DistributeOnSubtotal(index, line.GetAmount(), running);
      }
    }
    running += line.GetAmount();
    if (line.IsItem()) last_item = &line;
  }
  if (fTotalAmount != running && last_item != nullptr) last_item->fNetAmount += fTotalAmount - running;
}

void kReceipt::DistributeOnSubtotal(size_t aLineIndex, Amount aDiscount, Amount aRunningTotal) {
  // The ratio keeps four decimals; the cumulative shares are rounded to cents so the lines add
  // up, and whatever rounding leaves over goes to the last line touched.
  const Amount ratio = aDiscount / aRunningTotal;
  Amount base;
  Amount distributed;
  kReceiptLine* touched = nullptr;
  for (size_t index = 0; index < aLineIndex; ++index) {
    kReceiptLine& line = fLines[index];
    if (!line.IsItem() || line.fNetAmount.IsZero()) continue;
    base += line.fNetAmount;
    const Amount cumulative = RoundAmountToCents(base * ratio);
    const Amount share = cumulative - distributed;
    distributed += share;
    line.fNetAmount += share;
    touched = &line;
  }
  if (touched != nullptr && distributed != aDiscount) touched->fNetAmount += aDiscount - distributed;
}

}  // namespace dodu
