#pragma once

#include <memory>
#include <string>

#include "base/amount.h"
#include "receipt/owning_list.h"
#include "receipt/receipt_types.h"

namespace dodu {

class kReceipt;

// One line of a receipt. Amounts are stored as the caller sent them; GetAmount gives the line's
// signed contribution to the receipt total. Each concrete class starts with its own line type;
// the reader and the builders set it explicitly as well.
class kReceiptLine {
 public:
  explicit kReceiptLine(kReceipt* aOwner) : fOwner(aOwner) {}
  virtual ~kReceiptLine() = default;
  kReceiptLine(const kReceiptLine&) = delete;
  kReceiptLine& operator=(const kReceiptLine&) = delete;

  virtual Amount GetAmount() const = 0;

  qvReceiptLineType LineType() const { return fLineType; }
  void SetLineType(qvReceiptLineType aValue) { fLineType = aValue; }
  bool IsItem() const { return IsItemLineType(fLineType); }

  kReceipt* fOwner;  // not owned
  qvReceiptLineType fLineType = rlt_ProductSale;
  std::string fAdditionalInfo;
  // Filled by kReceipt::CalcLinesNetAmount.
  Amount fNetAmount;
  Amount fNetAmountNoSubTotalDiscounts;
  Amount fTotalNoSubTotalDiscounts;

 protected:
  // The description as handed out: unchanged when the owning receipt supports special
  // characters, normalized otherwise (also without an owner).
  std::string Normalized(const std::string& aText) const;
};

class kReceiptLineProductSale : public kReceiptLine {
 public:
  explicit kReceiptLineProductSale(kReceipt* aOwner) : kReceiptLine(aOwner) { fLineType = rlt_ProductSale; }
  static std::unique_ptr<kReceiptLineProductSale> Build(kReceipt* aReceipt, const std::string& aCode,
                                                        const std::string& aDescription, Amount aQuantity,
                                                        const std::string& aUOM, const std::string& aDepartment,
                                                        const std::string& aTaxCode, Amount aPrice, Amount aAmount,
                                                        const std::string& aAdditionalInfo,
                                                        const std::string& aVoucherCode);
  Amount GetAmount() const override;
  std::string Description() const { return Normalized(fDescription); }

  std::string fCode;
  std::string fDescription;
  Amount fQuantity;
  std::string fUOM;
  std::string fDepartment;
  std::string fTaxCode;
  Amount fPrice;
  Amount fAmount;
  bool fFreeOfCharge = false;
  qvReceiptLineAttribute fAttribute = rla_Product;
  std::string fVoucherCode;
};

class kReceiptLineProductReturn : public kReceiptLineProductSale {
 public:
  explicit kReceiptLineProductReturn(kReceipt* aOwner) : kReceiptLineProductSale(aOwner) {
    fLineType = rlt_ProductReturn;
  }
  Amount GetAmount() const override;
};

class kReceiptLineWeightedProductSale : public kReceiptLineProductSale {
 public:
  explicit kReceiptLineWeightedProductSale(kReceipt* aOwner) : kReceiptLineProductSale(aOwner) {
    fLineType = rlt_WeightedProductSale;
  }
  Amount fTare;
};

class kReceiptLineCollectAmount : public kReceiptLine {
 public:
  explicit kReceiptLineCollectAmount(kReceipt* aOwner) : kReceiptLine(aOwner) { fLineType = rlt_CollectAmount; }
  Amount GetAmount() const override { return fAmount; }
  std::string Description() const { return Normalized(fDescription); }

  std::string fDescription;
  std::string fDepartment;
  std::string fTaxCode;
  Amount fAmount;
};

class kReceiptLineVoucherSale : public kReceiptLine {
 public:
  explicit kReceiptLineVoucherSale(kReceipt* aOwner) : kReceiptLine(aOwner) { fLineType = rlt_VoucherSale; }
  Amount GetAmount() const override;
  std::string Description() const { return Normalized(fDescription); }

  std::string fCode;
  std::string fDescription;
  Amount fPrice;
  std::string fDepartment;
  std::string fTaxCode;
  bool fFreeOfCharge = false;
};

class kReceiptLineVoucherRedeem : public kReceiptLineVoucherSale {
 public:
  explicit kReceiptLineVoucherRedeem(kReceipt* aOwner) : kReceiptLineVoucherSale(aOwner) {
    fLineType = rlt_VoucherRedeem;
  }
  Amount GetAmount() const override;
};

class kReceiptLineGiftCardSale : public kReceiptLine {
 public:
  explicit kReceiptLineGiftCardSale(kReceipt* aOwner) : kReceiptLine(aOwner) { fLineType = rlt_GiftCardSale; }
  static std::unique_ptr<kReceiptLineGiftCardSale> Build(kReceipt* aReceipt, const std::string& aCode,
                                                         const std::string& aDescription,
                                                         const std::string& aDepartment,
                                                         const std::string& aTaxCode, Amount aPrice,
                                                         const std::string& aAdditionalInfo);
  Amount GetAmount() const override;
  std::string Description() const { return Normalized(fDescription); }

