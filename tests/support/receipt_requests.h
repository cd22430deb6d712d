#pragma once

#include <string>
#include <utility>
#include <vector>

namespace dodu::testing {

// A receipt request as a till sends it, with the values the tests vary. The default is a sale of
// 12.30 at 23 % (taxable 10, tax 2.30) dated 2024-02-09 10:00 in store S01 of company
// PT500100200, paid in cash.
struct ReceiptRequest {
  std::string type = "Sale";
  std::string subType;
  std::string businessDate = "2024-02-09T00:00:00";
  std::string dateTime = "2024-02-09T10:00:00";
  std::string companyTaxCode = "PT500100200";
  std::string storeCode = "S01";
  std::string tillCode = "01";
  std::string companyCode = "C1";
  std::string operatorCode = "OP1";
  std::string totalAmount = "12.30";
  std::string externalReference;
  // Further header elements (name, text), written in order after the ones above.
  std::vector<std::pair<std::string, std::string>> elements;
  // The content of Lines, Taxes and Payments as they stand.
  std::string lines =
      "<productsale><Description>Cafe</Description><Quantity>1</Quantity><Price>12.30</Price>"
      "<Amount>12.30</Amount><TaxCode>2300</TaxCode></productsale>";
  std::string taxes =
      "<Tax><Type>VAT</Type><Code>2300</Code><Rate>23</Rate><TaxableAmount>10.00</TaxableAmount>"
      "<TaxAmount>2.30</TaxAmount><TotalAmount>12.30</TotalAmount></Tax>";
  std::string payments = "<Payment><Type>cash</Type><Amount>12.30</Amount></Payment>";
  // Content of References and TrailerMessages; the elements are left out when empty.
  std::string references;
  std::string trailerMessages;

  ReceiptRequest& With(const std::string& name, const std::string& text) {
    elements.emplace_back(name, text);
    return *this;
  }
  // The <Receipt> element.
  std::string Xml() const;
};

// An OriginalReceipt reference for refunds and voids.
std::string OriginalReceipt(const std::string& device_serial, const std::string& number,
                            const std::string& date_time);

// A sale of -5.00 at 23 % (taxable -4.07, tax -0.93), which the library issues as a credit note.
ReceiptRequest NegativeSale();

// A void of the document with that device serial, number and date-time.
ReceiptRequest VoidOf(const std::string& device_serial, const std::string& number, const std::string& date_time,
                      const std::string& operator_code = "OP9");

}  // namespace dodu::testing
