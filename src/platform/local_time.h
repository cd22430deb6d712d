#pragma once

#include <ctime>

namespace dodu {

// The local calendar time of a moment, by the system's time-zone rules.
std::tm LocalTimeOf(std::time_t moment);

}  // namespace dodu
