// The text codes of the receipt enumerations (krptUtil decoders and encoders).
#include <array>
#include <utility>

#include "base/error.h"
#include "base/ascii_text.h"
#include "receipt/receipt_util.h"

namespace dodu {

namespace {

template <typename E, size_t N>
using CodeTable = std::array<std::pair<const char*, E>, N>;

// The member whose code equals the lower-cased text, else the error "<label> <text> is invalid".
template <typename E, size_t N>
E Decode(const CodeTable<E, N>& aTable, std::string_view aText, const char* aLabel) {
  const std::string lower = AsciiLower(aText);
  for (const auto& [code, value] : aTable)
    if (lower == code) return value;
  throw Error(std::string(aLabel) + " " + lower + " is invalid");
}

template <typename E, size_t N>
std::string Encode(const CodeTable<E, N>& aTable, E aValue) {
  for (const auto& [code, value] : aTable)
    if (value == aValue) return code;
  return {};
}

constexpr CodeTable<qvReceiptType, 5> kReceiptTypesRead{{
    {"sale", rt_Sale},
    {"refund", rt_Refund},
    {"void", rt_Void},
    {"invoicesale", rt_InvoiceSale},
    {"invoicesalefromreceipt", rt_InvoiceSaleFromReceipt},
}};
constexpr CodeTable<qvReceiptType, 5> kReceiptTypesWritten{{
    {"Sale", rt_Sale},
    {"Refund", rt_Refund},
    {"Void", rt_Void},
    {"InvoiceSale", rt_InvoiceSale},
    {"InvoiceSaleFromReceipt", rt_InvoiceSaleFromReceipt},
}};

constexpr CodeTable<qvReceiptLineType, 18> kLineTypes{{
    {"productsale", rlt_ProductSale},
    {"productreturn", rlt_ProductReturn},
    {"weightedproductsale", rlt_WeightedProductSale},
    {"vouchersale", rlt_VoucherSale},
    {"voucherredeem", rlt_VoucherRedeem},
    {"giftcardsale", rlt_GiftCardSale},
    {"giftcardredeem", rlt_GiftCardRedeem},
    {"subtotal", rlt_SubTotal},
    {"text", rlt_Text},
    {"discountamount", rlt_DiscountAmount},
    {"discountpercentage", rlt_DiscountPercentage},
    {"discountamountonsubtotal", rlt_DiscountAmountOnSubtotal},
    {"discountpercentageonsubtotal", rlt_DiscountPercentageOnSubTotal},
    {"markupamount", rlt_MarkupAmount},
    {"markuppercentage", rlt_MarkupPercentage},
    {"markupamountonsubtotal", rlt_MarkupAmountOnSubtotal},
    {"markuppercentageonsubtotal", rlt_MarkupPercentageOnSubTotal},
    {"collectamount", rlt_CollectAmount},
}};

constexpr CodeTable<qvReceiptPaymentType, 12> kPaymentTypes{{
    {"cash", rpt_Cash},
    {"cheque", rpt_Cheque},
    {"creditcard", rpt_CreditCard},
    {"debitcard", rpt_DebitCard},
    {"credit", rpt_Credit},
    {"creditonproducts", rpt_CreditOnProducts},
    {"creditonservices", rpt_CreditOnServices},
    {"giftcard", Rpt_GiftCard},
    {"voucher", Rpt_Voucher},
    {"mealvoucher", Rpt_MealVoucher},
    {"nhscard", Rpt_NHSCard},
    {"change", Rpt_Change},
}};

constexpr CodeTable<qvReceiptTaxType, 2> kTaxTypesRead{{{"vat", tt_VAT}, {"salestax", tt_SalesTax}}};
constexpr CodeTable<qvReceiptTaxType, 2> kTaxTypesWritten{{{"VAT", tt_VAT}, {"SalesTax", tt_SalesTax}}};

constexpr CodeTable<qvReceiptReferenceType, 4> kReferenceTypesWritten{{
    {"OriginalReceipt", rrt_OriginalReceipt},
    {"EFTReceipt", rrt_EFTReceipt},
    {"NotAvailable", rrt_NotAvailable},
    {"Empties", rrt_Empties},
}};

constexpr CodeTable<qvReceiptCustomerIdType, 4> kCustomerIdTypesRead{{
    {"passport", cid_Passport},
    {"nationalid", cid_NationalId},
    {"na", cid_NA},
    {"", cid_NA},
}};
constexpr CodeTable<qvReceiptCustomerIdType, 3> kCustomerIdTypesWritten{{
    {"passport", cid_Passport},
    {"nationalid", cid_NationalId},
    {"", cid_NA},
}};

constexpr CodeTable<qvReceiptMessageLineAlignment, 3> kAlignments{{
    {"left", la_left},
    {"right", la_right},
    {"center", la_center},
}};

constexpr CodeTable<qvReceiptMessageBarcodeType, 8> kBarcodeTypes{{
    {"ean13", bt_EAN13},
    {"ean8", bt_EAN8},
    {"code39", bt_CODE39},
    {"code128", bt_CODE128},
    {"qrcode", bt_QRCODE},
    {"upca", bt_UPCA},
    {"upce", bt_UPCE},
    {"interleaved2of5", bt_Interleaved2Of5},
}};

constexpr CodeTable<qvReceiptMessageLineEffect, 8> kEffects{{
    {"bold", le_bold},
    {"italic", le_italic},
    {"underline", le_underline},
    {"doubleheight", le_doubleheight},
    {"doublewidth", le_doublewidth},
    {"doublesize", le_doublesize},
    {"invertcolors", le_invertcolors},
    {"condensed", le_condensed},
}};

constexpr CodeTable<qvReceiptMessageImageSource, 3> kImageSourcesRead{{
    {"resource", is_Resource},
    {"filesystem", is_FileSystem},
    {"", is_FileSystem},
}};
constexpr CodeTable<qvReceiptMessageImageSource, 2> kImageSourcesWritten{{
    {"resource", is_Resource},
    {"filesystem", is_FileSystem},
}};

constexpr CodeTable<qvEJReportDestination, 2> kEJReportDestinations{{{"printer", rd_Printer}, {"memory", rd_Memory}}};

constexpr CodeTable<qvEJReportType, 5> kEJReportTypes{{
    {"zreport", ejrt_ZReport},
    {"fiscalreceipt", ejrt_FiscalReceipt},
    {"nonfiscalreceipt", ejrt_NonFiscalReceipt},
    {"creditnote", ejrt_CreditNote},
    {"invoice", ejrt_Invoice},
}};

constexpr CodeTable<qvEJFilesRequestType, 1> kEJRequestTypes{{{"xml", ej_xml}}};

}  // namespace

qvReceiptType krptUtil::DecodeReceiptType(std::string_view aText) {
  return Decode(kReceiptTypesRead, aText, "ReceiptType");
}
std::string krptUtil::EncodeReceiptType(qvReceiptType aValue) { return Encode(kReceiptTypesWritten, aValue); }

qvReceiptLineType krptUtil::DecodeLineType(std::string_view aText) { return Decode(kLineTypes, aText, "LineType"); }
std::string krptUtil::EncodeLineType(qvReceiptLineType aValue) { return Encode(kLineTypes, aValue); }

qvReceiptPaymentType krptUtil::DecodePaymentType(std::string_view aText) {
  return Decode(kPaymentTypes, aText, "PaymentType");
}
std::string krptUtil::EncodePaymentType(qvReceiptPaymentType aValue) { return Encode(kPaymentTypes, aValue); }

qvReceiptTaxType krptUtil::DecodeTaxType(std::string_view aText) { return Decode(kTaxTypesRead, aText, "TaxType"); }
std::string krptUtil::EncodeTaxType(qvReceiptTaxType aValue) { return Encode(kTaxTypesWritten, aValue); }

qvReceiptReferenceType krptUtil::DecodeReferenceType(std::string_view aText) {
  const std::string lower = AsciiLower(aText);
  if (lower == "eftreceipt") return rrt_EFTReceipt;
  if (lower == "notavailable") return rrt_NotAvailable;
  if (lower == "empties") return rrt_Empties;
  return rrt_OriginalReceipt;
}
std::string krptUtil::EncodeReferenceType(qvReceiptReferenceType aValue) {
  return Encode(kReferenceTypesWritten, aValue);
}

qvReceiptCustomerIdType krptUtil::DecodeCustomerIdType(std::string_view aText) {
  return Decode(kCustomerIdTypesRead, aText, "CustomerIdType");
}
std::string krptUtil::EncodeCustomerIdType(qvReceiptCustomerIdType aValue) {
  return Encode(kCustomerIdTypesWritten, aValue);
}

qvReceiptLineAttribute krptUtil::DecodeLineAttribute(std::string_view aText) {
  return AsciiLower(aText) == "product" ? rla_Product : rla_Service;
}

qvReceiptMessageLineAlignment krptUtil::DecodeAlignment(std::string_view aText) {
  return Decode(kAlignments, aText, "Alignment");
}
std::string krptUtil::EncodeAlignment(qvReceiptMessageLineAlignment aValue) { return Encode(kAlignments, aValue); }

qvReceiptMessageBarcodeType krptUtil::DecodeBarcodeType(std::string_view aText) {
  return Decode(kBarcodeTypes, aText, "BarcodeType");
}
std::string krptUtil::EncodeBarcodeType(qvReceiptMessageBarcodeType aValue) {
  return Encode(kBarcodeTypes, aValue);
}

qvReceiptMessageLineEffect krptUtil::DecodeEffect(std::string_view aText) { return Decode(kEffects, aText, "Effect"); }
std::string krptUtil::EncodeEffect(qvReceiptMessageLineEffect aValue) { return Encode(kEffects, aValue); }

qvReceiptMessageLineEffectSet krptUtil::DecodeEffects(std::string_view aText) {
  qvReceiptMessageLineEffectSet effects;
  // Token by token up to the first empty one, so "bold,,italic" stops after bold.
  size_t start = 0;
  while (start <= aText.size()) {
    size_t comma = aText.find(',', start);
    std::string_view token = aText.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    if (token.empty()) break;
    effects.set(DecodeEffect(token));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return effects;
}

std::string krptUtil::EncodeEffects(qvReceiptMessageLineEffectSet aValue) {
  std::string text;
  for (const auto& [code, value] : kEffects) {
    if (!aValue.test(value)) continue;
    if (!text.empty()) text += ',';
    text += code;
  }
  return text;
}

qvReceiptMessageImageSource krptUtil::DecodeImageSource(std::string_view aText) {
  return Decode(kImageSourcesRead, aText, "Image Source");
}
std::string krptUtil::EncodeImageSource(qvReceiptMessageImageSource aValue) {
  return Encode(kImageSourcesWritten, aValue);
}

qvEJReportDestination krptUtil::DecodeEJReportDestination(std::string_view aText) {
  return Decode(kEJReportDestinations, aText, "ReportDestination");
}

qvEJReportType krptUtil::DecodeEJReportType(std::string_view aText) {
  return Decode(kEJReportTypes, aText, "ReportType");
}

qvEJFilesRequestType krptUtil::DecodeEJRequestType(std::string_view aText) {
  return Decode(kEJRequestTypes, aText, "RequestType");
}

}  // namespace dodu
