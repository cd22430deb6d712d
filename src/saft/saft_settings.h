#pragma once

#include <string>
#include <vector>

namespace dodu {

// What the file says of the software that made it and of the key that signed its documents.
// None of it is in the store; the defaults stand until the software is certified.
struct SaftSettings {
  std::string producerTaxId = "Desconhecido";         // ProductCompanyTaxID
  std::string productId = "Tillora KRV/Corvane srl";  // ProductID: product name / producer name
  std::string productVersion;                         // ProductVersion; empty: the library's own version
  std::string certificateNumber = "7731";             // SoftwareCertificateNumber: the one receipts and QR codes print
  std::string hashControl = "1";                      // HashControl: the version of the signing key
  // CompanyRecord's Company_VatId of the company to export; empty: the store's only company.
  std::string companyTaxId;
};

// The settings from name=value lines (qvSAFTPT.ini): SaftProducerTaxID, SaftProductID,
// SaftProductVersion, SaftCertificateNumber, SaftKeyVersion and SaftCompanyTaxID, names in any
// case; a missing or empty value keeps the default. Raises when a value cannot stand in the
// file (a certificate or key version that is no whole number, a product ID without "/").
SaftSettings SaftSettingsFromLines(const std::vector<std::string>& aLines);

// The value of the first name=value line with that name (any case), trimmed; "" when none.
std::string SaftSettingValue(const std::vector<std::string>& aLines, const std::string& aName);

}  // namespace dodu
