// The tempo from taps: the first tap of a series starts the clock; from the
// second on, the tempo is 60 over the mean of all intervals of the series. A
// pause of more than a second starts a new series.
//
// Threads: whatever thread owns it (the settings screen's main thread).
#pragma once

#include <limits>

namespace piano {

class TapTempo {
 public:
  static constexpr int kMaxTempo = 250;

  // A tap at `now` seconds of the media clock. Returns the tempo in beats per
  // minute (60..250, since every counted interval is at most a second), or 0
  // when the tap starts a new series.
  int tap(double now);

  int intervals() const { return numberOfTaps_; }

 private:
  // No tap yet: the first one always starts a series, whatever the clock reads.
  double tapTime_ = -std::numeric_limits<double>::infinity();
  float totalTapDuration_ = 0.0f;
  int numberOfTaps_ = 0;
};

}  // namespace piano
