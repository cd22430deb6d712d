#include "sample_statistics.h"

#include <algorithm>
#include <cmath>

namespace dodu::bench {

double Samples::Quantile(double q) const {
  if (fValues.empty()) return 0;
  std::vector<double> sorted = fValues;
  std::sort(sorted.begin(), sorted.end());
  size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace dodu::bench
