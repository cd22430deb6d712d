#pragma once

#include <ctime>
#include <optional>

namespace dodu {

// The local calendar time of a moment, by the system's time-zone rules.
std::tm LocalTimeOf(std::time_t moment);

// The moment of local calendar fields, by the same rules. Fields outside their ranges are carried
// over (as mktime does) and tm_isdst is ignored: whichever offset applies is taken. Empty when
// the fields name no moment the system can give.
std::optional<std::time_t> MomentOfLocalTime(const std::tm& fields);

}  // namespace dodu
