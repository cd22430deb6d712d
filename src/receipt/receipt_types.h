#pragma once

#include <bitset>
#include <cstdint>

namespace dodu {

// Enumerations of the receipt documents. The ordinal values are part of the contract (stored,
// written as numbers in places) and must not be reordered; the text codes are in krptUtil.

enum qvReceiptType : uint8_t {
  rt_Sale,
  rt_Refund,
  rt_Void,
  rt_InvoiceSale,
  rt_InvoiceSaleFromReceipt
};

enum qvReceiptLineType : uint8_t {
  rlt_ProductSale,
  rlt_ProductReturn,
  rlt_WeightedProductSale,
  rlt_VoucherSale,
  rlt_VoucherRedeem,
  rlt_GiftCardSale,
  rlt_GiftCardRedeem,
  rlt_SubTotal,
  rlt_Text,
  rlt_DiscountAmount,
  rlt_DiscountPercentage,
  rlt_DiscountAmountOnSubtotal,
  rlt_DiscountPercentageOnSubTotal,
  rlt_MarkupAmount,
  rlt_MarkupPercentage,
  rlt_MarkupAmountOnSubtotal,
  rlt_MarkupPercentageOnSubTotal,
  rlt_CollectAmount
};

enum qvReceiptLineAttribute : uint8_t { rla_Product, rla_Service };

enum qvReceiptReferenceType : uint8_t { rrt_OriginalReceipt, rrt_EFTReceipt, rrt_NotAvailable, rrt_Empties };

enum qvReceiptPaymentType : uint8_t {
  rpt_Cash,
  rpt_Cheque,
  rpt_CreditCard,
  rpt_DebitCard,
  rpt_Credit,
  rpt_CreditOnProducts,
  rpt_CreditOnServices,
  Rpt_GiftCard,
  Rpt_Voucher,
  Rpt_MealVoucher,
  Rpt_NHSCard,
  Rpt_Change
};

enum qvReceiptTaxType : uint8_t { tt_VAT, tt_SalesTax };

enum qvReceiptCustomerIdType : uint8_t { cid_NA, cid_Passport, cid_NationalId };

enum qvReceiptSection : uint8_t { rs_lead, rs_body, rs_trail };

enum qvReceiptMessageLineAlignment : uint8_t { la_none, la_right, la_center, la_left };

enum qvReceiptMessageBarcodeType : uint8_t {
  bt_EAN13,
  bt_EAN8,
  bt_CODE39,
  bt_CODE128,
  bt_QRCODE,
  bt_UPCA,
  bt_UPCE,
  bt_Interleaved2Of5
};

enum qvReceiptMessageLineEffect : uint8_t {
  le_bold,
  le_italic,
  le_underline,
  le_doubleheight,
  le_doublewidth,
  le_doublesize,
  le_invertcolors,
  le_condensed
};
// One bit per effect, indexed by the effect's ordinal.
using qvReceiptMessageLineEffectSet = std::bitset<8>;

enum qvReceiptMessageImageSource : uint8_t { is_Resource, is_FileSystem };

enum qvEJReportType : uint8_t {
  ejrt_ZReport,
  ejrt_FiscalReceipt,
  ejrt_NonFiscalReceipt,
  ejrt_CreditNote,
  ejrt_Invoice
};

enum qvEJReportDestination : uint8_t { rd_Printer, rd_Memory };

enum qvEJFilesRequestType : uint8_t { ej_xml };

enum QvPrintLocation : uint8_t { pl_ECR, pl_EFT };

enum qvDepartmentSalesType : uint8_t { st_Product, st_Service };

// Line types that sell, return or collect something; the others adjust or annotate them.
constexpr bool IsItemLineType(qvReceiptLineType aType) {
  return aType <= rlt_GiftCardRedeem || aType == rlt_CollectAmount;
}

}  // namespace dodu
