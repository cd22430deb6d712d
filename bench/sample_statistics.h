#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace dodu::bench {

// Durations of one kind of operation, in milliseconds (or any other figure taken several times).
class Samples {
 public:
  void Add(double milliseconds) { fValues.push_back(milliseconds); }
  size_t Count() const { return fValues.size(); }
  double Last() const { return fValues.back(); }
  double Median() const { return Quantile(0.5); }
  double P99() const { return Quantile(0.99); }

 private:
  // Nearest rank, so a p99 of fewer than 100 samples is their largest.
  double Quantile(double q) const;
  std::vector<double> fValues;
};

// Milliseconds since the watch started.
class Stopwatch {
 public:
  Stopwatch() : fStart(std::chrono::steady_clock::now()) {}
  double Milliseconds() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - fStart).count();
  }

 private:
  std::chrono::steady_clock::time_point fStart;
};

}  // namespace dodu::bench
