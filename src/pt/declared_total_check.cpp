#include "pt/declared_total_check.h"

#include "base/conversions.h"
#include "io/io_handler.h"
#include "receipt/receipt.h"

namespace dodu {

std::optional<std::string> DeclaredTotalWarning(const kReceipt& aReceipt) {
  Amount tax_lines_total;
  for (const auto& tax : aReceipt.fTaxes) tax_lines_total += tax->fTotalAmount;
  const Amount difference = aReceipt.fTotalAmount - tax_lines_total;
  if (difference.Abs() <= Amount::Parse("0.01")) return std::nullopt;
  return "declared TotalAmount " + CurrencyToXmlText(aReceipt.fTotalAmount) + " differs from the sum of the tax lines' " +
         "totals " + CurrencyToXmlText(tax_lines_total) + " by " + CurrencyToXmlText(difference) +
         "; the document is issued with the declared total";
}

void LogDeclaredTotalWarning(kIOHandler& aLog, const kReceipt& aReceipt) {
  if (const std::optional<std::string> warning = DeclaredTotalWarning(aReceipt))
    aLog.WriteLog(let_info, "WARNING", *warning);
}

}  // namespace dodu
