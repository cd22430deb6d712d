#include "platform/local_time.h"

namespace dodu {

std::tm LocalTimeOf(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  return local;
}

}  // namespace dodu
