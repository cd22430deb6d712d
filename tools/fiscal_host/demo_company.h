#pragma once

#include <string>

namespace dodu::host {

// The company, branch and till that `init` registers and the demo day sells from.
inline constexpr const char* kCompanyTaxCode = "500100209";
inline constexpr const char* kCompanyName = "Corvane Retail, Lda";
inline constexpr const char* kCompanyCode = "C01";
inline constexpr const char* kStoreCode = "S01";
inline constexpr const char* kTillCode = "01";
inline constexpr const char* kDefaultTillSerial = "T01";
inline constexpr const char* kInvoiceDocumentType = "FR";
inline constexpr const char* kCreditNoteDocumentType = "NC";
// The branch's series templates: one series per document type, year, store and till. A series
// numbered by one till only never waits for another machine's check file or date order.
inline constexpr const char* kSeriesTemplate = "{{DocumentType}}{{YYYY}}{{Store}}{{Till}}";
// Validation codes as the tax authority hands them out when a series is registered.
inline constexpr const char* kInvoiceValidationCode = "AAJFJ2K6";
inline constexpr const char* kCreditNoteValidationCode = "AAJFJ3M9";

// The series code the branch's template gives for a document type and year at the demo till.
inline std::string DemoSeriesCode(const std::string& document_type, int year) {
  return document_type + std::to_string(year) + kStoreCode + kTillCode;
}

}  // namespace dodu::host
