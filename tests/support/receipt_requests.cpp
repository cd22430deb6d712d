#include "support/receipt_requests.h"

namespace dodu::testing {

namespace {

std::string Element(const std::string& name, const std::string& text) {
  return "<" + name + ">" + text + "</" + name + ">";
}

}  // namespace

std::string ReceiptRequest::Xml() const {
  std::string xml = "<Receipt>" + Element("Type", type);
  if (!subType.empty()) xml += Element("SubType", subType);
  xml += Element("BusinessDate", businessDate) + Element("DateTime", dateTime) +
         Element("CompanyTaxCode", companyTaxCode) + Element("StoreCode", storeCode) + Element("TillCode", tillCode) +
         Element("CompanyCode", companyCode) + Element("OperatorCode", operatorCode) +
         Element("TotalAmount", totalAmount);
  if (!externalReference.empty()) xml += Element("ExternalReference", externalReference);
  for (const auto& [name, text] : elements) xml += Element(name, text);
  if (!references.empty()) xml += Element("References", references);
  xml += Element("Lines", lines) + Element("Taxes", taxes) + Element("Payments", payments);
  if (!trailerMessages.empty()) xml += Element("TrailerMessages", trailerMessages);
  return xml + "</Receipt>";
}

std::string OriginalReceipt(const std::string& device_serial, const std::string& number,
                            const std::string& date_time) {
  return "<OriginalReceipt>" + Element("ReceiptDateTime", date_time) + Element("ReceiptNumber", number) +
         Element("DeviceSerialNumber", device_serial) + "</OriginalReceipt>";
}

ReceiptRequest NegativeSale() {
  ReceiptRequest negative;
  negative.totalAmount = "-5.00";
  negative.lines = "<productsale><Description>Cafe</Description><Quantity>-1</Quantity><Price>5.00</Price>"
                   "<Amount>-5.00</Amount><TaxCode>2300</TaxCode></productsale>";
  negative.taxes = "<Tax><Type>VAT</Type><Code>2300</Code><Rate>23</Rate><TaxableAmount>-4.07</TaxableAmount>"
                   "<TaxAmount>-0.93</TaxAmount><TotalAmount>-5.00</TotalAmount></Tax>";
  negative.payments = "<Payment><Type>cash</Type><Amount>-5.00</Amount></Payment>";
  return negative;
}

ReceiptRequest VoidOf(const std::string& device_serial, const std::string& number, const std::string& date_time,
                      const std::string& operator_code) {
  ReceiptRequest request;
  request.type = "Void";
  request.operatorCode = operator_code;
  request.dateTime = "2024-02-09T18:00:00";
  request.references = OriginalReceipt(device_serial, number, date_time);
  return request;
}

}  // namespace dodu::testing
