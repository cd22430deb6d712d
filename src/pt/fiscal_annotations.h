#pragma once

#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/amount.h"
#include "base/date_time.h"
#include "receipt/receipt_types.h"

namespace dodu {

// The software certificate number printed on every document and carried in its QR code.
inline constexpr const char* kCertificateNumber = "7731";

// What the QR code of a document says, in the tax authority's layout.
struct QRCodeValues {
  std::string companyTaxCode;
  std::string customerTaxCode;
  std::string customerCountry;
  qvReceiptType receiptType = rt_Sale;
  DateTime businessDate;
  std::string invoiceNumber;
  std::string atcud;
  // Taxable and tax amounts of the tax lines at 0, 6, 13 and 23 percent.
  Amount taxable0, taxable6, tax6, taxable13, tax13, taxable23, tax23;
  Amount taxTotal;
  Amount totalAmount;
  std::string shortHash;
};

// The QR code text. A credit note's amounts are written as positive values, as it is printed.
std::string BuildQRCodeText(const QRCodeValues& values);

// The country text of a customer the till does not place.
inline constexpr const char* kUnknownCountry = "Desconhecido";

// A tax code without its two-letter country prefix (PT500100200 -> 500100200); others unchanged.
std::string WithoutCountryPrefix(const std::string& tax_code);
// The customer's country in the QR code: never empty, a code in upper case. Without a country it
// is the tax code's letter prefix, "PT" for a nine-digit number, else kUnknownCountry, which keeps
// its own spelling.
std::string QRCodeCustomerCountry(const std::string& country, const std::string& tax_code);

// An exempt tax line of the document (rate 0): its code and description.
struct ExemptionLine {
  std::string taxCode;
  std::string taxDescription;
};

// The trailer lines, in print order. documentCode is "FR" or "NC"; sourceBilling "M", "D" or "".
std::vector<std::string> BuildTrailerLines(const std::vector<ExemptionLine>& exemptions,
                                           const std::string& documentCode, const std::string& sourceBilling,
                                           const std::string& manualDocumentNumber, const std::string& shortHash,
                                           const std::string& atcud);

// The company and branch data printed in the header.
struct HeaderValues {
  std::string branchName, branchAddressDetail, branchCity, branchPostalCode;
  std::string companyBusinessName, companyAddressDetail, companyCity, companyPostalCode, companyVatId;
};

// Sets the text of the first child of that name; appends it when missing and add_when_missing.
void SetChildValue(pugi::xml_node element, const std::string& name, const std::string& value, bool add_when_missing);
// Changes the sign of a child's decimal amount text ("." separator); a missing child stays.
void InvertChildAmount(pugi::xml_node element, const std::string& name);

// Edits of the receipt element E of the answer.
void WriteHeaderAndStoreAddress(pugi::xml_node receipt, const HeaderValues& values);
void InsertTrailer(pugi::xml_node receipt, const std::vector<std::string>& trailer_lines,
                   const std::string& qr_code_text);
void ShortenTaxCodes(pugi::xml_node receipt);
void RemoveClosingSubtotal(pugi::xml_node receipt);

}  // namespace dodu
