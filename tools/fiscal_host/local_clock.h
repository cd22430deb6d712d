#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace dodu::host {

// Local date-times in whole seconds, as tills write them into receipts.
std::time_t Now();
std::time_t StartOfDay(std::time_t value);
int YearOf(std::time_t value);
// yyyy-mm-ddThh:nn:ss, local time.
std::string XmlDateTimeText(std::time_t value);
// Reads the first 19 characters of yyyy-mm-ddThh:nn:ss[.zzz] as a local date-time.
std::optional<std::time_t> ParseXmlDateTime(const std::string& text);

}  // namespace dodu::host
