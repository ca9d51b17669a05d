#include "platform/audio_output.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace piano::platform {

void AudioOutput::setVolume(float volume) {
  if (!(volume >= 0.0f)) volume = 0.0f;  // also catches NaN
  if (volume > 1.0f) volume = 1.0f;
  gain_.store(static_cast<std::int32_t>(std::lround(volume * 65536.0f)), std::memory_order_relaxed);
}

float AudioOutput::volume() const {
  return static_cast<float>(gain_.load(std::memory_order_relaxed)) / 65536.0f;
}

void AudioOutput::setMakeUpGain(float gain) {
  if (!(gain >= 1.0f)) gain = 1.0f;  // also catches NaN
  makeUpGain_.store(std::min(gain, 100.0f), std::memory_order_relaxed);
}

void AudioOutput::pull(RenderCallback render, void* context, StereoBuffer out, AudioOutput& self) noexcept {
  if (render == nullptr || render(context, out) != 0) {
    // Silence still goes through the limiter, which lets out what it holds.
    std::memset(out.samples, 0, out.sampleCount() * sizeof(std::int16_t));
  }
  self.limiter_.process(out, self.makeUpGain_.load(std::memory_order_relaxed) * self.volume());
}

}  // namespace piano::platform
