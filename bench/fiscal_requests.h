#pragma once

#include <cstdint>
#include <string>

namespace dodu::bench {

// The company, the branches and the series the requests below number in.
inline constexpr const char* kCompanyTaxCode = "PT500100200";
inline constexpr const char* kCompanyCode = "C1";
inline constexpr int kBusinessYear = 2024;

// "S01", "S02" ...: one branch per till when tills number in separate series.
std::string StoreCode(int aIndex);
// The invoice and credit-note series of a branch in the business year (FR2024S01 ...).
std::string InvoiceSeries(const std::string& aStoreCode);
std::string CreditNoteSeries(const std::string& aStoreCode);
// The device serial the library stores for documents of a branch ("C1-S01").
std::string DeviceSerial(const std::string& aStoreCode);

// A request envelope for the till around the document elements.
std::string Envelope(int32_t aHandle, const std::string& aTillSerial, const std::string& aDocuments = "");

// A date-time of the business day, aSecond seconds after 08:00 ("2024-02-09T08:00:07").
std::string DocumentDateTime(int aSecond);

// A sale of four lines at the three VAT rates (6 %, 13 %, 23 %), paid in cash.
std::string SaleReceipt(const std::string& aStoreCode, const std::string& aDateTime);
// A credit note returning the 23 % line of the sale with that number and date-time.
std::string CreditNoteReceipt(const std::string& aStoreCode, const std::string& aDateTime,
                              const std::string& aSaleNumber, const std::string& aSaleDateTime);
// The void of the sale with that number and date-time.
std::string VoidReceipt(const std::string& aStoreCode, const std::string& aSaleNumber,
                        const std::string& aSaleDateTime);
// The reference of a stored sale for a reprint.
std::string ReprintReference(const std::string& aStoreCode, const std::string& aSaleNumber,
                             const std::string& aSaleDateTime);

// The text of the first element of that name in an answer ("" when there is none).
std::string ElementText(const std::string& aXml, const std::string& aName);

}  // namespace dodu::bench