  std::string fCode;
  std::string fDescription;
  Amount fPrice;
  std::string fDepartment;
  std::string fTaxCode;
  bool fFreeOfCharge = false;
  std::string fTaxMode;
};

class kReceiptLineGiftCardRedeem : public kReceiptLineGiftCardSale {
 public:
  explicit kReceiptLineGiftCardRedeem(kReceipt* aOwner) : kReceiptLineGiftCardSale(aOwner) {
    fLineType = rlt_GiftCardRedeem;
  }
  static std::unique_ptr<kReceiptLineGiftCardRedeem> Build(kReceipt* aReceipt, const std::string& aCode,
                                                           const std::string& aDescription,
                                                           const std::string& aDepartment,
                                                           const std::string& aTaxCode, Amount aPrice,
                                                           const std::string& aTaxMode,
                                                           const std::string& aAdditionalInfo);
  Amount GetAmount() const override;
};

class kReceiptLineSubtotal : public kReceiptLine {
 public:
  explicit kReceiptLineSubtotal(kReceipt* aOwner) : kReceiptLine(aOwner) { fLineType = rlt_SubTotal; }
  Amount GetAmount() const override { return Amount(); }

  Amount fAmount;
};

class kReceiptLineText : public kReceiptLine {
 public:
  explicit kReceiptLineText(kReceipt* aOwner) : kReceiptLine(aOwner) { fLineType = rlt_Text; }
  Amount GetAmount() const override { return Amount(); }
  std::string Description() const { return Normalized(fDescription); }

  std::string fDescription;
};

// Discounts store a positive magnitude and subtract it; markups (subclasses below) add it.
class kReceiptLineDiscountAmount : public kReceiptLine {
 public:
  explicit kReceiptLineDiscountAmount(kReceipt* aOwner) : kReceiptLine(aOwner) { fLineType = rlt_DiscountAmount; }
  static std::unique_ptr<kReceiptLineDiscountAmount> Build(kReceipt* aReceipt, const std::string& aDescription,
                                                           Amount aAmount, const std::string& aReasonCode,
                                                           const std::string& aReasonNote,
                                                           const std::string& aAdditionalInfo);
  Amount GetAmount() const override { return -fAmount; }
  std::string Description() const { return Normalized(fDescription); }

  std::string fDescription;
  Amount fAmount;
  std::string fReasonCode;
  std::string fReasonNote;
};

// The percentage and the resulting amount are both stored as sent; neither is derived.
class kReceiptLineDiscountPercentage : public kReceiptLine {
 public:
  explicit kReceiptLineDiscountPercentage(kReceipt* aOwner) : kReceiptLine(aOwner) {
    fLineType = rlt_DiscountPercentage;
  }
  static std::unique_ptr<kReceiptLineDiscountPercentage> Build(kReceipt* aReceipt, const std::string& aDescription,
                                                               Amount aPercentage, Amount aAmount,
                                                               const std::string& aReasonCode,
                                                               const std::string& aReasonNote,
                                                               const std::string& aAdditionalInfo);
  Amount GetAmount() const override { return -fAmount; }
  std::string Description() const { return Normalized(fDescription); }

  std::string fDescription;
  Amount fPercentage;
  Amount fAmount;
  std::string fReasonCode;
  std::string fReasonNote;
};

class kReceiptLineDiscountAmountOnSubTotal : public kReceiptLineDiscountAmount {
 public:
  explicit kReceiptLineDiscountAmountOnSubTotal(kReceipt* aOwner) : kReceiptLineDiscountAmount(aOwner) {
    fLineType = rlt_DiscountAmountOnSubtotal;
  }
};

class kReceiptLineDiscountPercentageOnSubTotal : public kReceiptLineDiscountPercentage {
 public:
  explicit kReceiptLineDiscountPercentageOnSubTotal(kReceipt* aOwner) : kReceiptLineDiscountPercentage(aOwner) {
    fLineType = rlt_DiscountPercentageOnSubTotal;
  }
};

class kReceiptLineMarkupAmount : public kReceiptLineDiscountAmount {
 public:
  explicit kReceiptLineMarkupAmount(kReceipt* aOwner) : kReceiptLineDiscountAmount(aOwner) {
    fLineType = rlt_MarkupAmount;
  }
  Amount GetAmount() const override { return fAmount; }
};

class kReceiptLineMarkupPercentage : public kReceiptLineDiscountPercentage {
 public:
  explicit kReceiptLineMarkupPercentage(kReceipt* aOwner) : kReceiptLineDiscountPercentage(aOwner) {
    fLineType = rlt_MarkupPercentage;
  }
  Amount GetAmount() const override { return fAmount; }
};

class kReceiptLineMarkupAmountOnSubTotal : public kReceiptLineDiscountAmountOnSubTotal {
 public:
  explicit kReceiptLineMarkupAmountOnSubTotal(kReceipt* aOwner) : kReceiptLineDiscountAmountOnSubTotal(aOwner) {
    fLineType = rlt_MarkupAmountOnSubtotal;
  }
  Amount GetAmount() const override { return fAmount; }
};

class kReceiptLineMarkupPercentageOnSubTotal : public kReceiptLineDiscountPercentageOnSubTotal {
 public:
  explicit kReceiptLineMarkupPercentageOnSubTotal(kReceipt* aOwner)
      : kReceiptLineDiscountPercentageOnSubTotal(aOwner) {
    fLineType = rlt_MarkupPercentageOnSubTotal;
  }
  Amount GetAmount() const override { return fAmount; }
};

// The receipt's lines in document order.
class kReceiptLines : public kOwningList<kReceiptLine> {};

// A new, empty line of the class that stands for aLineType, with that line type.
std::unique_ptr<kReceiptLine> CreateReceiptLine(kReceipt* aOwner, qvReceiptLineType aLineType);

}  // namespace dodu
