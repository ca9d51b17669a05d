#include "screens/settings/tap_tempo.h"

#include <cmath>

namespace piano {

namespace {
constexpr double kLongestInterval = 1.0;  // seconds; a longer pause starts a new series
}

int TapTempo::tap(double now) {
  const double interval = now - tapTime_;
  tapTime_ = now;
  // A clock that stood still or went back gives no interval to count either.
  if (!(interval >= 0.0 && interval <= kLongestInterval)) {
    numberOfTaps_ = 0;
    totalTapDuration_ = 0.0f;
    return 0;
  }
  totalTapDuration_ = static_cast<float>(static_cast<double>(totalTapDuration_) + interval);
  numberOfTaps_ += 1;
  const float mean = totalTapDuration_ / static_cast<float>(numberOfTaps_);
  const float tempo = 60.0f / mean;  // infinite for taps at the same instant
  if (!(tempo < static_cast<float>(kMaxTempo))) return kMaxTempo;
  return static_cast<int>(std::trunc(tempo));
}

}  // namespace piano
