#pragma once

#include <optional>
#include <string>

#include "base/amount.h"
#include "receipt/receipt_types.h"

namespace dodu {

// One VAT class of the mainland (Portugal's continental territory) as the file's tax table
// names it.
struct SaftTaxClass {
  const char* code;         // RED, INT, NOR, ISE
  int percentage;           // 6, 13, 23, 0
  const char* description;  // the TaxTable's description
};

// The four classes, in the order the TaxTable lists them.
const SaftTaxClass (&SaftMainlandTaxClasses())[4];

// The class of a rate (a percentage: 23 % is 23); nothing for a rate the mainland does not have.
std::optional<SaftTaxClass> SaftTaxClassOfRate(Amount aPercentage);

// The file's payment mechanism of a receipt payment type (NU cash, CC credit card ...).
std::string SaftPaymentMechanism(qvReceiptPaymentType aType);

// A country for a customer's address: an ISO 3166-1 alpha-2 code as stored, or the alpha-2 code
// of an alpha-3 one (letter case as ISO writes them); "Desconhecido" for anything else.
std::string SaftCustomerCountry(const std::string& aStoredCountry);

// A tax number as the file writes it: a Portuguese one without its "PT" prefix, others as stored.
std::string SaftTaxNumber(const std::string& aStoredTaxCode);

// Whether the stored customer tax code stands for the final consumer (empty, "PT" alone, or
// the final consumer's number).
bool IsFinalConsumerTaxCode(const std::string& aStoredTaxCode);

inline constexpr const char* kFinalConsumerTaxId = "999999990";
inline constexpr const char* kUnknown = "Desconhecido";

// A date-time of the store ("yyyy-mm-ddThh:nn:ss", "yyyy-mm-dd hh:nn:ss.zzz", ...) as the file's
// yyyy-mm-ddThh:nn:ss; raises when the text is no date-time.
std::string SaftDateTime(const std::string& aStoredDateTime);

}  // namespace dodu
