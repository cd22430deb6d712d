#pragma once

#include "base/amount.h"

namespace dodu {

// VAT arithmetic with a rate in percent, each rounded once: to cents with ties to even for the
// two conversions, to 0.0001 with ties to even for the margin.
Amount AmountWithoutVAT(Amount aValue, Amount aRate);  // aValue / (1 + rate / 100)
Amount AmountWithVAT(Amount aValue, Amount aRate);     // aValue × (1 + rate / 100)
// (price − cost) / price × 100; 0 for a price of 0.
Amount MarginPercent(Amount aCost, Amount aNetPrice);

}  // namespace dodu
