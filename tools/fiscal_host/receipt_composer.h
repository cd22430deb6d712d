#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/amount.h"

namespace dodu::host {

// A VAT class of the demo's goods: rate in percent, the code tills send, and the description
// (for an exempt class, the legal reason that the receipt must print).
struct TaxClass {
  int rate;
  std::string code;
  std::string description;
};

const TaxClass& NormalRate();        // 23 %
const TaxClass& IntermediateRate();  // 13 %
const TaxClass& ReducedRate();       // 6 %
const TaxClass& ExemptRate();        // 0 %, exemption M07

struct SaleItem {
  std::string code, description;
  Amount quantity, price;  // unit price with VAT
  const TaxClass* tax = nullptr;
  Amount discountPercentage;  // of the line; 0 for none
  Amount discountAmount;      // off the line; 0 for none
};

struct Customer {
  std::string taxCode, businessName, address, zipCode, city, country;
};

// How the customer pays; an amount of 0 pays exactly what is due. Cash above the total gives change.
struct Tender {
  std::string type;  // cash, creditcard, debitcard ...
  Amount amount;
};

// A stored document as the library finds it again: device serial, number in its series, date-time.
struct DocumentReference {
  std::string deviceSerial, number, dateTime;
};

struct SaleDocument {
  std::string type = "Sale";  // Sale, or Refund for a credit note
  std::string businessDate, dateTime;
  std::string operatorCode = "OP1";
  std::vector<SaleItem> items;
  std::optional<Customer> customer;
  std::vector<Tender> tenders;
  std::optional<DocumentReference> original;  // the refunded document
};

// A bare <Receipt> with the lines, line discounts, VAT summary (prices include VAT; each class's
// base is its gross divided by 1 + rate, to the cent), total and payments.
std::string ComposeSale(const SaleDocument& sale);
// A bare <Receipt> of type Void naming the stored document.
std::string ComposeVoid(const DocumentReference& original, const std::string& business_date,
                        const std::string& date_time, const std::string& operator_code);
// A bare <ReceiptReference> naming a stored document.
std::string ComposeReprintReference(const DocumentReference& document, const std::string& receipt_type);

// The reference of a document the library returned (its DeviceSerialNumber, Number and DateTime).
DocumentReference ReferenceOf(const std::string& answer_xml);

}  // namespace dodu::host
