#pragma once

#include <cstdint>
#include <string>

namespace dodu {

constexpr int32_t kOPOS_SUCCESS = 0;
constexpr int32_t kOPOS_E_EXTENDED = 114;

// " OPOS_E_CLOSED" ... for 101..115, " UNKNOWN" for any other code (note the leading blank).
std::string OposResultCodeName(int32_t aCode);
// " OPOS_EFPTR_COVER_OPEN" ... for 201..224, " UNKNOWN" for any other code.
std::string OposExtendedResultCodeName(int32_t aCode);
// "[rc] name", then " [ext] name" when the extended code is not 0, then " - " + the control's
// error string; empty for a result code of 0.
std::string ComposeOposMessage(int32_t aResultCode, int32_t aExtendedCode, const std::string& aErrorString);

}  // namespace dodu
