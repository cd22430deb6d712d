#include "support/unavailable_here.h"

namespace dodu::testing {

std::string WhyUnavailable(SystemFeature) { return std::string(); }

}  // namespace dodu::testing
