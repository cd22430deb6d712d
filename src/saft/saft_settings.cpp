#include "saft/saft_settings.h"

#include <algorithm>
#include <cctype>

#include "base/ascii_text.h"
#include "base/error.h"

namespace dodu {

namespace {

bool IsWholeNumber(const std::string& aText) {
  return !aText.empty() &&
         std::all_of(aText.begin(), aText.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

void Take(const std::vector<std::string>& aLines, const char* aName, std::string& aValue) {
  std::string value = SaftSettingValue(aLines, aName);
  if (!value.empty()) aValue = std::move(value);
}

}  // namespace

std::string SaftSettingValue(const std::vector<std::string>& aLines, const std::string& aName) {
  for (const std::string& line : aLines) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (AsciiLower(Trimmed(line.substr(0, equals))) == AsciiLower(aName)) return Trimmed(line.substr(equals + 1));
  }
  return {};
}

SaftSettings SaftSettingsFromLines(const std::vector<std::string>& aLines) {
  SaftSettings settings;
  Take(aLines, "SaftProducerTaxID", settings.producerTaxId);
  Take(aLines, "SaftProductID", settings.productId);
  Take(aLines, "SaftProductVersion", settings.productVersion);
  Take(aLines, "SaftCertificateNumber", settings.certificateNumber);
  Take(aLines, "SaftKeyVersion", settings.hashControl);
  Take(aLines, "SaftCompanyTaxID", settings.companyTaxId);
  if (!IsWholeNumber(settings.certificateNumber))
    throw Error("SaftCertificateNumber '" + settings.certificateNumber + "' is no whole number");
  if (!IsWholeNumber(settings.hashControl))
    throw Error("SaftKeyVersion '" + settings.hashControl + "' is no whole number");
  const size_t slash = settings.productId.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == settings.productId.size() ||
      settings.productId.find('/', slash + 1) != std::string::npos)
    throw Error("SaftProductID '" + settings.productId + "' must be the product's name, \"/\" and the producer's name");
  return settings;
}

}  // namespace dodu
