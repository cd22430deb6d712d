#pragma once

#include <string>
#include <vector>

#include "base/amount.h"

namespace dodu {

struct SaftCustomer {
  std::string id, taxId, name, addressDetail, city, postalCode, country;
};

struct SaftProduct {
  std::string code, type, description;
};

// One line of an invoice. Amounts are positive; the side says which way the line goes.
struct SaftLine {
  std::string productCode, productDescription, unitOfMeasure;
  Amount quantity;
  std::string unitPrice;  // decimal text, more places than cents: Quantity x UnitPrice gives the amount
  Amount amount;          // without VAT, to the cent
  bool debit = false;     // DebitAmount (a credit note's line), else CreditAmount
  std::string taxCode;    // RED, INT, NOR, ISE
  int taxPercentage = 0;
  std::string exemptionReason, exemptionCode;  // rate 0 only
  std::string reference;                       // the original's InvoiceNo (credit notes)
};

struct SaftPayment {
  std::string mechanism;
  Amount amount;
};

// One document as the file writes it.
struct SaftInvoice {
  std::string invoiceNo, atcud;
  std::string status, statusDate, statusSourceId, sourceBilling;
  std::string hash, hashControl;
  std::string invoiceDate, invoiceType, sourceId, systemEntryDate;
  SaftCustomer customer;
  std::vector<SaftProduct> products;  // one per line, in line order
  std::vector<SaftLine> lines;
  Amount taxPayable, netTotal, grossTotal;
  std::vector<SaftPayment> payments;
  std::string companyTaxCode;  // the receipt's CompanyTaxCode: whose document it is
  // Line sums by side, for the file's totals.
  Amount debitSum, creditSum;
};

}  // namespace dodu
