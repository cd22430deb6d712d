#pragma once

#include <string>

#include "base/amount.h"
#include "base/date_time.h"
#include "db/sql_dialect.h"

namespace dodu {

// The statements of a configuration variable: its definition row in one of the two tables
// (elcfg01f, then elcfg00f) and its value for a user.
std::string ConfiVarDefinitionStatement(const std::string& aTable, const std::string& aLowerName,
                                        const SqlDialect& aDialect);
std::string ConfiVarValueStatement(const std::string& aUser, const std::string& aLowerName,
                                   const SqlDialect& aDialect);

// A number variable's text: the first aLength − aDecimals digits are the whole part, the next
// aDecimals the fraction (0001250 with 7 and 2 is 12.50). Raises for a text that is no number.
Amount DecodeConfiNumber(const std::string& aText, int aLength, int aDecimals);
// A date variable's text yyyymmdd; all zeros is no date. Raises for an impossible date.
DateTime DecodeConfiDate(const std::string& aText);

}  // namespace dodu
