#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace dodu::testing {

// Ends the test program with a message when the scope it guards has not ended within a generous
// limit: a call that should return with a timeout error and hangs instead fails at once and
// says which, rather than holding the whole suite until its own limit.
class Watchdog {
 public:
  Watchdog(std::chrono::seconds limit, std::string what) : what_(std::move(what)) {
    thread_ = std::thread([this, limit] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!changed_.wait_for(lock, limit, [this] { return done_; })) {
        std::fprintf(stderr, "Watchdog: %s still blocked after %lld s\n", what_.c_str(),
                     static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::_Exit(1);
      }
    });
  }
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::string what_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool done_ = false;
  std::thread thread_;
};

}  // namespace dodu::testing
