#include "platform/audio_output.h"

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

void AudioOutput::pull(RenderCallback render, void* context, std::int16_t* out, int frames,
                       const AudioOutput& self) {
  const std::size_t values = static_cast<std::size_t>(frames) * kChannels;
  if (render == nullptr || render(context, out, frames) != 0) {
    std::memset(out, 0, values * sizeof(std::int16_t));
    return;
  }
  const std::int32_t gain = self.gain_.load(std::memory_order_relaxed);
  if (gain == 65536) return;
  for (std::size_t i = 0; i < values; ++i) {
    out[i] = static_cast<std::int16_t>((static_cast<std::int32_t>(out[i]) * gain) >> 16);
  }
}

}  // namespace piano::platform
