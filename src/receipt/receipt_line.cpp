#include "receipt/receipt_line.h"

#include "base/error.h"
#include "receipt/receipt.h"
#include "receipt/receipt_util.h"

namespace dodu {

std::string kReceiptLine::Normalized(const std::string& aText) const {
  if (fOwner != nullptr && fOwner->fSupportSpecialChars) return aText;
  return krptUtil::NormalizeText(aText);
}

Amount kReceiptLineProductSale::GetAmount() const { return fFreeOfCharge ? Amount() : fAmount; }

Amount kReceiptLineProductReturn::GetAmount() const { return fFreeOfCharge ? Amount() : -fAmount; }

Amount kReceiptLineVoucherSale::GetAmount() const { return fFreeOfCharge ? Amount() : fPrice; }

Amount kReceiptLineVoucherRedeem::GetAmount() const { return fFreeOfCharge ? Amount() : -fPrice; }

Amount kReceiptLineGiftCardSale::GetAmount() const { return fFreeOfCharge ? Amount() : fPrice; }

Amount kReceiptLineGiftCardRedeem::GetAmount() const { return fFreeOfCharge ? Amount() : -fPrice; }

std::unique_ptr<kReceiptLineProductSale> kReceiptLineProductSale::Build(
    kReceipt* aReceipt, const std::string& aCode, const std::string& aDescription, Amount aQuantity,
    const std::string& aUOM, const std::string& aDepartment, const std::string& aTaxCode, Amount aPrice,
    Amount aAmount, const std::string& aAdditionalInfo, const std::string& aVoucherCode) {
  auto line = std::make_unique<kReceiptLineProductSale>(aReceipt);
  line->fCode = aCode;
  line->fDescription = aDescription;
  line->fQuantity = aQuantity;
  line->fUOM = aUOM;
  line->fDepartment = aDepartment;
  line->fTaxCode = aTaxCode;
  line->fPrice = aPrice;
  line->fAmount = aAmount;
  line->fAdditionalInfo = aAdditionalInfo;
  line->fVoucherCode = aVoucherCode;
  line->fLineType = rlt_ProductSale;
  return line;
}

std::unique_ptr<kReceiptLineGiftCardSale> kReceiptLineGiftCardSale::Build(
    kReceipt* aReceipt, const std::string& aCode, const std::string& aDescription, const std::string& aDepartment,
    const std::string& aTaxCode, Amount aPrice, const std::string& aAdditionalInfo) {
  auto line = std::make_unique<kReceiptLineGiftCardSale>(aReceipt);
  line->fCode = aCode;
  line->fDescription = aDescription;
  line->fDepartment = aDepartment;
  line->fTaxCode = aTaxCode;
  line->fPrice = aPrice;
  line->fAdditionalInfo = aAdditionalInfo;
  line->fLineType = rlt_GiftCardSale;
  return line;
}

std::unique_ptr<kReceiptLineGiftCardRedeem> kReceiptLineGiftCardRedeem::Build(
    kReceipt* aReceipt, const std::string& aCode, const std::string& aDescription, const std::string& aDepartment,
    const std::string& aTaxCode, Amount aPrice, const std::string& aTaxMode, const std::string& aAdditionalInfo) {
  auto line = std::make_unique<kReceiptLineGiftCardRedeem>(aReceipt);
  line->fCode = aCode;
  line->fDescription = aDescription;
  line->fDepartment = aDepartment;
  line->fTaxCode = aTaxCode;
  line->fPrice = aPrice;
  line->fTaxMode = aTaxMode;
  line->fAdditionalInfo = aAdditionalInfo;
  line->fLineType = rlt_GiftCardRedeem;
  return line;
}

std::unique_ptr<kReceiptLineDiscountAmount> kReceiptLineDiscountAmount::Build(
    kReceipt* aReceipt, const std::string& aDescription, Amount aAmount, const std::string& aReasonCode,
    const std::string& aReasonNote, const std::string& aAdditionalInfo) {
  auto line = std::make_unique<kReceiptLineDiscountAmount>(aReceipt);
  line->fDescription = aDescription;
  line->fAmount = aAmount;
  line->fReasonCode = aReasonCode;
  line->fReasonNote = aReasonNote;
  line->fAdditionalInfo = aAdditionalInfo;
  line->fLineType = rlt_DiscountAmount;
  return line;
}

std::unique_ptr<kReceiptLineDiscountPercentage> kReceiptLineDiscountPercentage::Build(
    kReceipt* aReceipt, const std::string& aDescription, Amount aPercentage, Amount aAmount,
    const std::string& aReasonCode, const std::string& aReasonNote, const std::string& aAdditionalInfo) {
  auto line = std::make_unique<kReceiptLineDiscountPercentage>(aReceipt);
  line->fDescription = aDescription;
  line->fPercentage = aPercentage;
  line->fAmount = aAmount;
  line->fReasonCode = aReasonCode;
  line->fReasonNote = aReasonNote;
  line->fAdditionalInfo = aAdditionalInfo;
  line->fLineType = rlt_DiscountPercentage;
  return line;
}

std::unique_ptr<kReceiptLine> CreateReceiptLine(kReceipt* aOwner, qvReceiptLineType aLineType) {
  std::unique_ptr<kReceiptLine> line;
  switch (aLineType) {
    case rlt_ProductSale: line = std::make_unique<kReceiptLineProductSale>(aOwner); break;
    case rlt_ProductReturn: line = std::make_unique<kReceiptLineProductReturn>(aOwner); break;
    case rlt_WeightedProductSale: line = std::make_unique<kReceiptLineWeightedProductSale>(aOwner); break;
    case rlt_VoucherSale: line = std::make_unique<kReceiptLineVoucherSale>(aOwner); break;
    case rlt_VoucherRedeem: line = std::make_unique<kReceiptLineVoucherRedeem>(aOwner); break;
    case rlt_GiftCardSale: line = std::make_unique<kReceiptLineGiftCardSale>(aOwner); break;
    case rlt_GiftCardRedeem: line = std::make_unique<kReceiptLineGiftCardRedeem>(aOwner); break;
    case rlt_SubTotal: line = std::make_unique<kReceiptLineSubtotal>(aOwner); break;
    case rlt_Text: line = std::make_unique<kReceiptLineText>(aOwner); break;
    case rlt_DiscountAmount: line = std::make_unique<kReceiptLineDiscountAmount>(aOwner); break;
    case rlt_DiscountPercentage: line = std::make_unique<kReceiptLineDiscountPercentage>(aOwner); break;
    case rlt_DiscountAmountOnSubtotal: line = std::make_unique<kReceiptLineDiscountAmountOnSubTotal>(aOwner); break;
    case rlt_DiscountPercentageOnSubTotal:
      line = std::make_unique<kReceiptLineDiscountPercentageOnSubTotal>(aOwner);
      break;
    case rlt_MarkupAmount: line = std::make_unique<kReceiptLineMarkupAmount>(aOwner); break;
    case rlt_MarkupPercentage: line = std::make_unique<kReceiptLineMarkupPercentage>(aOwner); break;
    case rlt_MarkupAmountOnSubtotal: line = std::make_unique<kReceiptLineMarkupAmountOnSubTotal>(aOwner); break;
    case rlt_MarkupPercentageOnSubTotal:
      line = std::make_unique<kReceiptLineMarkupPercentageOnSubTotal>(aOwner);
      break;
    case rlt_CollectAmount: line = std::make_unique<kReceiptLineCollectAmount>(aOwner); break;
  }
  if (!line) throw Error("LineType " + std::to_string(static_cast<int>(aLineType)) + " is invalid");
  line->fLineType = aLineType;
  return line;
}

}  // namespace dodu
