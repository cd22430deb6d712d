#include "saft/saft_codes.h"

#include <cctype>

#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/error.h"
#include "pt/country_table.h"

namespace dodu {

namespace {

constexpr SaftTaxClass kMainland[4] = {
    {"RED", 6, "Taxa reduzida"},
    {"INT", 13, "Taxa intermédia"},
    {"NOR", 23, "Taxa normal"},
    {"ISE", 0, "Isento"},
};

bool IsDigitText(const std::string& aText) {
  if (aText.empty()) return false;
  for (unsigned char c : aText)
    if (!std::isdigit(c)) return false;
  return true;
}

}  // namespace

const SaftTaxClass (&SaftMainlandTaxClasses())[4] { return kMainland; }

std::optional<SaftTaxClass> SaftTaxClassOfRate(Amount aPercentage) {
  for (const SaftTaxClass& tax_class : kMainland)
    if (aPercentage == Amount::FromInteger(tax_class.percentage)) return tax_class;
  return std::nullopt;
}

std::string SaftPaymentMechanism(qvReceiptPaymentType aType) {
  switch (aType) {
    case rpt_Cash: return "NU";
    case rpt_Cheque: return "CH";
    case rpt_CreditCard: return "CC";
    case rpt_DebitCard: return "CD";
    case Rpt_GiftCard:
    case Rpt_Voucher: return "CO";
    case Rpt_MealVoucher: return "TR";
    default: return "OU";
  }
}

std::string SaftCustomerCountry(const std::string& aStoredCountry) {
  const std::string code = Trimmed(aStoredCountry);
  for (const Country& country : kCountries) {
    if (code == country.alpha2) return country.alpha2;
    if (code == country.alpha3) return country.alpha2;
  }
  return kUnknown;
}

std::string SaftTaxNumber(const std::string& aStoredTaxCode) {
  const std::string code = Trimmed(aStoredTaxCode);
  if (code.size() > 2 && AsciiUpper(code.substr(0, 2)) == "PT" && IsDigitText(code.substr(2))) return code.substr(2);
  return code;
}

bool IsFinalConsumerTaxCode(const std::string& aStoredTaxCode) {
  const std::string code = Trimmed(aStoredTaxCode);
  return code.empty() || AsciiUpper(code) == "PT" || SaftTaxNumber(code) == kFinalConsumerTaxId;
}

std::string SaftDateTime(const std::string& aStoredDateTime) {
  const std::string text = Trimmed(aStoredDateTime);
  // The store's own text form is taken as it stands, so the seconds the document was signed
  // with are never changed by a round trip through a floating-point date-time.
  const auto digit = [&](size_t i) { return std::isdigit(static_cast<unsigned char>(text[i])) != 0; };
  if (text.size() >= 19 && text[4] == '-' && text[7] == '-' && (text[10] == 'T' || text[10] == ' ') &&
      text[13] == ':' && text[16] == ':') {
    bool digits = true;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) digits = digits && digit(i);
    if (digits) return text.substr(0, 10) + "T" + text.substr(11, 8);
  }
  return DateTimeToXmlText(false, XmlTextToDateTime(text));
}

}  // namespace dodu
