// OutputLimiter: the last step before the sound leaves the program. It scales the
// mixed stream by a gain (the make-up for the sample set's headroom times the
// output volume) and keeps the result within full scale without clipping it.
//
// A frame whose louder side would pass kThreshold asks for the gain that brings it
// down to the threshold. The limiter looks kLookAheadFrames - 1 frames ahead (its
// only latency, 0.7 ms): the gain glides down over that window, so it has reached
// what the peak asks for when the peak comes out, and afterwards it recovers with a
// release of kReleaseSeconds. Both sides get the same gain, so the stereo picture
// holds. Anything that stays below the threshold comes out as exactly round(x *
// gain), delayed: a single note is as loud as it would be without the limiter.
//
// Threads: one thread at a time, the audio output's. Real-time safe: no
// allocation, lock or system call.
#pragma once

#include <array>
#include <cstdint>

#include "platform/stereo_buffer.h"

namespace piano::platform {

class OutputLimiter {
 public:
  OutputLimiter();

  static constexpr int kLookAheadFrames = 32;
  static constexpr int kLatencyFrames = kLookAheadFrames - 1;
  // -0.3 dBFS: above the loudest single note (-1 dBFS), below full scale.
  static constexpr float kThreshold = 31654.0f;
  static constexpr float kReleaseSeconds = 0.1f;

  // Scales the frames of `sound` in place by `gain` and limits them.
  void process(StereoBuffer sound, float gain) noexcept;
  // The limiter's own gain on the latest frame it put out: 1 when idle.
  float limiterGain() const { return lastGain_; }

 private:
  static constexpr int kRing = kLookAheadFrames;
  static_assert((kRing & (kRing - 1)) == 0, "the rings wrap by mask");

  std::array<float, 2 * kRing> delayed_{};  // scaled frames waiting to go out
  std::array<float, kRing> wanted_{};       // the gain each of those frames asks for
  std::array<float, kRing> held_{};         // the released gain, to be smoothed
  double heldSum_ = kRing;                  // their sum
  int position_ = 0;
  double release_ = 1.0;  // double: in float, the last steps to 1 would round away
  int framesIdle_ = kRing;  // frames since a gain below 1 entered the rings
  float lastGain_ = 1.0f;
};

}  // namespace piano::platform
