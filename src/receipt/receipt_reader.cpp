// kReceipt::Deserialize: the receipt XML as the driver reads it.
#include <memory>

#include "base/error.h"
#include "receipt/message_line_reader.h"
#include "receipt/receipt.h"
#include "receipt/receipt_util.h"

namespace dodu {

namespace {

using U = krptUtil;

pugi::xml_node FindReceiptNode(const pugi::xml_document& aXmlDocument) {
  pugi::xml_node root = aXmlDocument.document_element();
  if (root && std::string_view(root.name()) == "Receipt") return root;
  pugi::xml_node receipt = U::FindNode(root, "Receipt");
  if (!receipt) throw Error("Receipt node not found");
  return receipt;
}

void ReadHeader(const pugi::xml_node& aNode, kReceipt& aReceipt) {
  aReceipt.fLayout = U::GetNodeValueAsString(aNode, "Layout");
  aReceipt.fDefaultLayout = aReceipt.fLayout.empty();
  if (aReceipt.fDefaultLayout) aReceipt.fLayout = "DocumentLayout";
  // Without a business date the receipt's own date-time, time of day included, stands in.
  aReceipt.fBusinessDate = U::GetNodeValueAsDateTime(aNode, U::HasNode(aNode, "BusinessDate") ? "BusinessDate" : "DateTime");
  aReceipt.fReceiptType = U::DecodeReceiptType(U::GetNodeValueAsString(aNode, "Type"));
  aReceipt.fReceiptSubType = U::GetNodeValueAsString(aNode, "SubType");
  aReceipt.fReceiptTypeDescription = U::GetNodeValueAsString(aNode, "ReceiptTypeDescription");
  aReceipt.fExternalReference = U::GetNodeValueAsString(aNode, "ExternalReference");
  aReceipt.fStoreCode = U::GetNodeValueAsString(aNode, "StoreCode");
  aReceipt.fStoreAddress = U::GetNodeValueAsString(aNode, "StoreAddress");
  aReceipt.fStoreZipCode = U::GetNodeValueAsString(aNode, "StoreZipCode");
  aReceipt.fStoreCity = U::GetNodeValueAsString(aNode, "StoreCity");
  aReceipt.fTillCode = U::GetNodeValueAsString(aNode, "TillCode");
  aReceipt.fReceiptNumber = U::GetNodeValueAsString(aNode, "Number");
  aReceipt.fReceiptDateTime = U::GetNodeValueAsDateTime(aNode, "DateTime");
  aReceipt.fReceiptZReportNumber = U::GetNodeValueAsString(aNode, "ZReportNumber");
  aReceipt.fDeviceSerialNumber = U::GetNodeValueAsString(aNode, "DeviceSerialNumber");
  aReceipt.fInvoiceNumber = U::GetNodeValueAsString(aNode, "InvoiceNumber");
  aReceipt.fInvoiceDateTime = U::GetNodeValueAsDateTime(aNode, "InvoiceDateTime");
  aReceipt.fTotalAmount = U::GetNodeValueAsCurrency(aNode, "TotalAmount");
  aReceipt.fTipAmount = U::GetNodeValueAsCurrency(aNode, "TipAmount");
  aReceipt.fCountryCode = U::GetNodeValueAsString(aNode, "CountryCode");
  aReceipt.fFiscalAreaCode = U::GetNodeValueAsString(aNode, "FiscalAreaCode");
  aReceipt.fCompanyCode = U::GetNodeValueAsString(aNode, "CompanyCode");
  aReceipt.fCompanyTaxCode = U::GetNodeValueAsString(aNode, "CompanyTaxCode");
  aReceipt.fOperatorCode = U::GetNodeValueAsString(aNode, "OperatorCode");
  aReceipt.fReceiptBarcode = U::GetNodeValueAsString(aNode, "ReceiptBarcode");
  aReceipt.fCurrencyCode = U::GetNodeValueAsString(aNode, "CurrencyCode");
  aReceipt.fCustomerCode = U::GetNodeValueAsString(aNode, "CustomerCode");
  aReceipt.fCustomerCard = U::GetNodeValueAsString(aNode, "CustomerCard");
  aReceipt.fCustomerBusinessName = U::GetNodeValueAsString(aNode, "CustomerBusinessName");
  aReceipt.fCustomerName = U::GetNodeValueAsString(aNode, "CustomerName");
  aReceipt.fCustomerSurname = U::GetNodeValueAsString(aNode, "CustomerSurname");
  aReceipt.fCustomerAddress = U::GetNodeValueAsString(aNode, "CustomerAddress");
  // Both spellings are in use by tills; the upper-case one wins when it holds something.
  aReceipt.fCustomerZipCode = U::GetNodeValueAsString(aNode, "CustomerZIPCode");
  if (aReceipt.fCustomerZipCode.empty()) aReceipt.fCustomerZipCode = U::GetNodeValueAsString(aNode, "CustomerZipCode");
  aReceipt.fCustomerCity = U::GetNodeValueAsString(aNode, "CustomerCity");
  aReceipt.fCustomerProvince = U::GetNodeValueAsString(aNode, "CustomerProvince");
  aReceipt.fCustomerCountry = U::GetNodeValueAsString(aNode, "CustomerCountry");
  aReceipt.fCustomerCountryDescription = U::GetNodeValueAsString(aNode, "CustomerCountryDescription");
  aReceipt.fCustomerTaxCode = U::GetNodeValueAsString(aNode, "CustomerTaxCode");
  aReceipt.fCustomerFiscalCode = U::GetNodeValueAsString(aNode, "CustomerFiscalCode");
  aReceipt.fCustomerIdType = U::DecodeCustomerIdType(U::GetNodeValueAsString(aNode, "CustomerIdType"));
  aReceipt.fCustomerIdNumber = U::GetNodeValueAsString(aNode, "CustomerIdNumber");
  aReceipt.fCustomerIdCountry = U::GetNodeValueAsString(aNode, "CustomerIdCountry");
  aReceipt.fCustomerEmail = U::GetNodeValueAsString(aNode, "CustomerIdEmail");
  aReceipt.fCustomerMobileNumber = U::GetNodeValueAsString(aNode, "CustomerMobileNumber");
  aReceipt.fCustomerDateOfBirth = U::GetNodeValueAsDate(aNode, "CustomerDateOfBirth");
  aReceipt.fLotteryIdCode = U::GetNodeValueAsString(aNode, "LotteryIdCode");
  aReceipt.fToBeInvoiced = U::GetNodeValueAsBoolean(aNode, "ToBeInvoiced", false);
  aReceipt.fSendByEmail = U::GetNodeValueAsBoolean(aNode, "SendByEmail", false);
  aReceipt.fEmailReference = U::GetNodeValueAsString(aNode, "EmailReference");
  aReceipt.fEmailRecipients = U::GetNodeValueAsString(aNode, "EmailRecipients");
  aReceipt.fPrintReceipt = U::GetNodeValueAsBoolean(aNode, "PrintReceipt", true);
  aReceipt.fIsReprint = U::GetNodeValueAsBoolean(aNode, "IsReprint", false);
}

void ReadReferences(const pugi::xml_node& aNode, kReceipt& aReceipt) {
  pugi::xml_node original = U::FindNode(U::FindNode(aNode, "References"), "OriginalReceipt");
  if (!original) return;
  qvOriginalReceipt& record = aReceipt.fOriginalReceipt;
  record.ReceiptDateTime = U::GetNodeValueAsDateTime(original, "ReceiptDateTime");
  record.ReceiptNumber = U::GetNodeValueAsString(original, "ReceiptNumber");
  record.DeviceSerialNumber = U::GetNodeValueAsString(original, "DeviceSerialNumber");
  record.ServerSerialNumber = U::GetNodeValueAsString(original, "ServerSerialNumber");
  record.EJNumber = U::GetNodeValueAsString(original, "EJNumber");
  record.EJClosingNumber = U::GetNodeValueAsString(original, "EJClosingNumber");
  record.ExcludeFPCheck = U::GetNodeValueAsBoolean(original, "ExcludeFPCheck", false);
  record.ReferenceType = U::DecodeReferenceType(U::GetNodeValueAsString(original, "ReferenceType"));
  record.InvoiceNumber = U::GetNodeValueAsString(original, "InvoiceNumber");
  record.InvoiceDateTime = U::GetNodeValueAsDateTime(original, "InvoiceDateTime");
}

void ReadHeaders(const pugi::xml_node& aNode, kReceipt& aReceipt) {
  for (pugi::xml_node child : U::FindNode(aNode, "Headers").children())
    if (child.type() == pugi::node_element) aReceipt.fHeaders.push_back(U::NodeText(child));
}

// Voucher and gift-card lines have the same fields in two unrelated classes.
template <typename Line>
void ReadVoucherFields(const pugi::xml_node& aNode, Line& aLine, bool aWithFreeOfCharge) {
  aLine.fCode = U::GetNodeValueAsString(aNode, "Code");
  aLine.fDescription = U::GetNodeValueAsString(aNode, "Description");
  aLine.fDepartment = U::GetNodeValueAsString(aNode, "Department");
  aLine.fTaxCode = U::GetNodeValueAsString(aNode, "TaxCode");
  aLine.fPrice = U::GetNodeValueAsCurrency(aNode, "Price");
  if (aWithFreeOfCharge) aLine.fFreeOfCharge = U::GetNodeValueAsBoolean(aNode, "FreeOfCharge", false);
}

void ReadLineFields(const pugi::xml_node& aNode, kReceiptLine& aLine) {
  const qvReceiptLineType type = aLine.fLineType;
  if (auto* product = dynamic_cast<kReceiptLineProductSale*>(&aLine)) {
    product->fCode = U::GetNodeValueAsString(aNode, "Code");
    product->fDescription = U::GetNodeValueAsString(aNode, "Description");
    product->fQuantity = U::GetNodeValueAsCurrency(aNode, "Quantity");
    product->fUOM = U::GetNodeValueAsString(aNode, "UOM");
    product->fDepartment = U::GetNodeValueAsString(aNode, "Department");
    product->fTaxCode = U::GetNodeValueAsString(aNode, "TaxCode");
    product->fPrice = U::GetNodeValueAsCurrency(aNode, "Price");
    product->fAmount = U::GetNodeValueAsCurrency(aNode, "Amount");
    product->fFreeOfCharge = U::GetNodeValueAsBoolean(aNode, "FreeOfCharge", false);
    product->fAttribute = U::DecodeLineAttribute(U::GetNodeValueAsString(aNode, "Attribute"));
    if (auto* weighted = dynamic_cast<kReceiptLineWeightedProductSale*>(product))
      weighted->fTare = U::GetNodeValueAsCurrency(aNode, "Tare");
  } else if (auto* voucher = dynamic_cast<kReceiptLineVoucherSale*>(&aLine)) {
    ReadVoucherFields(aNode, *voucher, type == rlt_VoucherSale);
  } else if (auto* gift_card = dynamic_cast<kReceiptLineGiftCardSale*>(&aLine)) {
    ReadVoucherFields(aNode, *gift_card, type == rlt_GiftCardSale);
  } else if (auto* collect = dynamic_cast<kReceiptLineCollectAmount*>(&aLine)) {
    collect->fDescription = U::GetNodeValueAsString(aNode, "Description");
    collect->fDepartment = U::GetNodeValueAsString(aNode, "Department");
    collect->fTaxCode = U::GetNodeValueAsString(aNode, "TaxCode");
    collect->fAmount = U::GetNodeValueAsCurrency(aNode, "Amount");
  } else if (auto* subtotal = dynamic_cast<kReceiptLineSubtotal*>(&aLine)) {
    subtotal->fAmount = U::GetNodeValueAsCurrency(aNode, "Amount");
  } else if (auto* text = dynamic_cast<kReceiptLineText*>(&aLine)) {
    text->fDescription = U::GetNodeValueAsString(aNode, "Description");
  } else if (auto* amount = dynamic_cast<kReceiptLineDiscountAmount*>(&aLine)) {
    amount->fAmount = U::GetNodeValueAsCurrency(aNode, "Amount");
    amount->fDescription = U::GetNodeValueAsString(aNode, "Description");
  } else if (auto* percentage = dynamic_cast<kReceiptLineDiscountPercentage*>(&aLine)) {
    percentage->fPercentage = U::GetNodeValueAsCurrency(aNode, "Percentage");
    percentage->fAmount = U::GetNodeValueAsCurrency(aNode, "Amount");
    percentage->fDescription = U::GetNodeValueAsString(aNode, "Description");
  }
}

void ReadLines(const pugi::xml_node& aNode, kReceipt& aReceipt) {
  pugi::xml_node lines = U::FindNode(aNode, "Lines");
  if (!lines) throw Error("Unable to find Lines node ");
  for (pugi::xml_node child : lines.children()) {
    if (child.type() != pugi::node_element) continue;
    std::unique_ptr<kReceiptLine> line = CreateReceiptLine(&aReceipt, U::DecodeLineType(child.name()));
    ReadLineFields(child, *line);
    aReceipt.fLines.Add(std::move(line));
  }
}

void ReadTaxes(const pugi::xml_node& aNode, kReceipt& aReceipt) {
  pugi::xml_node taxes = U::FindNode(aNode, "Taxes");
  if (!taxes) throw Error("Unable to find Taxes node ");
  for (pugi::xml_node child : taxes.children()) {
    if (child.type() != pugi::node_element || std::string_view(child.name()) != "Tax") continue;
    auto tax = std::make_unique<kReceiptTaxLine>(&aReceipt);
    tax->fTaxType = U::DecodeTaxType(U::GetNodeValueAsString(child, "Type"));
    tax->fTaxCode = U::GetNodeValueAsString(child, "Code");
    tax->fTaxDescription = U::GetNodeValueAsString(child, "Description");
    tax->fTaxRate = U::GetNodeValueAsCurrency(child, "Rate");
    tax->fTaxableAmount = U::GetNodeValueAsCurrency(child, "TaxableAmount");
    tax->fTaxAmount = U::GetNodeValueAsCurrency(child, "TaxAmount");
    tax->fTotalAmount = U::GetNodeValueAsCurrency(child, "TotalAmount");
    aReceipt.fTaxes.Add(std::move(tax));
  }
}

void ReadPayments(const pugi::xml_node& aNode, kReceipt& aReceipt) {
  pugi::xml_node payments = U::FindNode(aNode, "Payments");
  if (!payments) throw Error("Unable to find Payments node ");
  for (pugi::xml_node child : payments.children()) {
    if (child.type() != pugi::node_element || std::string_view(child.name()) != "Payment") continue;
    auto payment = std::make_unique<kReceiptPaymentLine>(&aReceipt);
    payment->fPaymentType = U::DecodePaymentType(U::GetNodeValueAsString(child, "Type"));
    payment->fDescription = U::GetNodeValueAsString(child, "Description");
    payment->fAmount = U::GetNodeValueAsCurrency(child, "Amount");
    payment->fCurrency = U::GetNodeValueAsString(child, "Currency");
    payment->fQuantity = U::GetNodeValueAsCurrency(child, "Quantity");
    payment->fUnitPrice = U::GetNodeValueAsCurrency(child, "UnitPrice");
    aReceipt.fPayments.Add(std::move(payment));
  }
}

void ReadMessages(const pugi::xml_node& aNode, kReceipt& aReceipt, kReceiptMessageLines& aList) {
  for (pugi::xml_node child : aNode.children()) {
    if (child.type() != pugi::node_element) continue;
    const std::string_view name = child.name();
    if (name == "Barcode") {
      auto line = std::make_unique<kReceiptMessageBarcodeLine>(&aReceipt);
      ReadBarcodeMessage(child, *line);
      aList.Add(std::move(line));
    } else if (name == "Text") {
      auto line = std::make_unique<kReceiptMessageTextLine>(&aReceipt);
      ReadTextMessage(child, *line, false);
      aList.Add(std::move(line));
    } else if (name == "Image") {
      auto line = std::make_unique<kReceiptMessageImageLine>(&aReceipt);
      ReadImageMessage(child, *line, false);
      aList.Add(std::move(line));
    }
  }
}

}  // namespace

void kReceipt::Deserialize(const pugi::xml_document& aXmlDocument) {
  const pugi::xml_node node = FindReceiptNode(aXmlDocument);
  ReadHeader(node, *this);
  ReadReferences(node, *this);
  ReadHeaders(node, *this);
  ReadLines(node, *this);
  ReadTaxes(node, *this);
  ReadPayments(node, *this);
  ReadMessages(U::FindNode(node, "TrailerMessages"), *this, fTrailerMessages);
  ReadMessages(U::FindNode(node, "LeaderLines"), *this, fLeaderLines);
}

}  // namespace dodu
