#include "platform/output_limiter.h"

#include <algorithm>
#include <cmath>

#include "platform/audio_output.h"

namespace piano::platform {

namespace {

// The share of the way back to the wanted gain that the release covers per frame.
constexpr double kReleaseStep = 1.0 / (OutputLimiter::kReleaseSeconds * kSampleRate);
// Closer than this (-0.001 dB) the release lands on its target, rather than
// creeping towards it for seconds and leaving quiet notes a hair too soft.
constexpr double kReleaseSnap = 1e-4;

}  // namespace

OutputLimiter::OutputLimiter() {
  wanted_.fill(1.0f);
  held_.fill(1.0f);
}

void OutputLimiter::process(StereoBuffer sound, float gain) noexcept {
  for (int frame = 0; frame < sound.frames; ++frame) {
    std::int16_t* io = sound.samples + 2 * frame;
    const float left = static_cast<float>(io[0]) * gain;
    const float right = static_cast<float>(io[1]) * gain;
    const float peak = std::max(std::fabs(left), std::fabs(right));
    const float wanted = peak > kThreshold ? kThreshold / peak : 1.0f;

    const int in = position_;
    position_ = (position_ + 1) & (kRing - 1);
    const int out = position_;  // the oldest frame, kRing - 1 frames ago
    delayed_[2 * in] = left;
    delayed_[2 * in + 1] = right;
    wanted_[in] = wanted;

    float limiter = 1.0f;
    if (wanted < 1.0f || release_ < 1.0 || framesIdle_ < kRing) {
      // Hold the lowest gain any frame in the window asks for, release towards it
      // slowly, and smooth what results over the window: the average of a window
      // that starts at a frame never exceeds what that frame asked for.
      float hold = 1.0f;
      for (float w : wanted_) hold = std::min(hold, w);
      if (hold < release_) {
        release_ = hold;
      } else {
        release_ += (hold - release_) * kReleaseStep;
        if (hold - release_ < kReleaseSnap) release_ = hold;
      }
      const float held = static_cast<float>(release_);
      heldSum_ += static_cast<double>(held) - held_[in];
      held_[in] = held;
      limiter = std::min(1.0f, static_cast<float>(heldSum_ / kRing));
      framesIdle_ = wanted < 1.0f || release_ < 1.0 ? 0 : framesIdle_ + 1;
      if (framesIdle_ == kRing) heldSum_ = kRing;  // every entry is 1 again: drop any drift
    }
    lastGain_ = limiter;
    for (int side = 0; side < 2; ++side) {
      // Rounded half away from zero; held to the range only against rounding.
      const float y = std::clamp(delayed_[2 * out + side] * limiter, -32767.0f, 32767.0f);
      io[side] = static_cast<std::int16_t>(y + (y < 0.0f ? -0.5f : 0.5f));
    }
  }
}

}  // namespace piano::platform
