#include "platform/local_time.h"

namespace dodu {

std::tm LocalTimeOf(std::time_t moment) {
  std::tm local{};
  localtime_r(&moment, &local);
  return local;
}

}  // namespace dodu
