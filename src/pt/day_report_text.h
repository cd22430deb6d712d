#pragma once

#include <string>

#include "base/amount.h"
#include "base/date_time.h"
#include "base/format_settings.h"

namespace dodu {

class kFiscalProcessorCounters;

// The printable Z and X report texts of the counters store, lines joined by CR LF.
std::string BuildZReportText(const kFiscalProcessorCounters& aCounters, DateTime aNow, const FormatSettings& aFormat);
std::string BuildXReportText(const kFiscalProcessorCounters& aCounters, DateTime aNow, const FormatSettings& aFormat);

// An amount rounded to the given decimals (halves away from zero) and written whole, with the
// settings' thousands and decimal separators: 2345678.91 is "2,345,678.91" or "2.345.678,91".
std::string ReportNumberText(Amount aValue, int aDecimals, const FormatSettings& aFormat);

}  // namespace dodu
