#include <functional>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "base/error.h"
#include "receipt/receipt.h"

namespace dodu {
namespace {

Amount A(const char* text) { return Amount::Parse(text); }

kReceiptLineProductSale& AddSale(kReceipt& receipt, const char* amount) {
  auto& line = receipt.fLines.Add(std::make_unique<kReceiptLineProductSale>(&receipt));
  line.fAmount = A(amount);
  return line;
}

template <typename Line>
Line& AddAdjustment(kReceipt& receipt, const char* amount) {
  auto& line = receipt.fLines.Add(std::make_unique<Line>(&receipt));
  line.fAmount = A(amount);
  return line;
}

std::vector<std::string> Nets(const kReceipt& receipt) {
  std::vector<std::string> nets;
  for (const auto& line : receipt.fLines) nets.push_back(line->fNetAmount.ToFixed(2));
  return nets;
}

TEST(ReceiptLineTest, SignedContributionOfEveryKindOfLine) {
  kReceipt receipt;
  struct Case {
    const char* name;
    std::function<std::unique_ptr<kReceiptLine>()> make;
    const char* expected;
  };
  auto product = [&](auto line, bool free) {
    line->fAmount = A("5");
    line->fFreeOfCharge = free;
    return std::unique_ptr<kReceiptLine>(std::move(line));
  };
  auto priced = [&](auto line, bool free) {
    line->fPrice = A("7.5");
    line->fFreeOfCharge = free;
    return std::unique_ptr<kReceiptLine>(std::move(line));
  };
  auto adjustment = [&](auto line) {
    line->fAmount = A("2");
    return std::unique_ptr<kReceiptLine>(std::move(line));
  };
  kReceipt* r = &receipt;
  const std::vector<Case> cases = {
      {"sale", [&] { return product(std::make_unique<kReceiptLineProductSale>(r), false); }, "5.0000"},
      {"free sale", [&] { return product(std::make_unique<kReceiptLineProductSale>(r), true); }, "0.0000"},
      {"return", [&] { return product(std::make_unique<kReceiptLineProductReturn>(r), false); }, "-5.0000"},
      {"free return", [&] { return product(std::make_unique<kReceiptLineProductReturn>(r), true); }, "0.0000"},
      {"weighted", [&] { return product(std::make_unique<kReceiptLineWeightedProductSale>(r), false); }, "5.0000"},
      {"voucher sale", [&] { return priced(std::make_unique<kReceiptLineVoucherSale>(r), false); }, "7.5000"},
      {"free voucher", [&] { return priced(std::make_unique<kReceiptLineVoucherSale>(r), true); }, "0.0000"},
      {"voucher redeem", [&] { return priced(std::make_unique<kReceiptLineVoucherRedeem>(r), false); }, "-7.5000"},
      {"gift card sale", [&] { return priced(std::make_unique<kReceiptLineGiftCardSale>(r), false); }, "7.5000"},
      {"gift card redeem", [&] { return priced(std::make_unique<kReceiptLineGiftCardRedeem>(r), false); }, "-7.5000"},
      {"free gift card redeem", [&] { return priced(std::make_unique<kReceiptLineGiftCardRedeem>(r), true); },
       "0.0000"},
      {"collect", [&] { return adjustment(std::make_unique<kReceiptLineCollectAmount>(r)); }, "2.0000"},
      {"subtotal", [&] { return adjustment(std::make_unique<kReceiptLineSubtotal>(r)); }, "0.0000"},
      {"text", [&] { return std::unique_ptr<kReceiptLine>(std::make_unique<kReceiptLineText>(r)); }, "0.0000"},
      {"discount", [&] { return adjustment(std::make_unique<kReceiptLineDiscountAmount>(r)); }, "-2.0000"},
      {"discount %", [&] { return adjustment(std::make_unique<kReceiptLineDiscountPercentage>(r)); }, "-2.0000"},
      {"discount on subtotal", [&] { return adjustment(std::make_unique<kReceiptLineDiscountAmountOnSubTotal>(r)); },
       "-2.0000"},
      {"discount % on subtotal",
       [&] { return adjustment(std::make_unique<kReceiptLineDiscountPercentageOnSubTotal>(r)); }, "-2.0000"},
      {"markup", [&] { return adjustment(std::make_unique<kReceiptLineMarkupAmount>(r)); }, "2.0000"},
      {"markup %", [&] { return adjustment(std::make_unique<kReceiptLineMarkupPercentage>(r)); }, "2.0000"},
      {"markup on subtotal", [&] { return adjustment(std::make_unique<kReceiptLineMarkupAmountOnSubTotal>(r)); },
       "2.0000"},
      {"markup % on subtotal",
       [&] { return adjustment(std::make_unique<kReceiptLineMarkupPercentageOnSubTotal>(r)); }, "2.0000"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.make()->GetAmount().ToFixed(4), c.expected) << c.name;
}

TEST(ReceiptLineTest, FactoryMakesTheClassOfEachLineType) {
  kReceipt receipt;
  for (int type = rlt_ProductSale; type <= rlt_CollectAmount; ++type) {
    auto line = CreateReceiptLine(&receipt, static_cast<qvReceiptLineType>(type));
    EXPECT_EQ(line->fLineType, type);
    EXPECT_EQ(line->fOwner, &receipt);
  }
  EXPECT_NE(dynamic_cast<kReceiptLineMarkupPercentageOnSubTotal*>(
                CreateReceiptLine(&receipt, rlt_MarkupPercentageOnSubTotal).get()),
            nullptr);
  EXPECT_NE(dynamic_cast<kReceiptLineWeightedProductSale*>(CreateReceiptLine(&receipt, rlt_WeightedProductSale).get()),
            nullptr);
}

TEST(ReceiptLineTest, BuildersStoreArgumentsUnchanged) {
  kReceipt receipt;
  auto sale = kReceiptLineProductSale::Build(&receipt, "C1", "Coffee", A("1.5"), "UN", "D1", "NOR", A("2"),
                                             A("3.00005"), "info", "V1");
  EXPECT_EQ(sale->fLineType, rlt_ProductSale);
  EXPECT_EQ(sale->fQuantity, A("1.5"));
  EXPECT_EQ(sale->fAmount.Raw(), A("3.00005").Raw());
  EXPECT_EQ(sale->fAttribute, rla_Product);
  EXPECT_FALSE(sale->fFreeOfCharge);
  EXPECT_EQ(sale->fVoucherCode, "V1");
  EXPECT_EQ(sale->fAdditionalInfo, "info");

  auto discount = kReceiptLineDiscountPercentage::Build(&receipt, "Promo", A("10"), A("1.5"), "R", "note", "x");
  EXPECT_EQ(discount->fLineType, rlt_DiscountPercentage);
  EXPECT_EQ(discount->fPercentage, A("10"));
  EXPECT_EQ(discount->GetAmount(), A("-1.5"));  // stored positive, subtracted

  auto redeem = kReceiptLineGiftCardRedeem::Build(&receipt, "G", "Card", "D", "T", A("20"), "mode", "y");
  EXPECT_EQ(redeem->fLineType, rlt_GiftCardRedeem);
  EXPECT_EQ(redeem->fTaxMode, "mode");
  EXPECT_EQ(redeem->GetAmount(), A("-20"));
  EXPECT_TRUE(receipt.fLines.empty());  // builders do not add
}

TEST(ReceiptLineTest, DescriptionsAreNormalizedUnlessTheReceiptSupportsSpecialChars) {
  kReceipt receipt;
  auto line = kReceiptLineProductSale::Build(&receipt, "", "CAFÉ TOTALE €", A("1"), "", "", "", A("1"), A("1"),
                                             "", "");
  EXPECT_EQ(line->Description(), "CAFE TOT. E");
  receipt.fSupportSpecialChars = true;
  EXPECT_EQ(line->Description(), "CAFÉ TOTALE €");
  kReceiptLineText orphan(nullptr);
  orphan.fDescription = "caffè";
  EXPECT_EQ(orphan.Description(), "caff ");

  kReceiptMessageTextLine message(&receipt);
  message.SetValue("ação");
  EXPECT_EQ(message.Value(), "ação");
  receipt.fSupportSpecialChars = false;
  EXPECT_EQ(message.Value(), "a  o");
  EXPECT_EQ(message.fValue, "ação");
}

TEST(ReceiptNetAmountTest, SubtotalDiscountSpreadsWithTheRemainderOnTheTouchedLine) {
  struct Case {
    std::vector<const char*> items;
    const char* discount;
    std::vector<std::string> nets;  // items, then the discount line's own net
  };
  const std::vector<Case> cases = {
      {{"10", "10", "10"}, "10", {"6.67", "6.66", "6.67", "-10.00"}},
      {{"10", "20"}, "3", {"9.00", "18.00", "-3.00"}},
      // Cumulative rounding puts the one cent where the running base crosses the half cent.
      {{"0.33", "0.33", "0.34"}, "0.01", {"0.33", "0.32", "0.34", "-0.01"}},
      // The ratio keeps four decimals (-0.0003), so 0.10 is left over for the last line touched.
      {{"1000", "2000"}, "1", {"999.70", "1999.30", "-1.00"}},
  };
  for (const Case& c : cases) {
    kReceipt receipt;
    Amount total;
    for (const char* item : c.items) total += AddSale(receipt, item).fAmount;
    AddAdjustment<kReceiptLineDiscountAmountOnSubTotal>(receipt, c.discount);
    receipt.fTotalAmount = total - A(c.discount);
    receipt.CalcLinesNetAmount();
    EXPECT_EQ(Nets(receipt), c.nets) << c.items.size() << " items, discount " << c.discount;
  }
}

TEST(ReceiptNetAmountTest, ItemDiscountsAndMarkupsGoToTheItemBefore) {
  kReceipt receipt;
  AddSale(receipt, "10");
  AddAdjustment<kReceiptLineDiscountAmount>(receipt, "1");
  AddSale(receipt, "20");
  AddAdjustment<kReceiptLineMarkupPercentage>(receipt, "2");
  receipt.fTotalAmount = A("31");
  receipt.CalcLinesNetAmount();
  EXPECT_EQ(receipt.fLines[0].fNetAmount, A("9"));
  EXPECT_EQ(receipt.fLines[0].fTotalNoSubTotalDiscounts, A("-1"));
  EXPECT_EQ(receipt.fLines[0].fNetAmountNoSubTotalDiscounts, A("9"));
  EXPECT_EQ(receipt.fLines[2].fNetAmount, A("22"));
  // A second calculation gives the same result: nothing accumulates across calls.
  receipt.CalcLinesNetAmount();
  EXPECT_EQ(receipt.fLines[0].fTotalNoSubTotalDiscounts, A("-1"));
  EXPECT_EQ(receipt.fLines[0].fNetAmount, A("9"));
  EXPECT_EQ(receipt.fLines[2].fTotalNoSubTotalDiscounts, A("2"));
}

TEST(ReceiptNetAmountTest, SubtotalDiscountWithoutABaseChangesNothing) {
  {
    kReceipt receipt;  // before any item
    AddAdjustment<kReceiptLineDiscountAmountOnSubTotal>(receipt, "5");
    AddSale(receipt, "10");
    receipt.fTotalAmount = A("5");
    receipt.CalcLinesNetAmount();
    EXPECT_EQ(Nets(receipt), (std::vector<std::string>{"-5.00", "10.00"}));
  }
  {
    kReceipt receipt;  // running total 0
    AddSale(receipt, "10");
    receipt.fLines.Add(std::make_unique<kReceiptLineProductReturn>(&receipt)).fAmount = A("10");
    AddAdjustment<kReceiptLineDiscountPercentageOnSubTotal>(receipt, "1");
    receipt.fTotalAmount = A("-1");
    receipt.CalcLinesNetAmount();
    EXPECT_EQ(Nets(receipt), (std::vector<std::string>{"10.00", "-10.00", "-1.00"}));
  }
}

TEST(ReceiptNetAmountTest, DeclaredTotalCorrectsTheLastItem) {
  kReceipt receipt;
  AddSale(receipt, "10");
  AddSale(receipt, "5");
  receipt.fLines.Add(std::make_unique<kReceiptLineText>(&receipt));
  receipt.fTotalAmount = A("15.01");
  receipt.CalcLinesNetAmount();
  EXPECT_EQ(Nets(receipt), (std::vector<std::string>{"10.00", "5.01", "0.00"}));
}

TEST(ReceiptTotalsTest, TotalsAndTaxQueries) {
  kReceipt receipt;
  AddSale(receipt, "12.30").fQuantity = A("2");
  auto& ret = receipt.fLines.Add(std::make_unique<kReceiptLineProductReturn>(&receipt));
  ret.fAmount = A("1");
  ret.fQuantity = A("1.5");
  receipt.fLines.Add(std::make_unique<kReceiptLineWeightedProductSale>(&receipt)).fQuantity = A("0.25");
  AddAdjustment<kReceiptLineCollectAmount>(receipt, "3");
  EXPECT_EQ(receipt.GetCalculatedAmount(), A("14.30"));
  EXPECT_EQ(receipt.TotalQuantity(), A("3.75"));

  auto add_tax = [&](qvReceiptTaxType type, const char* code, const char* rate, const char* taxable, const char* tax) {
    auto& line = receipt.fTaxes.Add(std::make_unique<kReceiptTaxLine>(&receipt));
    line.fTaxType = type;
    line.fTaxCode = code;
    line.fTaxRate = A(rate);
    line.fTaxableAmount = A(taxable);
    line.fTaxAmount = A(tax);
    return &line;
  };
  add_tax(tt_SalesTax, "NOR", "6", "1", "0.06");
  kReceiptTaxLine* normal = add_tax(tt_VAT, "NOR", "23", "10", "2.30");
  add_tax(tt_VAT, "ALT", "23.0001", "100", "23");
  add_tax(tt_VAT, "RED", "23", "5", "1.15");

  EXPECT_EQ(receipt.TotalTaxableAmount(), A("116"));
  EXPECT_EQ(receipt.TotalTaxAmount(), A("26.51"));
  EXPECT_EQ(receipt.fTaxes.Amount(), A("26.51"));
  EXPECT_EQ(receipt.fTaxes.GetByTaxCode("NOR")->fTaxType, tt_SalesTax);
  EXPECT_EQ(receipt.fTaxes.GetByTaxCode("nor"), nullptr);
  EXPECT_EQ(receipt.fTaxes.GetTaxableAmountByTaxRate(A("23")), A("15"));
  EXPECT_EQ(receipt.fTaxes.GetTaxAmountByTaxRate(A("23")), A("3.45"));
  EXPECT_EQ(receipt.fTaxes.GetTaxAmountByTaxRate(A("13")), Amount());
  EXPECT_EQ(receipt.GetTaxRate("NOR"), A("6"));  // first line of the code, any type
  EXPECT_EQ(receipt.GetTaxRate("none"), Amount());
  // The net amount uses the first VAT line of the code, skipping the sales tax.
  EXPECT_EQ(receipt.GetNetAmount(A("12.30"), "NOR").ToFixed(4), "10.0000");
  EXPECT_EQ(receipt.GetNetAmount(A("12.30"), "none"), A("12.30"));
  EXPECT_EQ(receipt.GetNetAmount(A("10"), "RED").ToFixed(4), "8.1301");
  normal->fTaxRate = A("-100");
  EXPECT_THROW(receipt.GetNetAmount(A("1"), "NOR"), Error);
}

TEST(ReceiptTotalsTest, PaymentTotalLeavesOutTheChange) {
  kReceipt receipt;
  for (auto [type, amount] : {std::pair{rpt_Cash, "50"}, {rpt_CreditCard, "10"}, {Rpt_Change, "-12.5"}}) {
    auto& payment = receipt.PaymentLines().Add(std::make_unique<kReceiptPaymentLine>(&receipt));
    payment.fPaymentType = type;
    payment.fAmount = A(amount);
  }
  EXPECT_EQ(receipt.fPayments.TotalAmount(), A("60"));
}

TEST(ReceiptTotalsTest, OverflowingTotalsRaiseInsteadOfWrapping) {
  kReceipt receipt;
  AddSale(receipt, "900000000000000");
  AddSale(receipt, "900000000000000");
  EXPECT_THROW(receipt.GetCalculatedAmount(), Error);
  EXPECT_THROW(receipt.CalcLinesNetAmount(), Error);
}

}  // namespace
}  // namespace dodu
