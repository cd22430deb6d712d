#pragma once

#include <string>

namespace dodu {

// The driver's identity and release history as string entries "key=value" numbered from
// kVersionHistoryFirstId: $APPDESCRIPTION, $COPYRIGHT, then per release $VERSION, $RELEASEDATE
// (dd/mm/yyyy), $AUTHOR and its $PTEXT note lines.
inline constexpr int kVersionHistoryFirstId = 10000;

// The entry of an id; empty when there is none.
std::string VersionHistoryString(int aId);

}  // namespace dodu
