#include "fiscal_requests.h"

#include <cstdio>

namespace dodu::bench {

namespace {

std::string Element(const std::string& aName, const std::string& aText) {
  return "<" + aName + ">" + aText + "</" + aName + ">";
}

std::string Line(const char* aDescription, const char* aQuantity, const char* aPrice, const char* aAmount,
                 const char* aTaxCode) {
  return "<ProductSale>" + Element("Description", aDescription) + Element("Quantity", aQuantity) +
         Element("Price", aPrice) + Element("Amount", aAmount) + Element("TaxCode", aTaxCode) + "</ProductSale>";
}

std::string Tax(const char* aCode, const char* aRate, const char* aTaxable, const char* aTax, const char* aTotal) {
  return "<Tax>" + Element("Type", "VAT") + Element("Code", aCode) + Element("Rate", aRate) +
         Element("TaxableAmount", aTaxable) + Element("TaxAmount", aTax) + Element("TotalAmount", aTotal) + "</Tax>";
}

std::string Header(const char* aType, const std::string& aStoreCode, const std::string& aDateTime,
                   const char* aTotal) {
  return Element("Type", aType) + Element("BusinessDate", std::to_string(kBusinessYear) + "-02-09T00:00:00") +
         Element("DateTime", aDateTime) + Element("CompanyTaxCode", kCompanyTaxCode) +
         Element("StoreCode", aStoreCode) + Element("TillCode", "01") + Element("CompanyCode", kCompanyCode) +
         Element("OperatorCode", "OP1") + Element("TotalAmount", aTotal);
}

std::string OriginalReceipt(const std::string& aStoreCode, const std::string& aNumber,
                            const std::string& aDateTime) {
  return "<References><OriginalReceipt>" + Element("ReceiptDateTime", aDateTime) +
         Element("ReceiptNumber", aNumber) + Element("DeviceSerialNumber", DeviceSerial(aStoreCode)) +
         "</OriginalReceipt></References>";
}

}  // namespace

std::string StoreCode(int aIndex) {
  char code[8];
  std::snprintf(code, sizeof code, "S%02d", aIndex);
  return code;
}

std::string InvoiceSeries(const std::string& aStoreCode) { return "FR" + std::to_string(kBusinessYear) + aStoreCode; }
std::string CreditNoteSeries(const std::string& aStoreCode) {
  return "NC" + std::to_string(kBusinessYear) + aStoreCode;
}
std::string DeviceSerial(const std::string& aStoreCode) { return std::string(kCompanyCode) + "-" + aStoreCode; }

std::string Envelope(int32_t aHandle, const std::string& aTillSerial, const std::string& aDocuments) {
  return "<ReceiptPrinterManager><Type>FP</Type><Driver>DODU_PT_10</Driver><Method>Process</Method>"
         "<LogId>1</LogId><Handle>" +
         std::to_string(aHandle) + "</Handle><Parameters><Processor>DODU_PT_10</Processor><FPTillSerial>" +
         aTillSerial + "</FPTillSerial></Parameters>" + aDocuments + "</ReceiptPrinterManager>";
}

std::string DocumentDateTime(int aSecond) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-02-09T%02d:%02d:%02d", kBusinessYear, 8 + aSecond / 3600,
                (aSecond / 60) % 60, aSecond % 60);
  return text;
}

std::string SaleReceipt(const std::string& aStoreCode, const std::string& aDateTime) {
  // 2 x 1.06 at 6 %, 5.65 at 13 %, 12.30 and 3 x 2.46 at 23 %: 27.45 in all.
  return "<Receipt>" + Header("Sale", aStoreCode, aDateTime, "27.45") +
         Element("Lines", Line("Pao de forma", "2", "1.06", "2.12", "0600") +
                              Line("Queijo da Serra 250 g", "1", "5.65", "5.65", "1300") +
                              Line("Vinho tinto Douro 75 cl", "1", "12.30", "12.30", "2300") +
                              Line("Agua com gas 1 l", "3", "2.46", "7.38", "2300")) +
         Element("Taxes", Tax("0600", "6", "2.00", "0.12", "2.12") + Tax("1300", "13", "5.00", "0.65", "5.65") +
                              Tax("2300", "23", "16.00", "3.68", "19.68")) +
         Element("Payments", "<Payment>" + Element("Type", "cash") + Element("Amount", "30.00") + "</Payment>") +
         "</Receipt>";
}

std::string CreditNoteReceipt(const std::string& aStoreCode, const std::string& aDateTime,
                              const std::string& aSaleNumber, const std::string& aSaleDateTime) {
  return "<Receipt>" + Header("Refund", aStoreCode, aDateTime, "12.30") +
         OriginalReceipt(aStoreCode, aSaleNumber, aSaleDateTime) +
         Element("Lines", Line("Vinho tinto Douro 75 cl", "1", "12.30", "12.30", "2300")) +
         Element("Taxes", Tax("2300", "23", "10.00", "2.30", "12.30")) +
         Element("Payments", "<Payment>" + Element("Type", "cash") + Element("Amount", "12.30") + "</Payment>") +
         "</Receipt>";
}

std::string VoidReceipt(const std::string& aStoreCode, const std::string& aSaleNumber,
                        const std::string& aSaleDateTime) {
  return "<Receipt>" + Element("Type", "Void") + Element("CompanyTaxCode", kCompanyTaxCode) +
         Element("StoreCode", aStoreCode) + Element("OperatorCode", "OP2") + Element("TotalAmount", "0") +
         "<Lines/><Taxes/><Payments/>" + OriginalReceipt(aStoreCode, aSaleNumber, aSaleDateTime) + "</Receipt>";
}

std::string ReprintReference(const std::string& aStoreCode, const std::string& aSaleNumber,
                             const std::string& aSaleDateTime) {
  return "<ReceiptReference>" + Element("ReceiptType", "Sale") + Element("DeviceSerialNumber", DeviceSerial(aStoreCode)) +
         Element("ReceiptNumber", aSaleNumber) + Element("ReceiptDateTime", aSaleDateTime) + "</ReceiptReference>";
}

std::string ElementText(const std::string& aXml, const std::string& aName) {
  const std::string open = "<" + aName + ">";
  size_t start = aXml.find(open);
  if (start == std::string::npos) return std::string();
  start += open.size();
  size_t end = aXml.find("</" + aName + ">", start);
  return end == std::string::npos ? std::string() : aXml.substr(start, end - start);
}

}  // namespace dodu::bench
