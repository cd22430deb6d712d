#pragma once

#include <cstdint>
#include <string>

namespace dodu {

// One row of Receipts as the export reads it; every value is the store's text ("" for null).
struct StoredDocumentRow {
  std::string seriesCode;
  int64_t number = 0;
  std::string invoiceNumber;  // ReceiptNumber
  std::string status;         // N or A
  std::string documentType;   // FR or NC
  std::string operatorCode;   // ReceiptOperator
  std::string statusOperator;  // LastReceiptStatusOperator
  std::string systemEntryDateTime;
  std::string lastStatusDateTime;
  std::string previousHash, hash, hashedString;
  std::string sourceBilling, manualDocumentNumber;
  std::string atcud;  // FiscalId
  std::string totalAmount;
  std::string receiptXml;
};

// The company the file is about: its CompanyRecord row.
struct StoredCompany {
  std::string vatId, businessName, addressDetail, city, postalCode;
};

}  // namespace dodu
