// A clock that moves only when told: the headless driver's and the tests'
// stand-in for the media clock, shared by the run loop, the animator and
// whatever else reads the time.
//
// Threads: any thread may read it; one thread (the driver's) moves it.
#pragma once

#include <atomic>
#include <functional>

namespace piano::platform {

class ManualClock {
 public:
  explicit ManualClock(double start = 0.0) : now_(start) {}
  double now() const { return now_.load(std::memory_order_acquire); }
  void set(double seconds) { now_.store(seconds, std::memory_order_release); }
  void advance(double seconds) { set(now() + seconds); }
  // A clock function reading this clock (which must outlive it).
  std::function<double()> function() const {
    return [this] { return now(); };
  }

 private:
  std::atomic<double> now_;
};

}  // namespace piano::platform
