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

// An amount rounded to six significant digits, then written with thousands separators and the
// given decimals in the settings' number format. Past six integer digits the plain form cannot
// hold six significant digits: the text is then scientific, as 1.23457E+6.
std::string ReportNumberText(Amount aValue, int aDecimals, const FormatSettings& aFormat);

}  // namespace dodu
