// kReceipt::Serialize: the receipt as a new XML document. The writer does not mirror the reader
// everywhere (e-mail element, tax rate element, attribute as a number, ...); tills and tools
// built against the written form rely on these differences, so they stay.
#include <sstream>

#include "base/conversions.h"
#include "base/error.h"
#include "receipt/receipt.h"
#include "receipt/receipt_util.h"

namespace dodu {

namespace {

using U = krptUtil;

void AddText(pugi::xml_node aParent, const char* aName, const std::string& aValue) { U::AddNode(aParent, aName, aValue); }
void AddAmount(pugi::xml_node aParent, const char* aName, Amount aValue) {
  U::AddNode(aParent, aName, CurrencyToXmlText(aValue));
}
void AddDateTime(pugi::xml_node aParent, const char* aName, DateTime aValue) {
  U::AddNode(aParent, aName, DateTimeToXmlText(false, aValue));
}
void AddBoolean(pugi::xml_node aParent, const char* aName, bool aValue) {
  U::AddNode(aParent, aName, BoolToXmlText(aValue));
}
void AddInteger(pugi::xml_node aParent, const char* aName, int64_t aValue) {
  U::AddNode(aParent, aName, std::to_string(aValue));
}

void WriteHeader(pugi::xml_node aNode, const kReceipt& aReceipt) {
  AddText(aNode, "Layout", aReceipt.fLayout);
  AddDateTime(aNode, "BusinessDate", aReceipt.fBusinessDate);
  AddText(aNode, "Type", U::EncodeReceiptType(aReceipt.fReceiptType));
  AddText(aNode, "SubType", aReceipt.fReceiptSubType);
  AddText(aNode, "ReceiptTypeDescription", aReceipt.fReceiptTypeDescription);
  AddText(aNode, "ExternalReference", aReceipt.fExternalReference);
  AddText(aNode, "StoreCode", aReceipt.fStoreCode);
  AddText(aNode, "StoreAddress", aReceipt.fStoreAddress);
  AddText(aNode, "StoreZipCode", aReceipt.fStoreZipCode);
  AddText(aNode, "StoreCity", aReceipt.fStoreCity);
  AddText(aNode, "TillCode", aReceipt.fTillCode);
  AddText(aNode, "Number", aReceipt.fReceiptNumber);
  AddDateTime(aNode, "DateTime", aReceipt.fReceiptDateTime);
  AddText(aNode, "ZReportNumber", aReceipt.fReceiptZReportNumber);
  AddText(aNode, "DeviceSerialNumber", aReceipt.fDeviceSerialNumber);
  AddText(aNode, "InvoiceNumber", aReceipt.fInvoiceNumber);
  AddDateTime(aNode, "InvoiceDateTime", aReceipt.fInvoiceDateTime);
  AddAmount(aNode, "TotalAmount", aReceipt.fTotalAmount);
  AddAmount(aNode, "TipAmount", aReceipt.fTipAmount);
  AddText(aNode, "CountryCode", aReceipt.fCountryCode);
  AddText(aNode, "FiscalAreaCode", aReceipt.fFiscalAreaCode);
  AddText(aNode, "CompanyCode", aReceipt.fCompanyCode);
  AddText(aNode, "CompanyTaxCode", aReceipt.fCompanyTaxCode);
  AddText(aNode, "OperatorCode", aReceipt.fOperatorCode);
  AddText(aNode, "ReceiptBarcode", aReceipt.fReceiptBarcode);
  AddText(aNode, "CurrencyCode", aReceipt.fCurrencyCode);
  AddText(aNode, "CustomerCode", aReceipt.fCustomerCode);
  AddText(aNode, "CustomerCard", aReceipt.fCustomerCard);
  AddText(aNode, "CustomerBusinessName", aReceipt.fCustomerBusinessName);
  AddText(aNode, "CustomerName", aReceipt.fCustomerName);
  AddText(aNode, "CustomerSurname", aReceipt.fCustomerSurname);
  AddText(aNode, "CustomerAddress", aReceipt.fCustomerAddress);
  AddText(aNode, "CustomerZIPCode", aReceipt.fCustomerZipCode);
  AddText(aNode, "CustomerCity", aReceipt.fCustomerCity);
  AddText(aNode, "CustomerProvince", aReceipt.fCustomerProvince);
  AddText(aNode, "CustomerCountry", aReceipt.fCustomerCountry);
  AddText(aNode, "CustomerCountryDescription", aReceipt.fCustomerCountryDescription);
  AddText(aNode, "CustomerTaxCode", aReceipt.fCustomerTaxCode);
  AddText(aNode, "CustomerFiscalCode", aReceipt.fCustomerFiscalCode);
  AddText(aNode, "CustomerIdType", U::EncodeCustomerIdType(aReceipt.fCustomerIdType));
  AddText(aNode, "CustomerIdNumber", aReceipt.fCustomerIdNumber);
  AddText(aNode, "CustomerIdCountry", aReceipt.fCustomerIdCountry);
  AddText(aNode, "CustomerDateOfBirth", DateToXmlText(aReceipt.fCustomerDateOfBirth));
  AddText(aNode, "CustomerEmail", aReceipt.fCustomerEmail);
  AddText(aNode, "CustomerMobileNumber", aReceipt.fCustomerMobileNumber);
  AddText(aNode, "LotteryIdCode", aReceipt.fLotteryIdCode);
  AddBoolean(aNode, "ToBeInvoiced", aReceipt.fToBeInvoiced);
  AddBoolean(aNode, "SendByEmail", aReceipt.fSendByEmail);
  AddText(aNode, "EmailReference", aReceipt.fEmailReference);
  AddText(aNode, "EmailRecipients", aReceipt.fEmailRecipients);
  AddBoolean(aNode, "PrintReceipt", aReceipt.fPrintReceipt);
  AddBoolean(aNode, "IsReprint", aReceipt.fIsReprint);
}

void WriteReferences(pugi::xml_node aNode, const qvOriginalReceipt& aRecord) {
  pugi::xml_node original = U::AddNode(U::AddNode(aNode, "References", ""), "OriginalReceipt", "");
  AddDateTime(original, "ReceiptDateTime", aRecord.ReceiptDateTime);
  AddText(original, "ReceiptNumber", aRecord.ReceiptNumber);
  AddText(original, "DeviceSerialNumber", aRecord.DeviceSerialNumber);
  AddText(original, "ServerSerialNumber", aRecord.ServerSerialNumber);
  AddText(original, "EJNumber", aRecord.EJNumber);
  AddText(original, "EJClosingNumber", aRecord.EJClosingNumber);
  AddBoolean(original, "ExcludeFPCheck", aRecord.ExcludeFPCheck);
  AddText(original, "ReferenceType", U::EncodeReferenceType(aRecord.ReferenceType));
  AddText(original, "InvoiceNumber", aRecord.InvoiceNumber);
  AddDateTime(original, "InvoiceDateTime", aRecord.InvoiceDateTime);
}

// The line as the class its line type stands for; a mismatch would write another class's
// fields, so it is refused.
template <typename Line>
const Line& As(const kReceiptLine& aLine, size_t aIndex) {
  if (const auto* typed = dynamic_cast<const Line*>(&aLine)) return *typed;
  throw Error("Line " + std::to_string(aIndex + 1) + ": line type " + U::EncodeLineType(aLine.fLineType) +
              " does not match the line's kind");
}

template <typename Line>
void WriteVoucherFields(pugi::xml_node aNode, const Line& aLine, bool aWithFreeOfCharge) {
  AddText(aNode, "Code", aLine.fCode);
  AddText(aNode, "Description", aLine.fDescription);
  AddText(aNode, "Department", aLine.fDepartment);
  AddText(aNode, "TaxCode", aLine.fTaxCode);
  AddAmount(aNode, "Price", aLine.fPrice);
  if (aWithFreeOfCharge) AddBoolean(aNode, "FreeOfCharge", aLine.fFreeOfCharge);
}

void WriteLine(pugi::xml_node aLines, const kReceiptLine& aLine, size_t aIndex) {
  const std::string name = U::EncodeLineType(aLine.fLineType);
  if (name.empty())
    throw Error("Line " + std::to_string(aIndex + 1) + ": line type " + std::to_string(aLine.fLineType) +
                " is invalid");
  pugi::xml_node node = U::AddNode(aLines, name, "");
  switch (aLine.fLineType) {
    case rlt_ProductSale:
    case rlt_ProductReturn:
    case rlt_WeightedProductSale: {
      const auto& line = As<kReceiptLineProductSale>(aLine, aIndex);
      AddText(node, "Code", line.fCode);
      AddText(node, "Description", line.fDescription);
      AddAmount(node, "Quantity", line.fQuantity);
      AddText(node, "UOM", line.fUOM);
      AddText(node, "Department", line.fDepartment);
      AddText(node, "TaxCode", line.fTaxCode);
      AddAmount(node, "Price", line.fPrice);
      AddAmount(node, "Amount", line.fAmount);
      if (aLine.fLineType == rlt_WeightedProductSale)
        AddAmount(node, "Tare", As<kReceiptLineWeightedProductSale>(aLine, aIndex).fTare);
      AddBoolean(node, "FreeOfCharge", line.fFreeOfCharge);
      AddInteger(node, "Attribute", line.fAttribute);
      break;
    }
    case rlt_VoucherSale:
    case rlt_VoucherRedeem:
      WriteVoucherFields(node, As<kReceiptLineVoucherSale>(aLine, aIndex), aLine.fLineType == rlt_VoucherSale);
      break;
    case rlt_GiftCardSale:
    case rlt_GiftCardRedeem:
      WriteVoucherFields(node, As<kReceiptLineGiftCardSale>(aLine, aIndex), true);
      break;
    case rlt_SubTotal:
      AddAmount(node, "Amount", As<kReceiptLineSubtotal>(aLine, aIndex).fAmount);
      break;
    case rlt_Text:
      AddText(node, "Description", As<kReceiptLineText>(aLine, aIndex).fDescription);
      break;
    case rlt_DiscountAmount:
    case rlt_DiscountAmountOnSubtotal:
    case rlt_MarkupAmount:
    case rlt_MarkupAmountOnSubtotal: {
      const auto& line = As<kReceiptLineDiscountAmount>(aLine, aIndex);
      AddAmount(node, "Amount", line.fAmount);
      AddText(node, "Description", line.fDescription);
      break;
    }
    case rlt_DiscountPercentage:
    case rlt_DiscountPercentageOnSubTotal:
    case rlt_MarkupPercentage:
    case rlt_MarkupPercentageOnSubTotal: {
      const auto& line = As<kReceiptLineDiscountPercentage>(aLine, aIndex);
      AddAmount(node, "Percentage", line.fPercentage);
      AddAmount(node, "Amount", line.fAmount);
      AddText(node, "Description", line.fDescription);
      break;
    }
    case rlt_CollectAmount: {
      const auto& line = As<kReceiptLineCollectAmount>(aLine, aIndex);
      AddText(node, "Description", line.fDescription);
      AddText(node, "Department", line.fDepartment);
      AddText(node, "TaxCode", line.fTaxCode);
      AddAmount(node, "Amount", line.fAmount);
      break;
    }
  }
}

void WriteTaxes(pugi::xml_node aNode, const kReceiptTaxLines& aTaxes) {
  pugi::xml_node taxes = U::AddNode(aNode, "Taxes", "");
  for (const auto& tax : aTaxes) {
    pugi::xml_node node = U::AddNode(taxes, "Tax", "");
    AddText(node, "Type", U::EncodeTaxType(tax->fTaxType));
    AddText(node, "Code", tax->fTaxCode);
    AddText(node, "Description", tax->fTaxDescription);
    AddAmount(node, "TaxRate", tax->fTaxRate);
    AddAmount(node, "TaxableAmount", tax->fTaxableAmount);
    AddAmount(node, "TaxAmount", tax->fTaxAmount);
    AddAmount(node, "TotalAmount", tax->fTotalAmount);
  }
}

void WritePayments(pugi::xml_node aNode, const kReceiptPaymentLines& aPayments) {
  pugi::xml_node payments = U::AddNode(aNode, "Payments", "");
  for (const auto& payment : aPayments) {
    pugi::xml_node node = U::AddNode(payments, "Payment", "");
    AddText(node, "Type", U::EncodePaymentType(payment->fPaymentType));
    AddText(node, "Description", payment->fDescription);
    AddAmount(node, "Amount", payment->fAmount);
    AddText(node, "Currency", payment->fCurrency);
    AddAmount(node, "Quantity", payment->fQuantity);
    AddAmount(node, "UnitPrice", payment->fUnitPrice);
  }
}

void WriteMessages(pugi::xml_node aNode, const char* aName, const kReceiptMessageLines& aLines) {
  pugi::xml_node list = U::AddNode(aNode, aName, "");
  for (const auto& message : aLines) {
    if (const auto* barcode = dynamic_cast<const kReceiptMessageBarcodeLine*>(message.get())) {
      pugi::xml_node node = U::AddNode(list, "Barcode", "");
      AddText(node, "Value", barcode->fValue);
      AddText(node, "Type", U::EncodeBarcodeType(barcode->fBarcodeType));
      AddBoolean(node, "HRI", barcode->fHRI);
      AddInteger(node, "QRCodeMinVersion", barcode->fQRCodeMinVersion);
    } else if (const auto* text = dynamic_cast<const kReceiptMessageTextLine*>(message.get())) {
      pugi::xml_node node = U::AddNode(list, "Text", "");
      AddText(node, "Value", text->fValue);
      AddInteger(node, "Size", text->fSize);
      AddText(node, "Alignment", U::EncodeAlignment(text->fAlignment));
    } else if (dynamic_cast<const kReceiptMessageImageLine*>(message.get()) != nullptr) {
      pugi::xml_node node = U::AddNode(list, "Image", "");
      AddText(node, "Alignment", U::EncodeAlignment(message->fAlignment));
    }
  }
}

}  // namespace

std::string kReceipt::Serialize() const {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "utf-8";
  pugi::xml_node root = document.append_child("Receipt");
  WriteHeader(root, *this);
  WriteReferences(root, fOriginalReceipt);
  pugi::xml_node headers = U::AddNode(root, "Headers", "");
  for (const std::string& header : fHeaders) AddText(headers, "HeaderLine", header);
  pugi::xml_node lines = U::AddNode(root, "Lines", "");
  for (size_t index = 0; index < fLines.Count(); ++index) WriteLine(lines, fLines[index], index);
  WriteTaxes(root, fTaxes);
  WritePayments(root, fPayments);
  WriteMessages(root, "TrailerMessages", fTrailerMessages);
  WriteMessages(root, "LeaderLines", fLeaderLines);
  std::ostringstream text;
  document.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
  return text.str();
}

}  // namespace dodu
